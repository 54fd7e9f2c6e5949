// Hidden message-only windows that forward their messages to a C++ object,
// the process-wide report for exceptions caught at window procedures, and a
// hidden window shared by every user of one kind of component.
#pragma once

#include <windows.h>

#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <utility>

#include "ui/window_binding_win.h"

namespace tallivo::ui {

// Receives exceptions caught where they must not travel further (window
// procedures, thread entries, system callbacks).
using ExceptionReportHook = std::function<void(const std::exception&)>;

// Installs the hook that caught exceptions go to; an empty hook drops them.
void SetExceptionReportHook(ExceptionReportHook hook);

// Hands e to the installed hook; an exception from the hook itself is dropped.
void ReportCaughtException(const std::exception& e) noexcept;

// Reports an exception of a type not derived from std::exception.
void ReportCaughtUnknown() noexcept;

// Runs f and reports what it throws instead of passing it on; false if it threw.
template <class F>
bool CallReportingExceptions(F&& f) noexcept {
  try {
    std::forward<F>(f)();
    return true;
  } catch (const std::exception& e) {
    ReportCaughtException(e);
  } catch (...) {
    ReportCaughtUnknown();
  }
  return false;
}

// The object behind a MessageWindow.
class MessageHandler : public WindowReceiver {
 public:
  // Handles one message of `window`; may throw (the window procedure reports
  // the exception and answers 0).
  virtual LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) = 0;

 private:
  LRESULT ReceiveMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) final {
    return HandleMessage(window, message, wParam, lParam);
  }
};

// Owner of a hidden message-only window (parent HWND_MESSAGE). Create, use and
// destroy it on one thread: the window belongs to the thread that created it.
class MessageWindow {
 public:
  // Empty: owns no window.
  MessageWindow() noexcept = default;
  // Creates the window, registering `className` while windows of it exist;
  // every message goes to `handler`, which must outlive the window. The owner
  // is empty when creation fails.
  MessageWindow(std::wstring_view className, MessageHandler& handler);
  // Destroys the owned window as Reset does.
  ~MessageWindow();

  // Takes over other's window, leaving other empty.
  MessageWindow(MessageWindow&& other) noexcept
      : window_(std::exchange(other.window_, nullptr)), className_(std::move(other.className_)) {}
  // Destroys the owned window, then takes over other's.
  MessageWindow& operator=(MessageWindow&& other) noexcept;
  MessageWindow(const MessageWindow&) = delete;
  MessageWindow& operator=(const MessageWindow&) = delete;

  // The window, or nullptr when empty.
  HWND Handle() const noexcept { return window_; }
  // True when a window is owned.
  explicit operator bool() const noexcept { return window_ != nullptr; }
  // Destroys the window now; its handler sees none of the destruction messages.
  void Reset() noexcept;

 private:
  HWND window_ = nullptr;
  std::wstring className_;
};

// One Handler (normally a MessageHandler owning a MessageWindow) for the whole
// process, alive while it has users: the first Acquire creates it, the Release
// that takes the count to zero frees it, a later Acquire creates a new one. A
// handler that still exists when the program ends is freed with the statics.
// The count is locked; the window itself still belongs to the thread that made
// the first Acquire, so the last Release must run there too.
template <class Handler>
class SharedHiddenWindow {
 public:
  SharedHiddenWindow() = delete;

  // Adds a user, creating the handler for the first; valid until that user's Release.
  static Handler& Acquire() {
    std::lock_guard lock(mutex_);
    if (!instance_) instance_ = std::make_unique<Handler>();
    ++users_;
    return *instance_;
  }

  // Drops a user (never below zero); the last one frees the handler and its window.
  static void Release() noexcept {
    std::unique_ptr<Handler> last;
    {
      std::lock_guard lock(mutex_);
      if (users_ == 0) return;
      if (--users_ == 0) last = std::move(instance_);
    }
  }

  // The current handler, or nullptr while nobody uses one.
  static Handler* Instance() noexcept {
    std::lock_guard lock(mutex_);
    return instance_.get();
  }

  // Number of users.
  static unsigned Users() noexcept {
    std::lock_guard lock(mutex_);
    return users_;
  }

  // One user for as long as it lives.
  class Lease {
   public:
    // Acquires (may create the handler).
    Lease() : handler_(&Acquire()) {}
    // Releases (may free the handler).
    ~Lease() { Release(); }
    Lease(const Lease&) = delete;
    Lease& operator=(const Lease&) = delete;

    // The shared handler.
    Handler& operator*() const noexcept { return *handler_; }
    Handler* operator->() const noexcept { return handler_; }

   private:
    Handler* handler_;
  };

 private:
  static inline std::mutex mutex_;
  static inline std::unique_ptr<Handler> instance_;
  static inline unsigned users_ = 0;
};

}  // namespace tallivo::ui
