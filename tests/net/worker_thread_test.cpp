// The worker thread component in process: where each handler runs, what a
// stop does to a run, and that nothing is left behind.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <vector>

#include "net/worker_thread_win.h"
#include "tests/driver/driver_win.h"
#include "ui/application_win.h"

namespace tallivo {
namespace {

// What the handlers saw, in order, and on which thread.
struct Log {
  std::vector<std::string> events;
  std::atomic<DWORD> executeThread{0};
  DWORD finishThread = 0;
  DWORD exceptionThread = 0;

  void Wire(TupCustomThread& thread, std::function<void()> work = {}) {
    thread.SetOnExecute([this, work](TupCustomThread*) {
      executeThread = GetCurrentThreadId();
      if (work) work();
    });
    thread.SetOnFinish([this](TupCustomThread*) {
      finishThread = GetCurrentThreadId();
      events.push_back("finish");
    });
    thread.SetOnException([this](TupCustomThread*) {
      exceptionThread = GetCurrentThreadId();
      events.push_back("exception");
    });
  }
};

class WorkerThread : public ::testing::Test {
 protected:
  void SetUp() override {
    ui::Application().Initialize();
    ASSERT_EQ(SharedThreadWindow::Users(), 0u);
  }
  void TearDown() override {
    // The hidden window goes with the last thread object, and its class too.
    EXPECT_EQ(SharedThreadWindow::Users(), 0u);
    // Only this process's: a Tallivo of a suite running meanwhile has its own.
    for (HWND w = nullptr; (w = FindWindowExW(HWND_MESSAGE, w, L"TupThreadWindow", nullptr)) != nullptr;) {
      DWORD owner = 0;
      GetWindowThreadProcessId(w, &owner);
      EXPECT_NE(owner, GetCurrentProcessId()) << "the hidden window outlived its last thread object";
    }
    WNDCLASSEXW info{};
    info.cbSize = sizeof info;
    EXPECT_FALSE(GetClassInfoExW(ui::WindowClassModule(), L"TupThreadWindow", &info));
  }
};

TEST_F(WorkerThread, TheWorkRunsOnAWorkerAndItsEndIsToldOnTheMainThread) {
  struct Case {
    const char* name;
    std::function<void()> work;
    bool throwInFinish;
    std::vector<std::string> events;
  };
  const std::vector<Case> cases = {
      {"plain", {}, false, {"finish"}},
      {"work throws", [] { throw std::runtime_error("work"); }, false, {"exception", "finish"}},
      {"finish throws", {}, true, {"finish", "exception"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TupCustomThread thread(nullptr);
    Log log;
    log.Wire(thread, c.work);
    if (c.throwInFinish) {
      thread.SetOnFinish([&](TupCustomThread*) {
        log.events.push_back("finish");
        throw std::runtime_error("finish");
      });
    }
    thread.SetWaitForThread(true);  // no time-out: returns once it has ended, OnFinish run
    EXPECT_TRUE(thread.StartWork());
    EXPECT_EQ(log.events, c.events);
    EXPECT_NE(log.executeThread.load(), GetCurrentThreadId());
    EXPECT_NE(log.executeThread.load(), 0u);
    for (DWORD on : {log.finishThread, log.exceptionThread}) {
      if (on) {
        EXPECT_EQ(on, GetCurrentThreadId());
      }
    }
    EXPECT_FALSE(thread.Running());
  }
}

TEST_F(WorkerThread, EveryStartIsAFreshThreadWithTheSameHandlersAndPriority) {
  TupCustomThread thread(nullptr);
  Log log;
  log.Wire(thread);
  thread.SetWorkPriority(TThreadPriority::tpLowest);
  const DWORD constructed = thread.Thread()->ThreadIdent();
  thread.SetWaitForThread(true);
  std::vector<DWORD> ran;
  for (int i = 0; i < 3; ++i) {
    ASSERT_TRUE(thread.StartWork());
    ran.push_back(log.executeThread);
    EXPECT_EQ(thread.WorkPriority(), TThreadPriority::tpLowest);
  }
  EXPECT_NE(ran[0], constructed);
  EXPECT_NE(ran[0], ran[1]);
  EXPECT_NE(ran[1], ran[2]);
  EXPECT_EQ(log.events, (std::vector<std::string>{"finish", "finish", "finish"}));
}

// The old run is not killed: it is told to stop, calls nothing any more, and
// ends by itself once what blocked it returns.
TEST_F(WorkerThread, StartingAgainLeavesTheOldRunToEndWithoutItsFinish) {
  TupCustomThread thread(nullptr);
  Log log;
  const UniqueKernelHandle release(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  std::atomic<int> started{0};
  std::atomic<int> returned{0};
  log.Wire(thread, [&] {
    if (++started == 1) {
      WaitForSingleObject(release.Get(), 15000);  // a blocking call the owner makes return
      ++returned;
    }
  });
  ASSERT_TRUE(thread.StartWork());
  ASSERT_TRUE(test::WaitUntil([&] { return started == 1; }));
  SetEvent(release.Get());
  ASSERT_TRUE(thread.StartWork());
  EXPECT_EQ(returned, 1) << "the old run went on to its end";
  thread.Thread()->WaitUntilEnded();  // serves the new run's calls
  EXPECT_EQ(started, 2);
  EXPECT_FALSE(thread.Running());
  EXPECT_EQ(log.events, std::vector<std::string>{"finish"}) << "only the second run finished";
}

TEST_F(WorkerThread, AWorkThatStopsItselfUnwindsWithoutItsFinish) {
  TupCustomThread thread(nullptr);
  Log log;
  std::atomic<bool> unwound{false};
  std::atomic<bool> goneOn{false};
  struct Unwound {
    std::atomic<bool>& flag;
    ~Unwound() { flag = true; }
  };
  log.Wire(thread, [&] {
    const Unwound guard{unwound};
    thread.StopWork(true);
    goneOn = true;
  });
  thread.SetWaitForThread(true);
  EXPECT_TRUE(thread.StartWork());
  EXPECT_TRUE(unwound);
  EXPECT_FALSE(goneOn);
  EXPECT_FALSE(thread.Running());
  EXPECT_TRUE(log.events.empty());
  // The next start is an ordinary one.
  log.Wire(thread);
  EXPECT_TRUE(thread.StartWork());
  EXPECT_EQ(log.events, std::vector<std::string>{"finish"});
}

TEST_F(WorkerThread, AWaitThatTimesOutAsksWhetherToStop) {
  struct Case {
    const char* name;
    bool hasHandler;
    bool answer;
    bool started;
  };
  for (const Case& c : {Case{"no handler: stopped", false, true, false}, Case{"stopped", true, true, false},
                        Case{"let run", true, false, true}}) {
    SCOPED_TRACE(c.name);
    TupCustomThread thread(nullptr);
    Log log;
    const UniqueKernelHandle release(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    // A work that looks at its stop flag while it waits.
    log.Wire(thread, [&] {
      while (!thread.StopRequested() && WaitForSingleObject(release.Get(), 5) == WAIT_TIMEOUT) {
      }
    });
    thread.SetWaitForThread(true);
    thread.SetWaitTimeout(50);
    int asked = 0;
    if (c.hasHandler) {
      thread.OnWaitTimeout = [&](TupCustomThread* sender, bool& terminate) {
        EXPECT_EQ(sender, &thread);
        EXPECT_TRUE(terminate) << "asked with the default answer";
        ++asked;
        terminate = c.answer;
      };
    }
    EXPECT_EQ(thread.StartWork(), c.started);
    EXPECT_EQ(asked, c.hasHandler ? 1 : 0);
    EXPECT_EQ(thread.Running(), c.started);
    SetEvent(release.Get());
    if (c.started) thread.Thread()->WaitUntilEnded();
    EXPECT_EQ(log.events.size(), c.started ? 1u : 0u);
  }
}

TEST_F(WorkerThread, HundredsOfRunsLeaveNoHandlesBehind) {
  TupCustomThread thread(nullptr);
  Log log;
  log.Wire(thread);
  thread.SetWaitForThread(true);
  const auto handles = [] {
    DWORD count = 0;
    GetProcessHandleCount(GetCurrentProcess(), &count);
    return count;
  };
  for (int i = 0; i < 20; ++i) ASSERT_TRUE(thread.StartWork());
  const DWORD before = handles();
  for (int i = 0; i < 500; ++i) ASSERT_TRUE(thread.StartWork());
  EXPECT_LE(handles(), before + 2);
  EXPECT_EQ(log.events.size(), 520u);
}

}  // namespace
}  // namespace tallivo
