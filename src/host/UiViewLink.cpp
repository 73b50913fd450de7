#include "host/UiViewLink.h"

namespace ombrix {

void FakeUiViewLink::Connect() {
  ++connects;
  if (connectFails) throw UiViewError("Class not registered");
  connected = true;
}

void FakeUiViewLink::Disconnect() {
  ++disconnects;
  connected = false;
}

void FakeUiViewLink::RedrawMap() {
  if (!connected) Connect();
  if (callsFail) throw UiViewError("The RPC server is unavailable");
  ++redraws;
}

void FakeUiViewLink::ZoomToArea(double w, double n, double e, double s) {
  if (!connected) Connect();
  if (callsFail) throw UiViewError("The RPC server is unavailable");
  ++zooms;
  west = w, north = n, east = e, south = s;
}

}  // namespace ombrix
