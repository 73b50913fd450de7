// Against the real registry and files of the Wine prefix the tests run in:
// the registry seam, discovery's edge cases set up by the host fixture, and
// TclsUIV against the UI-View32 double.
#include <windows.h>

#include <gtest/gtest.h>

#include "host/Discovery.h"
#include "host/win32/UIView32_TLB.h"
#include "support/TempDir.h"
#include "support/win32/HostFixture.h"
#include "ui/MainFrm.h"
#include "util/FakeEventLoop.h"
#include "util/FileUtil.h"

using namespace ombrix;
using namespace ombrix::test;

namespace {

void SetValue(const char* key, const char* name, DWORD type, const void* data, DWORD size) {
  HKEY h;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, key, 0, nullptr, 0, KEY_WRITE, nullptr, &h, nullptr), ERROR_SUCCESS);
  ASSERT_EQ(RegSetValueExA(h, name, 0, type, static_cast<const BYTE*>(data), size), ERROR_SUCCESS);
  RegCloseKey(h);
}

TEST(WineRegistry, ReadsStringsOnlyAndMissingKeysAsClosed) {
  const char* key = "Software\\OmbrixTest\\Registry";
  SetValue(key, "sz", REG_SZ, "C:\\UI-View32\\", 14);
  SetValue(key, "expand", REG_EXPAND_SZ, "%TEMP%\\x", 9);
  SetValue(key, "empty", REG_SZ, "", 1);
  SetValue(key, "unterminated", REG_SZ, "abc", 3);
  DWORD number = 7;
  SetValue(key, "dword", REG_DWORD, &number, sizeof number);
  auto reg = OpenSystemRegistry();
  std::string v;
  ASSERT_TRUE(reg->ReadString(RegRoot::CurrentUser, "\\Software\\OmbrixTest\\Registry\\", "sz", v));
  EXPECT_EQ(v, "C:\\UI-View32\\");
  ASSERT_TRUE(reg->ReadString(RegRoot::CurrentUser, key, "expand", v));
  EXPECT_EQ(v, "%TEMP%\\x");  // read as stored, not expanded
  ASSERT_TRUE(reg->ReadString(RegRoot::CurrentUser, key, "empty", v));
  EXPECT_EQ(v, "");
  ASSERT_TRUE(reg->ReadString(RegRoot::CurrentUser, key, "unterminated", v));
  EXPECT_EQ(v, "abc");
  ASSERT_TRUE(reg->ReadString(RegRoot::CurrentUser, key, "absent", v));
  EXPECT_EQ(v, "");
  EXPECT_THROW(reg->ReadString(RegRoot::CurrentUser, key, "dword", v), RegistryError);
  EXPECT_FALSE(reg->ReadString(RegRoot::CurrentUser, "Software\\OmbrixTest\\Nothing", "sz", v));
  RegDeleteKeyA(HKEY_CURRENT_USER, key);
}

class WineDiscovery : public ::testing::Test {
 protected:
  TempDir dir;
  std::unique_ptr<Registry> registry = OpenSystemRegistry();
  HostState state;
  void TearDown() override { ClearSimulatedHost(); }
  SimulatedPMap PMap(const std::string& name, std::optional<std::string> underlay = "radar.bmp") {
    SimulatedPMap p;
    p.name = name;
    p.folder = dir.Path() + name + "\\";
    p.underlay = underlay;
    return p;
  }
};

TEST_F(WineDiscovery, PMapServer7MapIsFollowed) {
  SimulatedHost host;
  host.uiViewFolder = dir.Path() + "UI-View32\\";
  host.lastMap = "C:\\UI-View32\\MAPS\\!!PMapServer7.map";
  SimulatedPMap p = PMap("PMapServer7", dir.Path() + "PMapServer7\\PMap Underlays\\radar.bmp");
  p.createUnderlayFile = true;
  host.pmaps = {p};
  SetUpSimulatedHost(host);
  DiscoverHost(*registry, state);
  EXPECT_EQ(state.UiViewFolder, dir.Path() + "UI-View32\\");
  EXPECT_EQ(state.MapName, "PMapServer7");
  EXPECT_EQ(state.PMapServerPath, p.folder);
  EXPECT_EQ(state.PMapServerIni, p.folder + "PMapServer7.ini");
  EXPECT_EQ(state.PMapUnderlayPath, p.folder + "PMap Underlays\\");
  EXPECT_EQ(state.UnderlayName, "radar.bmp");
}

TEST_F(WineDiscovery, Version7Before6WithoutUiView) {
  SimulatedHost host;
  host.pmaps = {PMap("PMAPSERVER6", "six.bmp"), PMap("PMAPSERVER7", "seven.bmp")};
  SetUpSimulatedHost(host);
  DiscoverHost(*registry, state);
  EXPECT_EQ(state.UiViewFolder, "");
  EXPECT_EQ(state.MapName, "");
  EXPECT_EQ(state.PMapServerPath, dir.Path() + "PMAPSERVER7\\");
  EXPECT_EQ(state.UnderlayName, "seven.bmp");
}

