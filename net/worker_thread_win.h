// Runs one piece of work on a background thread and reports back to the main
// thread: TupCustomThread, a component, owns the current TupEventThread, which
// wraps one system thread and carries the work's three handlers. Every
// StartWork runs the work on a fresh thread.
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <memory>
#include <vector>

#include "base/handles_win.h"
#include "ui/component.h"
#include "ui/message_window_win.h"
#include "ui/thread_call_win.h"

namespace tallivo {

enum class TThreadPriority { tpIdle, tpLowest, tpLower, tpNormal, tpHigher, tpHighest, tpTimeCritical };

class TupCustomThread;
using TupThreadEvent = std::function<void(TupCustomThread* sender)>;
using TupWaitTimeoutEvent = std::function<void(TupCustomThread* sender, bool& terminate)>;

// The hidden window, one per process while thread objects exist, through
// which workers run calls on the main thread.
class TupThreadWindow : public ui::ThreadCallWindow {
 public:
  static constexpr UINT kThreadSync = 0x8FFF;
  TupThreadWindow() : ThreadCallWindow(L"TupThreadWindow", kThreadSync) {}
};
using SharedThreadWindow = ui::SharedHiddenWindow<TupThreadWindow>;

// One system thread, created suspended, and the handlers of its work. Create
// and destroy it on the main thread.
class TupEventThread {
 public:
  explicit TupEventThread(TupCustomThread& owner);
  // Asks the work to stop and waits for the thread to end, serving the calls
  // it makes meanwhile; a thread never started is started only to end at once.
  ~TupEventThread();
  TupEventThread(const TupEventThread&) = delete;
  TupEventThread& operator=(const TupEventThread&) = delete;

  // Runs `method` on the main thread and returns once it has run. What it
  // throws comes back here only when the owner does not catch exceptions.
  void CallInMainThread(const std::function<void()>& method);
  void SuspendWork();
  void ResumeWork();
  bool IsSuspended() const { return isSuspended_; }
  void SetIsSuspended(bool v);
  // The soft stop: the work is expected to poll StopRequested.
  void StopWork() { stopRequested_ = true; }
  // Waits for the thread to end (serving sent messages on the main thread);
  // its exit code.
  DWORD WaitUntilEnded();
  TThreadPriority WorkPriority() const;
  void SetWorkPriority(TThreadPriority v);
  bool Running() const { return running_; }
  bool StopRequested() const { return stopRequested_; }
  HANDLE ThreadHandle() const { return thread_.Get(); }
  DWORD ThreadIdent() const { return threadId_; }
  // True once the thread has ended.
  bool Ended() const;
  // True while the main thread runs a call this thread is blocked in.
  bool InMainThreadCall() const { return inMainThreadCall_; }

  // Leaves this thread to end by itself, never to call a handler again, and
  // returns a fresh suspended copy with the same handlers and priority.
  std::unique_ptr<TupEventThread> Recreate();

  TupThreadEvent OnExecute;
  TupThreadEvent OnException;
  TupThreadEvent OnFinish;

 private:
  friend class TupCustomThread;
  static DWORD WINAPI WorkerThreadMain(LPVOID self);
  // On the worker: clears Running and unwinds to the entry point.
  [[noreturn]] void EndFromWithin();
  void Work();
  void Finish();

  TupCustomThread& owner_;
  SharedThreadWindow::Lease window_;
  UniqueThreadHandle thread_;
  DWORD threadId_ = 0;
  bool isSuspended_ = true;
  std::atomic<bool> stopRequested_{false};
  std::atomic<bool> running_{false};
  // Stopped at once: its handlers and its calls into the main thread are over.
  std::atomic<bool> abandoned_{false};
  // Main thread only.
  bool inMainThreadCall_ = false;
};

class TupCustomThread : public ui::TComponent {
 public:
  // Longest an immediate stop waits for the stopped thread to end before it
  // leaves it to end in the background.
  static constexpr DWORD kStopWait = 5000;

  explicit TupCustomThread(ui::TComponent* owner);
  ~TupCustomThread() override;
  static const ui::ClassInfo& StaticClass();
  const ui::ClassInfo& Class() const override { return StaticClass(); }

  // Runs the work on a fresh thread; with WaitForThread, returns once it has
  // ended (true) or the wait timed out and was ended (false).
  bool StartWork();
  void SuspendWork();
  // Soft: sets StopRequested. Immediately: the work's handlers are over, the
  // thread is left to end by itself (its owner makes blocking calls return)
  // and a fresh suspended thread takes its place. Called by the work on its
  // own thread, it unwinds that thread at once, without OnFinish.
  void StopWork(bool immediately);
  // Nothing while the owner is being destroyed.
  void CallInMainThread(const std::function<void()>& method);

  bool IsSuspended() const;
  void SetIsSuspended(bool v);
  bool CatchExceptions() const { return catchExceptions_; }
  void SetCatchExceptions(bool v) { catchExceptions_ = v; }
  bool WaitForThread() const { return waitForThread_; }
  void SetWaitForThread(bool v) { waitForThread_ = v; }
  DWORD WaitTimeout() const { return waitTimeout_; }
  void SetWaitTimeout(DWORD v) { waitTimeout_ = v; }
  TThreadPriority WorkPriority() const { return thread_->WorkPriority(); }
  void SetWorkPriority(TThreadPriority v) { thread_->SetWorkPriority(v); }
  // Asked from a worker, these are about that worker's own run, which may
  // have been stopped and replaced meanwhile.
  bool Running() const;
  bool StopRequested() const;

  const TupThreadEvent& OnExecute() const { return thread_->OnExecute; }
  void SetOnExecute(TupThreadEvent v) { thread_->OnExecute = std::move(v); }
  const TupThreadEvent& OnException() const { return thread_->OnException; }
  void SetOnException(TupThreadEvent v) { thread_->OnException = std::move(v); }
  const TupThreadEvent& OnFinish() const { return thread_->OnFinish; }
  void SetOnFinish(TupThreadEvent v) { thread_->OnFinish = std::move(v); }
  TupWaitTimeoutEvent OnWaitTimeout;

  // The current thread object (for tests and the transfer component).
  TupEventThread* Thread() const { return thread_.get(); }

 protected:
  void Loaded() override;

 private:
  void Replace();
  void ReapStopped();

  DWORD mainThreadId_;
  std::unique_ptr<TupEventThread> thread_;
  // Threads stopped at once that had not ended yet; kept until they have.
  std::vector<std::unique_ptr<TupEventThread>> stopping_;
  bool isSuspended_ = true;
  bool catchExceptions_ = true;
  bool waitForThread_ = false;
  DWORD waitTimeout_ = 0;
};

}  // namespace tallivo
