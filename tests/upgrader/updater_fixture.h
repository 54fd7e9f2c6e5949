// The updater in process against the local test server (tests/server), with
// dialogs answered by real keys from another thread while the test's thread
// runs the program's loop. Downloads land beside the test program as .uTMP
// files, as they would beside Tallivo.exe.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "tests/driver/driver_win.h"
#include "ui/application_win.h"
#include "ui/form_binding.h"
#include "upgrader/updater_win.h"

namespace tallivo {

namespace drv = test;
namespace fs = std::filesystem;
using M = TupUpdaterShowMessage;

inline std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

inline std::string Http(const std::string& path) {
  return "http://127.0.0.1:" + Env("TALLIVO_HTTP_PORT") + path;
}

// Publishes `files` (name, content) under the server's folder `dir`.
inline void Publish(const std::string& dir, const std::vector<std::pair<std::string, std::string>>& files) {
  const fs::path root = fs::path(drv::Widen(Env("TALLIVO_SERVER_ROOT"))) / dir;
  fs::create_directories(root);
  for (const auto& [name, content] : files) std::ofstream(root / name, std::ios::binary) << content;
}

inline std::string Info(const std::string& version, const std::vector<std::string>& urls) {
  std::string text = "#version=" + version + "\r\n";
  for (std::size_t i = 0; i < urls.size(); ++i)
    text += "#url" + (i == 0 ? std::string() : std::to_string(i + 1)) + "=" + urls[i] + "\r\n";
  return text + "#message={Rounding fixed.}\r\n";
}

inline fs::path Beside(const std::string& name) {
  return fs::path(drv::Widen(drv::ExecutableDir())) / name;
}

// The texts of the message box or dialog `window` shows.
inline std::string Shown(HWND window) {
  std::string texts = drv::WindowText(window);
  for (HWND child : drv::ChildWindows(window)) texts += "|" + drv::WindowText(child);
  return texts;
}

// One step of a script: wait for a window of `className` with `caption`
// (empty: any), note what it shows, and press `keys` in it.
struct Step {
  const char* className;
  const char* caption;
  std::vector<const char*> keys;
  const char* waitEnabled = nullptr;  // a control to wait for before the keys
};

class UpdaterTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ui::Application().Initialize();
    ui::Application().SetTitle("Tallivo");
    RegisterUpgradeWindowClasses();
    SetLanguageBase(LanguageBaseOf(TupUpdaterLanguage::wlEnglish));
  }
  void SetUp() override {
    if (Env("TALLIVO_HTTP_PORT").empty())
      GTEST_SKIP() << "no test server: " << Env("TALLIVO_TEST_NET_UNAVAILABLE");
    updater_ = std::make_unique<TupUpdater>(nullptr);
    TupUpdater& u = *updater_;
    u.SetVersionControl(TupVersionControl::byNumber);
    u.SetVersionNumber("1.0.4.5");
    u.WizardSettings()->SetEnabled(false);
    u.OnNoUpdateAvailable = [this](TupUpdater*) { Note("no update"); };
    u.OnNoInfoFile = [this](TupUpdater*) { Note("no info file"); };
    u.OnHostUnreachable = [this](TupUpdater*, const std::string&, const std::string&) {
      Note("unreachable");
    };
    u.OnLaterUpgrade = [this](TupUpdater*) { Note("later"); };
    u.OnAborted = [this](TupUpdater*) { Note("aborted"); };
    u.OnConnLost = [this](TupUpdater*) { Note("connection lost"); };
    u.OnFileDone = [this](TupUpdater*, const std::string& name) {
      Note("done " + fs::path(drv::Widen(name)).filename().string());
    };
    u.OnEndUpgrade = [this](TupUpdater*, bool& restart) {
      restart = false;  // the finisher would replace this test program
      Note("end");
    };
  }
  void TearDown() override {
    updater_.reset();
    for (const auto& entry : fs::directory_iterator(Beside(""))) {
      if (entry.path().extension() == L".uTMP") fs::remove_all(entry.path());
    }
  }

  void Note(const std::string& event) { events_.push_back(event); }

  // Runs `start` and the program's loop until `last` is noted (or 60 s
  // pass), answering the windows of `script` in turn from another thread.
  void Run(const std::function<void()>& start, const std::string& last, const std::vector<Step>& script) {
    std::atomic<bool> scriptDone{script.empty()};
    std::thread actor([&] {
      for (const Step& step : script) {
        HWND window = drv::WaitForWindow({step.className, step.caption, GetCurrentProcessId(), true});
        if (!window) {
          shown_.push_back(std::string("(no ") + step.className + ")");
          break;
        }
        if (step.waitEnabled) {
          drv::WaitUntil([&] {
            return IsWindowEnabled(drv::FindChildById(window, ui::ControlIdFromName(step.waitEnabled)));
          });
        }
        shown_.push_back(Shown(window));
        drv::BringToForeground(window);
        drv::WaitForInputProcessed(window);
        for (const char* k : step.keys) drv::PressKeys(k);
        drv::WaitGone(window);
      }
      scriptDone = true;
    });
    const UINT_PTR tick = SetTimer(nullptr, 0, 50, nullptr);  // wakes the loop to look at the clock
    const ULONGLONG deadline = GetTickCount64() + 60000;
    start();
    ui::Application().RunModalLoop([&] {
      return (scriptDone && !events_.empty() && events_.back() == last) || GetTickCount64() > deadline;
    });
    KillTimer(nullptr, tick);
    actor.join();
  }

  std::unique_ptr<TupUpdater> updater_;
  std::vector<std::string> events_;
  std::vector<std::string> shown_;
};

inline constexpr const char* kBox = "#32770";
inline constexpr const char* kCaption = "Application update wizard";

}  // namespace tallivo
