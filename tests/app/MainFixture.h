// A TMain on a fake clock, fake memory figures and an in-memory settings
// file, with AppDir in a fresh temporary folder.
#pragma once
#include <gtest/gtest.h>

#include <memory>

#include "app/ErrorLog.h"
#include "app/MemoryStatus.h"
#include "app/ProcessState.h"
#include "host/Discovery.h"
#include "support/FakeProfileFile.h"
#include "support/TempDir.h"
#include "ui/MainFrm.h"
#include "util/Clock.h"
#include "util/FakeEventLoop.h"

namespace ombrix::test {

class MainFixture : public ::testing::Test {
 protected:
  // 15 March 2023, 12:00:00 UTC; local time one hour ahead.
  FakeClock clock{45000.5, 1.0 / 24};
  ScopedClock useClock{clock};
  FakeEventLoop loop{clock};
  FakeMemoryStatus memory;
  ScopedMemoryStatus useMemory{memory};
  std::shared_ptr<FakeProfileStore> ini = std::make_shared<FakeProfileStore>();
  TempDir dir;
  int beeps = 0;
  std::unique_ptr<TMain> main;

  MainFixture() {
    ResetProcessState();
    Host = HostState{};
    memory.reading = {37, 6ull << 30, 3ull << 30, 8ull << 30, 5ull << 30, 2ull << 30, 1ull << 30};
  }
  ~MainFixture() override {
    main.reset();
    TheErrorLogConfig() = ErrorLogConfig{};
    ResetProcessState();
    Host = HostState{};
  }

  TMain& Make() {
    Platform p;
    p.loop = &loop;
    p.beep = [this] { ++beeps; };
    p.memory = &memory;
    p.openProfile = FakeProfileOpener(ini);
    main.reset();
    main = std::make_unique<TMain>(std::move(p), dir.Path());
    main->SettingsFile = dir / "Ombrix2.ini";
    return *main;
  }
  TMain& Start() {
    Make().FormCreate();
    return *main;
  }
  std::string Ini(const std::string& section, const std::string& key) {
    const std::string* v = ini->Value(section, key);
    return v ? *v : "<missing>";
  }
  std::string LogPath() const { return dir / ("R20230315ErrorLog.txt"); }
};

}  // namespace ombrix::test
