// TMain's grid of download records and its pop-up menu, wired to
// RecordCommands.
#include "ui/MainFrmAdapters.h"
#include "ui/RadarGridRows.h"
#include "util/Clock.h"

namespace ombrix {

void TMain::InitGridCommands() {
  gridWindow_ = std::make_unique<GridWindow>(*this);
  records_ = std::make_unique<RecordCommands>(*gridWindow_);
}

void TMain::RefreshGrid() { FillRadarGrid(RadarGrid, RadarList, LocalNow(), UtcNow()); }

void TMain::AddBtnClick() { records_->Add(); }
void TMain::DeleteBtnClick() { records_->Delete(); }

void TMain::RadarGridMouseDown(MouseButton button, int x, int y) {
  GridMouseDownAt = {x, y};
  // The grid's pop-up menu setting: a right click opens RadarPopup.
  if (button == MouseButton::Right) RadarPopupWanted = GridMouseDownAt;
}

void TMain::RadarGridDblClick() { RadarPopupWanted = GridMouseDownAt; }

TMain::GridHintAction TMain::RadarGridMouseMove(const GridMouseCell& cell,
                                                const std::function<int(const std::string&)>& measure) {
  GridHintAction action;
  if (cell.row > 0 && cell.row < RadarGrid.rowCount && cell.col >= 0 && cell.col < RadarGrid.colCount) {
    // The grid's place in its panel: left 8, width 568.
    action.repaint = true;
    action.draw = PlaceGridHint({cell.col, RadarGrid.Cell(cell.col, cell.row), cell.left, cell.right, cell.top, 8, 568},
                                measure);
    HintBoxShown = true;
  } else if (HintBoxShown || cell.row < 0) {
    action.repaint = true;
    HintBoxShown = false;
  }
  return action;
}

bool TMain::RidgePnlMouseMove() {
  if (!HintBoxShown) return false;
  HintBoxShown = false;
  return true;
}

void TMain::RadarPopupPopup() { records_->PopupOpening(RadarPopup); }
void TMain::Accumulateimages1Click() { records_->ToggleAccumulate(RadarPopup.Accumulateimages1); }
void TMain::Disabledownload1Click() { records_->ToggleEnabled(); }
void TMain::Browseto1Click() { records_->BrowseTo(); }
void TMain::ViewUnderlay1Click() { records_->ViewUnderlay(); }

}  // namespace ombrix
