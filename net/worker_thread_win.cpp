#include "net/worker_thread_win.h"

#include <iterator>
#include <stdexcept>
#include <utility>

#include "ui/application_win.h"

namespace tallivo {
namespace {

// Unwinds a worker that stopped itself at once; only its entry point catches it.
struct ThreadStopped {};

// The thread object whose work runs on this thread, if any.
thread_local TupEventThread* tCurrent = nullptr;

constexpr int kPriorities[] = {THREAD_PRIORITY_IDLE,         THREAD_PRIORITY_LOWEST,
                               THREAD_PRIORITY_BELOW_NORMAL, THREAD_PRIORITY_NORMAL,
                               THREAD_PRIORITY_ABOVE_NORMAL, THREAD_PRIORITY_HIGHEST,
                               THREAD_PRIORITY_TIME_CRITICAL};

}  // namespace

// ---- The thread object -----------------------------------------------------------------------------

TupEventThread::TupEventThread(TupCustomThread& owner) : owner_(owner) {
  thread_.Reset(CreateThread(nullptr, 0, WorkerThreadMain, this, CREATE_SUSPENDED, &threadId_));
  if (!thread_) throw std::runtime_error("cannot create a thread");
}

TupEventThread::~TupEventThread() {
  stopRequested_ = true;
  // A thread that never ran is let run, to see the stop and end at once. The
  // wait is unconditional: a thread just resumed may not be Running yet, and
  // it still uses this object.
  if (isSuspended_) {
    while (ResumeThread(thread_.Get()) > 1) {
    }
  }
  WaitUntilEnded();
}

void TupEventThread::CallInMainThread(const std::function<void()>& method) {
  // A run stopped at once calls nothing any more.
  if (abandoned_) return;
  try {
    window_->Call([&] {
      if (abandoned_ || owner_.Destroying()) return;
      inMainThreadCall_ = true;
      try {
        method();
      } catch (...) {
        inMainThreadCall_ = false;
        throw;
      }
      inMainThreadCall_ = false;
    });
  } catch (...) {
    if (!owner_.CatchExceptions()) throw;
  }
}

void TupEventThread::SuspendWork() {
  isSuspended_ = true;
  SuspendThread(thread_.Get());
}

void TupEventThread::ResumeWork() {
  if (ResumeThread(thread_.Get()) == 1) isSuspended_ = false;
}

void TupEventThread::SetIsSuspended(bool v) {
  if (v == isSuspended_) return;
  if (v) {
    SuspendWork();
  } else {
    ResumeWork();
  }
}

DWORD TupEventThread::WaitUntilEnded() {
  if (GetCurrentThreadId() == window_->ThreadId()) {
    ui::WaitServingSentMessages(thread_.Get(), INFINITE);
  } else {
    WaitForSingleObject(thread_.Get(), INFINITE);
  }
  DWORD code = 0;
  GetExitCodeThread(thread_.Get(), &code);
  return code;
}

bool TupEventThread::Ended() const {
  return WaitForSingleObject(thread_.Get(), 0) == WAIT_OBJECT_0;
}

TThreadPriority TupEventThread::WorkPriority() const {
  const int priority = GetThreadPriority(thread_.Get());
  for (std::size_t i = 0; i < std::size(kPriorities); ++i) {
    if (kPriorities[i] == priority) return static_cast<TThreadPriority>(i);
  }
  return TThreadPriority::tpNormal;
}

void TupEventThread::SetWorkPriority(TThreadPriority v) {
  SetThreadPriority(thread_.Get(), kPriorities[static_cast<std::size_t>(v)]);
}

std::unique_ptr<TupEventThread> TupEventThread::Recreate() {
  auto fresh = std::make_unique<TupEventThread>(owner_);
  fresh->SetWorkPriority(WorkPriority());
  fresh->OnFinish = OnFinish;
  fresh->OnExecute = OnExecute;
  fresh->OnException = OnException;
  // Not killed: TerminateThread could leave the heap's or WinInet's locks
  // held. The work's blocking calls are made to return by its owner; from
  // here on it calls no handler and nothing on the main thread.
  abandoned_ = true;
  stopRequested_ = true;
  if (isSuspended_) {
    while (ResumeThread(thread_.Get()) > 1) {
    }
    isSuspended_ = false;
  }
  return fresh;
}

DWORD WINAPI TupEventThread::WorkerThreadMain(LPVOID param) {
  auto* self = static_cast<TupEventThread*>(param);
  tCurrent = self;
  // Nothing may leave a thread's entry point: what the work lets through is
  // reported, on the main thread.
  if (self->stopRequested_) return 0;
  self->running_ = true;
  try {
    self->Work();
  } catch (const ThreadStopped&) {
    return 0;
  } catch (...) {
    ui::CallReportingExceptions([] { throw; });
  }
  try {
    self->Finish();
  } catch (const ThreadStopped&) {
    return 0;
  } catch (...) {
    ui::CallReportingExceptions([] { throw; });
  }
  self->running_ = false;
  return 0;
}

void TupEventThread::Work() {
  if (!OnExecute || abandoned_) return;
  if (!owner_.CatchExceptions()) {
    OnExecute(&owner_);
    return;
  }
  try {
    OnExecute(&owner_);
  } catch (const ThreadStopped&) {
    throw;
  } catch (...) {
    if (OnException) CallInMainThread([this] { OnException(&owner_); });
  }
}

void TupEventThread::Finish() {
  if (!OnFinish) return;
  CallInMainThread([this] {
    if (!owner_.CatchExceptions()) {
      OnFinish(&owner_);
      return;
    }
    try {
      OnFinish(&owner_);
    } catch (...) {
      if (OnException) OnException(&owner_);
    }
  });
}

void TupEventThread::EndFromWithin() {
  running_ = false;
  throw ThreadStopped{};
}

// ---- The component ---------------------------------------------------------------------------------

TupCustomThread::TupCustomThread(ui::TComponent* owner)
    : TComponent(owner),
      mainThreadId_(GetCurrentThreadId()),
      thread_(std::make_unique<TupEventThread>(*this)) {}

TupCustomThread::~TupCustomThread() {
  if (Running()) StopWork(true);
  thread_.reset();
  // Each waits until its thread has ended: their owner has made them return.
  stopping_.clear();
}

const ui::ClassInfo& TupCustomThread::StaticClass() {
  static const ui::ClassInfo info("TupCustomThread", &TComponent::StaticClass(),
                                  &ui::Construct<TupCustomThread>, {});
  return info;
}

void TupCustomThread::Loaded() {
  thread_->SetIsSuspended(isSuspended_);
}

bool TupCustomThread::IsSuspended() const {
  return Loading() ? isSuspended_ : thread_->IsSuspended();
}

void TupCustomThread::SetIsSuspended(bool v) {
  isSuspended_ = v;
  if (!Loading()) thread_->SetIsSuspended(v);
}

bool TupCustomThread::StartWork() {
  StopWork(true);
  thread_->ResumeWork();
  if (!waitForThread_) return true;
  for (;;) {
    HANDLE handle = thread_->ThreadHandle();
    const DWORD result =
        MsgWaitForMultipleObjects(1, &handle, FALSE, waitTimeout_ ? waitTimeout_ : INFINITE, QS_ALLINPUT);
    if (result == WAIT_TIMEOUT) {
      bool terminate = true;
      if (OnWaitTimeout) OnWaitTimeout(this, terminate);
      if (terminate) StopWork(true);
      return !terminate;
    }
    // The worker's calls into this thread are served here.
    ui::Application().ProcessMessages();
    if (result != WAIT_OBJECT_0 + 1 || Destroying() || ui::Application().Terminated()) return true;
  }
}

bool TupCustomThread::Running() const {
  if (tCurrent && GetCurrentThreadId() != mainThreadId_) return tCurrent->Running();
  return thread_ && thread_->Running();
}

bool TupCustomThread::StopRequested() const {
  if (tCurrent && GetCurrentThreadId() != mainThreadId_) return tCurrent->StopRequested();
  return thread_ && thread_->StopRequested();
}

void TupCustomThread::SuspendWork() {
  if (thread_) thread_->SuspendWork();
}

void TupCustomThread::StopWork(bool immediately) {
  if (!thread_) return;
  if (!immediately) {
    thread_->StopWork();
    return;
  }
  if (GetCurrentThreadId() != mainThreadId_) {
    // The work stops itself: it unwinds, leaving its thread object current.
    if (tCurrent) tCurrent->EndFromWithin();
    return;
  }
  std::unique_ptr<TupEventThread> stopped = std::exchange(thread_, thread_->Recreate());
  ReapStopped();
  // Whatever it was doing, it now only has to return: give it a moment. A
  // thread whose call into this one we are inside (a new start from its
  // OnFinish) cannot end before we return: do not wait for it.
  if (stopped->InMainThreadCall() ||
      ui::WaitServingSentMessages(stopped->ThreadHandle(), kStopWait) != WAIT_OBJECT_0) {
    stopping_.push_back(std::move(stopped));
  }
}

void TupCustomThread::ReapStopped() {
  std::erase_if(stopping_, [](const std::unique_ptr<TupEventThread>& t) { return t->Ended(); });
}

void TupCustomThread::CallInMainThread(const std::function<void()>& method) {
  if (Owner() && Owner()->Destroying()) return;
  // A worker calls through its own thread object: one stopped at once and
  // replaced calls nothing any more.
  TupEventThread* thread = thread_.get();
  if (tCurrent && &tCurrent->owner_ == this && GetCurrentThreadId() != mainThreadId_) thread = tCurrent;
  thread->CallInMainThread(method);
}

}  // namespace tallivo