TEST_F(WineDiscovery, MissingInprocServerOrUnderlayFolder) {
  SimulatedHost host;
  SimulatedPMap seven = PMap("PMAPSERVER7");
  seven.inprocServer = false;
  SimulatedPMap six = PMap("PMAPSERVER6");
  six.underlays = false;
  host.pmaps = {seven, six};
  SetUpSimulatedHost(host);
  EXPECT_EQ(FindPMapServerFolder(*registry, "PMAPSERVER7"), "");
  DiscoverHost(*registry, state);
  EXPECT_EQ(state.PMapServerPath, six.folder);  // 7 gave nothing; 6 has no underlay folder
  EXPECT_EQ(state.PMapUnderlayPath, "");
  EXPECT_EQ(state.PMapServerIni, "");
  EXPECT_EQ(state.UnderlayName, "");
}

TEST_F(WineDiscovery, UnderlayInAnotherFolderBecomesTheTarget) {
  std::string elsewhere = dir.Path() + "Shared Underlays\\";
  SimulatedPMap p = PMap("PMAPSERVER7", elsewhere + "NEXRAD.BMP");
  p.createUnderlayFile = true;
  SimulatedHost host;
  host.uiViewFolder = dir.Path() + "UI-View32\\";
  host.lastMap = "C:\\maps\\Texas.map";
  host.pmaps = {p};
  SetUpSimulatedHost(host);
  DiscoverHost(*registry, state);
  EXPECT_EQ(state.MapName, "Texas");
  EXPECT_EQ(state.UnderlayName, "NEXRAD.BMP");
  EXPECT_EQ(state.PMapUnderlayPath, elsewhere);
}

// --- TclsUIV against the UI-View32 double ---

class WineUiView : public ::testing::Test {
 protected:
  TempDir dir;
  std::string log = dir / "uiview.log";
  HMODULE dll = nullptr;

  void SetUp() override {
    SetEnvironmentVariableA("UIVIEW32_DOUBLE_LOG", log.c_str());
    RegisterUiViewDouble(ExecutableDir() + kUiViewDoubleDll);
  }
  void TearDown() override {
    UnregisterUiViewDouble();
    SetEnvironmentVariableA("UIVIEW32_DOUBLE_LOG", nullptr);
  }
  std::string Log() { return ReadFile(log); }
  // The double's in-process controls (it stays loaded once created).
  HRESULT Call(const char* name, int arg = -1) {
    HMODULE m = GetModuleHandleA(kUiViewDoubleDll);
    if (!m) return E_FAIL;
    auto proc = reinterpret_cast<void*>(GetProcAddress(m, name));
    if (!proc) return E_NOTIMPL;
    if (arg < 0) return reinterpret_cast<HRESULT(WINAPI*)()>(proc)();
    return reinterpret_cast<HRESULT(WINAPI*)(int)>(proc)(arg);
  }
};

TEST_F(WineUiView, ConnectStartsTheServerAndCallsGoThroughTheSlots) {
  ComApartment com;
  TclsUIV link;
  EXPECT_EQ(link.ConnectKind, ckRunningOrNew);
  EXPECT_FALSE(link.AutoConnect);
  link.Connect();
  EXPECT_TRUE(link.Connected());
  link.RedrawMap();
  link.ZoomToArea(-92.5, 44.25, -85.125, 38.0625);
  link.Disconnect();
  EXPECT_EQ(Log(),
            "create\r\nAdvise 1\r\nRedrawMap\r\n"
            "ZoomToArea -92.5 44.25 -85.125 38.0625 0\r\n"
            "Unadvise 1\r\ndestroy\r\n");
  // A call with no connection held connects again first.
  link.RedrawMap();
  EXPECT_NE(Log().find("destroy\r\ncreate\r\nAdvise 1\r\nRedrawMap\r\n"), std::string::npos);
}

