// Calls from a worker into the main thread, with what they throw carried
// back, and the application's exception report from any thread.
#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "base/handles_win.h"
#include "tests/driver/driver_win.h"
#include "ui/application_win.h"
#include "ui/thread_call_win.h"

namespace tallivo::ui {
namespace {

constexpr UINT kCallMessage = WM_APP + 7;
constexpr wchar_t kClass[] = L"TallivoThreadCallTest";

struct Custom {
  int code;
};

DWORD WINAPI RunWork(LPVOID work) {
  (*static_cast<const std::function<void()>*>(work))();
  return 0;
}

// Runs `work` on a new thread while this one waits serving sent messages.
void OnWorker(const std::function<void()>& work) {
  const UniqueThreadHandle thread(
      CreateThread(nullptr, 0, RunWork, const_cast<std::function<void()>*>(&work), 0, nullptr));
  ASSERT_TRUE(thread);
  ASSERT_EQ(WaitServingSentMessages(thread.Get(), 15000), WAIT_OBJECT_0);
}

TEST(ThreadCall, RunsOnTheWindowsThreadAndCarriesBackWhatItThrew) {
  const ThreadCallWindow calls(kClass, kCallMessage);
  const DWORD main = GetCurrentThreadId();
  struct Case {
    const char* name;
    std::function<void()> call;
    std::function<void()> check;  // run on the worker with the call's exception
  };
  DWORD ranOn = 0;
  const std::vector<Case> cases = {
      {"returns", [&] { ranOn = GetCurrentThreadId(); }, [] {}},
      {"std::runtime_error", [] { throw std::runtime_error("refused"); },
       [] {
         try {
           throw;
         } catch (const std::runtime_error& e) {
           EXPECT_STREQ(e.what(), "refused");
         }
       }},
      {"a type of its own", [] { throw Custom{7}; },
       [] {
         try {
           throw;
         } catch (const Custom& c) {
           EXPECT_EQ(c.code, 7);
         }
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    bool threw = false;
    OnWorker([&] {
      try {
        calls.Call(c.call);
      } catch (...) {
        threw = true;
        c.check();
      }
    });
    EXPECT_EQ(threw, std::string(c.name) != "returns");
  }
  EXPECT_EQ(ranOn, main);
  // On its own thread the call runs at once.
  calls.Call([&] { ranOn = 0; });
  EXPECT_EQ(ranOn, 0u);
}

TEST(ThreadCall, ACallWithNoWindowToRunItFailsInsteadOfHanging) {
  auto calls = std::make_unique<ThreadCallWindow>(kClass, kCallMessage);
  const HWND window = calls->Handle();
  ASSERT_NE(window, nullptr);
  DestroyWindow(window);  // as if its thread had gone
  bool ran = false;
  std::string error;
  OnWorker([&] {
    try {
      calls->Call([&] { ran = true; });
    } catch (const std::runtime_error& e) {
      error = e.what();
    }
  });
  EXPECT_FALSE(ran);
  EXPECT_FALSE(error.empty());
}

TEST(ThreadCall, PostedCallsRunLaterAndAreFreedWhenDropped) {
  auto token = std::make_shared<int>(0);
  {
    const ThreadCallWindow calls(kClass, kCallMessage);
    std::thread worker([&] { EXPECT_TRUE(calls.Post([token] { ++*token; })); });
    worker.join();
    EXPECT_TRUE(test::PumpUntil([&] { return *token == 1; }));
    EXPECT_TRUE(calls.Post([token] { ++*token; }));
    EXPECT_EQ(token.use_count(), 2);
  }
  // The window went with a call still queued: dropped, not run, not leaked.
  EXPECT_EQ(*token, 1);
  EXPECT_EQ(token.use_count(), 1);
}

TEST(ThreadCall, TheWaitServesSentMessagesButLeavesPostedOnesQueued) {
  const HANDLE never = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  ASSERT_TRUE(PostThreadMessageW(GetCurrentThreadId(), WM_APP + 9, 0, 0));
  EXPECT_EQ(WaitServingSentMessages(never, 50), static_cast<DWORD>(WAIT_TIMEOUT));
  MSG msg;
  EXPECT_TRUE(PeekMessageW(&msg, nullptr, WM_APP + 9, WM_APP + 9, PM_REMOVE));
  CloseHandle(never);
}

TEST(ExceptionReport, AWorkersReportReachesTheMainThread) {
  Application().Initialize();
  DWORD reportedOn = 0;
  std::string reported;
  Application().OnException = [&](const std::string& message) {
    reportedOn = GetCurrentThreadId();
    reported = message;
  };
  std::thread worker([] { ReportCaughtException(std::runtime_error("from a worker")); });
  worker.join();
  EXPECT_TRUE(test::PumpUntil([&] { return !reported.empty(); }));
  EXPECT_EQ(reported, "from a worker");
  EXPECT_EQ(reportedOn, GetCurrentThreadId());
  Application().OnException = nullptr;
}

}  // namespace
}  // namespace tallivo::ui
