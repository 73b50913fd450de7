#include <gtest/gtest.h>

#include <filesystem>

#include "host/Discovery.h"
#include "support/FakeHost.h"

using namespace ombrix;
using ombrix::test::FakeHost;
using ombrix::test::WriteFile;

namespace {

class Discovery : public ::testing::Test {
 protected:
  FakeHost host;
  HostState state;
  void Discover() { DiscoverHost(host.registry, state); }
};

TEST(FakeRegistryTest, KeysMatchWithoutCaseOrOuterBackslashes) {
  FakeRegistry reg;
  reg.SetString(RegRoot::CurrentUser, "\\Software\\A\\", "Name", "v");
  std::string value = "junk";
  EXPECT_TRUE(reg.ReadString(RegRoot::CurrentUser, "software\\a", "NAME", value));
  EXPECT_EQ(value, "v");
  EXPECT_TRUE(reg.ReadString(RegRoot::CurrentUser, "Software\\A", "absent", value));
  EXPECT_EQ(value, "");  // an absent value reads as empty
  EXPECT_FALSE(reg.ReadString(RegRoot::ClassesRoot, "Software\\A", "Name", value));  // other root
  reg.SetNumber(RegRoot::CurrentUser, "Software\\A", "Count", 3);
  EXPECT_THROW(reg.ReadString(RegRoot::CurrentUser, "Software\\A", "Count", value), RegistryError);
}

TEST_F(Discovery, NoUiViewKeyKeepsEarlierValuesAndStillProbesPMapServer) {
  std::string pmap = host.InstallPMap("PMapServer7", {.underlay = "C:\\nowhere\\radar.bmp"});
  state.UiViewFolder = "C:\\Old\\";
  state.MapName = "OldMap";
  state.LastMap = "stale";
  Discover();
  EXPECT_EQ(state.UiViewFolder, "C:\\Old\\");
  EXPECT_EQ(state.MapName, "OldMap");
  EXPECT_EQ(state.LastMap, "");
  EXPECT_EQ(state.PMapServerPath, pmap);
  EXPECT_EQ(state.PMapUnderlayPath, host.UnderlaysOf("PMapServer7"));
  EXPECT_EQ(state.PMapServerIni, pmap + "PMAPSERVER7.ini");
  EXPECT_EQ(state.UnderlayName, "radar.bmp");
}

TEST_F(Discovery, UiViewWithoutSettingsFileHasNoMap) {
  std::string folder = host.InstallUiView(std::nullopt);
  state.MapName = "OldMap";
  Discover();
  EXPECT_EQ(state.UiViewFolder, folder);
  EXPECT_EQ(state.LastMap, "-1");
  EXPECT_EQ(state.MapName, "");
  EXPECT_EQ(ReadLastMap(folder), "-1");
  EXPECT_EQ(ReadLastMap(folder + "missing\\"), "-1");
}

TEST_F(Discovery, PMapServerMapNamesTheServerItself) {
  // PMapServer8 is reachable only through the map name: the fixed probes
  // ask for 7 and 6, and 7 is installed too.
  std::string pmap8 = host.InstallPMap("PMapServer8", {.underlay = "radar8.bmp"});
  host.InstallPMap("PMapServer7", {.underlay = "radar7.bmp"});
  host.InstallUiView("C:\\Program Files\\UI-View32\\MAPS\\!!PMapServer8.map");
  Discover();
  EXPECT_EQ(state.LastMap, "C:\\Program Files\\UI-View32\\MAPS\\!!PMapServer8.map");
  EXPECT_EQ(state.MapName, "PMapServer8");
  EXPECT_EQ(state.PMapServerPath, pmap8);
  EXPECT_EQ(state.PMapServerIni, pmap8 + "PMapServer8.ini");
  EXPECT_EQ(state.UnderlayName, "radar8.bmp");
}

TEST_F(Discovery, PMapServer7MapReadsItsOwnClassKeyAndSettingsFile) {
  std::string pmap = host.InstallPMap("PMapServer7", {.underlay = "radar.bmp"});
  host.InstallUiView("!!PMapServer7.map");
  Discover();
  EXPECT_EQ(state.MapName, "PMapServer7");
  EXPECT_EQ(state.PMapServerPath, pmap);
  EXPECT_EQ(state.PMapServerIni, pmap + "PMapServer7.ini");  // the map's spelling, not PMAPSERVER7.ini
  EXPECT_EQ(FindPMapServerFolder(host.registry, "!!PMapServer7.map"), pmap);
  EXPECT_EQ(FindPMapServerFolder(host.registry, "PMapServer7"), pmap);
  EXPECT_EQ(FindPMapServerFolder(host.registry, "PMapServer7."), pmap);
  EXPECT_EQ(FindPMapServerFolder(host.registry, ""), "");
}

TEST_F(Discovery, OtherMapsFindVersion7Before6OnlyWhileNoServerFolderIsKnown) {
  std::string pmap7 = host.InstallPMap("PMAPSERVER7", {.underlay = "seven.bmp"});
  std::string pmap6 = host.InstallPMap("PMAPSERVER6", {.underlay = "six.bmp"});
  host.InstallUiView("C:\\maps\\Texas.map");
  Discover();
  EXPECT_EQ(state.MapName, "Texas");
  EXPECT_EQ(state.PMapServerPath, pmap7);
  EXPECT_EQ(state.UnderlayName, "seven.bmp");

  // A known, existing server folder stops the probes: nothing moves to 7.
  HostState known;
  known.PMapServerPath = pmap6;
  known.UnderlayName = "six.bmp";
  DiscoverHost(host.registry, known);
  EXPECT_EQ(known.PMapServerPath, pmap6);
  EXPECT_EQ(known.UnderlayName, "six.bmp");
  EXPECT_EQ(known.PMapUnderlayPath, "");

  // Only 6 installed: found by the second probe.
  FakeHost only6;
  std::string six = only6.InstallPMap("PMAPSERVER6", {.underlay = "six.bmp"});
  HostState s6;
  DiscoverHost(only6.registry, s6);
  EXPECT_EQ(s6.PMapServerPath, six);
  EXPECT_EQ(s6.PMapServerIni, six + "PMAPSERVER6.ini");
}

TEST_F(Discovery, MissingInprocServerFindsNothing) {
  host.InstallPMap("PMAPSERVER7", {.inprocServer = false, .underlay = "radar.bmp"});
  state.UnderlayName = "kept.bmp";
  Discover();
  EXPECT_EQ(FindPMapServerFolder(host.registry, "PMAPSERVER7"), "");
  EXPECT_EQ(state.PMapServerPath, "");
  EXPECT_EQ(state.PMapUnderlayPath, "");
  EXPECT_EQ(state.UnderlayName, "kept.bmp");
}

TEST_F(Discovery, MissingUnderlayFolderSetsOnlyTheServerPath) {
  std::string pmap = host.InstallPMap("PMAPSERVER7", {.underlays = false, .underlay = "radar.bmp"});
  Discover();
  EXPECT_EQ(state.PMapServerPath, pmap);
  EXPECT_EQ(state.PMapUnderlayPath, "");
  EXPECT_EQ(state.PMapServerIni, "");
  EXPECT_EQ(state.UnderlayName, "");
}

TEST_F(Discovery, UnderlaySettingDecidesNameAndFolder) {
  // A file that does not exist: the name is taken, the folder is not.
  host.InstallPMap("PMAPSERVER7", {.underlay = "Q:\\gone\\radar.bmp"});
  Discover();
  EXPECT_EQ(state.UnderlayName, "radar.bmp");
  EXPECT_EQ(state.PMapUnderlayPath, host.UnderlaysOf("PMAPSERVER7"));

  // An existing file in another folder: that folder is the local target.
  FakeHost h2;
  std::string elsewhere = h2.Folder("Elsewhere");
  WriteFile(elsewhere + "NEXRAD.BMP", "BM");
  h2.InstallPMap("PMAPSERVER7", {.underlay = elsewhere + "NEXRAD.BMP"});
  HostState s2;
  DiscoverHost(h2.registry, s2);
  EXPECT_EQ(s2.UnderlayName, "NEXRAD.BMP");
  EXPECT_EQ(s2.PMapUnderlayPath, elsewhere);

  // An empty setting: no underlay name.
  FakeHost h3;
  h3.InstallPMap("PMAPSERVER7", {.underlay = ""});
  HostState s3;
  s3.UnderlayName = "old.bmp";
  DiscoverHost(h3.registry, s3);
  EXPECT_EQ(s3.UnderlayName, "");
  EXPECT_EQ(s3.PMapUnderlayPath, h3.UnderlaysOf("PMAPSERVER7"));
}

TEST_F(Discovery, MapNameRules) {
  host.InstallUiView("C:\\maps\\usa.v2.map");
  Discover();
  EXPECT_EQ(state.MapName, "usa");  // cut before the first "."
  FakeHost h2;
  h2.InstallUiView("C:\\maps\\NoExtension");
  HostState s2;
  s2.MapName = "old";
  DiscoverHost(h2.registry, s2);
  EXPECT_EQ(s2.MapName, "");  // a name without "." gives nothing
  FakeHost h3;
  h3.InstallUiView("D:xx!!Map.map");
  HostState s3;
  DiscoverHost(h3.registry, s3);
  EXPECT_EQ(s3.MapName, "!!Map");  // "!!" anywhere drops the first two characters
}

TEST_F(Discovery, WrongValueTypeEndsDiscoverySilently) {
  host.registry.SetNumber(RegRoot::CurrentUser, kUiViewRegistryKey, "Program Folder", 7);
  std::string pmap = host.InstallPMap("PMAPSERVER7", {.underlay = "radar.bmp"});
  state.MapName = "kept";
  Discover();
  EXPECT_EQ(state.MapName, "kept");
  EXPECT_EQ(state.PMapServerPath, "");  // the probes after the failure never ran

  // A bad class key only makes that one lookup empty.
  FakeHost h2;
  h2.registry.SetNumber(RegRoot::ClassesRoot, "PMAPSERVER7.clsMapServ\\Clsid", "", 1);
  std::string six = h2.InstallPMap("PMAPSERVER6", {.underlay = "radar.bmp"});
  HostState s2;
  DiscoverHost(h2.registry, s2);
  EXPECT_EQ(s2.PMapServerPath, six);
}

}  // namespace

namespace {

// A server name that finds no installation must not make discovery look
// for "PMap Underlays" in whatever folder the program was started from.
TEST(DiscoveryMend, NoServerFolderNeverProbesTheCurrentFolder) {
  ombrix::test::TempDir dir;
  std::filesystem::create_directories(dir / "PMap Underlays");
  ombrix::test::WriteFile(dir / "PMAPSERVER7.ini", "[SETUP]\r\nUNDERLAY=radar.bmp\r\n");
  auto saved = std::filesystem::current_path();
  std::filesystem::current_path(dir.Path());
  FakeRegistry empty;
  HostState state;
  DiscoverHost(empty, state);
  std::filesystem::current_path(saved);
  EXPECT_EQ(state.PMapUnderlayPath, "");
  EXPECT_EQ(state.UnderlayName, "");
}

}  // namespace