TEST_F(WineUiView, ClosingEventReachesTheHandlerOthersAreIgnored) {
  ComApartment com;
  TclsUIV link;
  int closing = 0;
  std::vector<std::pair<DISPID, std::vector<VARTYPE>>> seen;
  std::wstring firstText;
  link.OnUIView32IsClosing = [&] { ++closing; };
  link.OnAnyEvent = [&](DISPID id, const std::vector<VARIANT>& args) {
    std::vector<VARTYPE> types;
    for (const VARIANT& v : args) types.push_back(v.vt);
    seen.push_back({id, types});
    if (id == 11) firstText = *args.at(0).pbstrVal;
  };
  link.Connect();
  ASSERT_EQ(Call("UiView32DoubleRaise", 1), S_OK);
  ASSERT_EQ(Call("UiView32DoubleRaise", 2), S_OK);
  ASSERT_EQ(Call("UiView32DoubleRaise", 11), S_OK);
  EXPECT_EQ(closing, 0);
  ASSERT_EQ(Call("UiView32DoubleRaise", 3), S_OK);
  EXPECT_EQ(closing, 1);
  std::string text = Log();
  for (const char* line : {"event 1 args 0 -> 0x00000000", "event 2 args 3 -> 0x00000000",
                           "event 11 args 7 -> 0x00000000", "event 3 args 0 -> 0x00000000"})
    EXPECT_NE(text.find(line), std::string::npos) << line;
  // Arguments arrive first to last, as declared.
  ASSERT_EQ(seen.size(), 4u);
  EXPECT_EQ(seen[1].second, (std::vector<VARTYPE>{VT_BSTR | VT_BYREF, VT_R4 | VT_BYREF, VT_R4 | VT_BYREF}));
  EXPECT_EQ(seen[2].second.at(3), VT_I2 | VT_BYREF);
  EXPECT_EQ(firstText, L"N0FROM");
}

TEST_F(WineUiView, CallsAfterTheServerIsGoneFail) {
  ComApartment com;
  TclsUIV link;
  int closing = 0;
  link.OnUIView32IsClosing = [&] { ++closing; };
  link.Connect();
  ASSERT_EQ(Call("UiView32DoubleQuit"), S_OK);
  EXPECT_EQ(closing, 1);
  EXPECT_THROW(link.RedrawMap(), UiViewError);
  EXPECT_THROW(link.ZoomToArea(1, 2, 3, 4), UiViewError);
}

TEST_F(WineUiView, UnregisteredServerCannotConnect) {
  UnregisterUiViewDouble();
  ComApartment com;
  TclsUIV link;
  EXPECT_THROW(link.Connect(), UiViewError);
  EXPECT_FALSE(link.Connected());
  try {
    link.RedrawMap();
    FAIL();
  } catch (const UiViewError& e) {
    EXPECT_STRNE(e.what(), "");
  }
}

TEST_F(WineUiView, EventsAfterTheWrapperIsGoneAreDropped) {
  ComApartment com;
  int closing = 0;
  {
    TclsUIV link;
    link.OnUIView32IsClosing = [&] { ++closing; };
    link.Connect();
  }
  EXPECT_NE(Log().find("Unadvise 1"), std::string::npos);
  EXPECT_EQ(closing, 0);
}

// The main window's side of the link, with the real wrapper and the double.
TEST_F(WineUiView, MainWindowRedrawsAndHearsUiViewClosing) {
  ComApartment com;
  TclsUIV link;
  FakeClock clock;
  FakeEventLoop loop(clock);
  int closes = 0;
  Platform p;
  p.loop = &loop;
  p.uiView = &link;
  p.closeMainWindow = [&] { ++closes; };
  TMain main(p, dir.Path());
  main.FormCreate();
  EXPECT_TRUE(main.UiViewConnected);
  EXPECT_TRUE(main.RedrawBtn.enabled);
  main.RedrawChk.checked = true;
  main.RedrawBtnClick();
  EXPECT_NE(Log().find("RedrawMap\r\n"), std::string::npos);
  EXPECT_EQ(main.Sbar.panels.at(0), "Redrawing map");

  main.ShutDownwhenUiViewterminates1.checked = false;
  ASSERT_EQ(Call("UiView32DoubleQuit"), S_OK);  // raises event 3, then stops answering
  EXPECT_FALSE(main.RedrawBtn.enabled);
  EXPECT_EQ(closes, 0);
  main.RedrawBtnClick();
  EXPECT_EQ(main.FileLbl.caption, "Error attempting to redraw UiView");
  EXPECT_TRUE(main.RedrawChk.checked);

  main.ShutDownwhenUiViewterminates1.checked = true;
  ASSERT_EQ(Call("UiView32DoubleRaise", 3), S_OK);
  EXPECT_EQ(closes, 1);
  main.FormDestroy();
  EXPECT_NE(Log().find("Unadvise 1"), std::string::npos);
}

// From another process the double takes its orders from a command file,
// read by a timer on the thread that created it.
TEST_F(WineUiView, CommandFileRaisesEventsWhileMessagesArePumped) {
  ComApartment com;
  TclsUIV link;
  int closing = 0;
  link.OnUIView32IsClosing = [&] { ++closing; };
  link.Connect();
  WriteFile(dir / "uiview.cmd", "raise 2\r\nquit\r\n");
  for (int i = 0; i < 200 && closing == 0; ++i) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    Sleep(20);
  }
  EXPECT_EQ(closing, 1);
  EXPECT_FALSE(FileExists(dir / "uiview.cmd"));
  EXPECT_NE(Log().find("event 2 args 3 -> 0x00000000\r\nquit\r\nevent 3"), std::string::npos);
  EXPECT_THROW(link.RedrawMap(), UiViewError);
}

}  // namespace
