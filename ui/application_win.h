// The application object: title, help file, main window, message loop, and
// the standard report of exceptions that escape a handler.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ui/component.h"
#include "ui/thread_call_win.h"

namespace tallivo::ui {

class TForm;

class TApplication : public TComponent {
 public:
  TApplication();
  ~TApplication() override;

  static const ClassInfo& StaticClass();
  const ClassInfo& Class() const override { return StaticClass(); }

  // Common controls, the exception report; call once before forms exist.
  void Initialize();

  const std::string& Title() const { return title_; }
  void SetTitle(std::string v) { title_ = std::move(v); }
  const std::string& HelpFile() const { return helpFile_; }
  void SetHelpFile(std::string v) { helpFile_ = std::move(v); }
  // Full path of the running executable.
  std::string ExeName() const;
  // Command-line arguments after the program name.
  const std::vector<std::string>& Params() const { return params_; }

  // The first form created; owns the taskbar button.
  TForm* MainForm() const { return mainForm_; }
  bool ShowMainForm() const { return showMainForm_; }
  void SetShowMainForm(bool v) { showMainForm_ = v; }
  // The window that carries the taskbar button (the main form's).
  HWND Handle() const;

  // Creates a form owned by the application; the first becomes the main form.
  template <typename F>
  F* CreateForm() {
    F* form = TFormFactory<F>();
    if (!mainForm_) mainForm_ = form;
    return form;
  }

  // Shows the main form (unless told not to) and runs the message loop until Terminate.
  void Run();
  void Terminate();
  bool Terminated() const { return terminated_; }
  // Handles the messages now waiting, then returns.
  void ProcessMessages();
  // Handles only keyboard input, as it arrives, for `ms` milliseconds: keys
  // this thread sent to itself take effect before it goes on.
  void HandleKeysFor(DWORD ms);
  // Runs the loop until `done` says so or the application terminates.
  void RunModalLoop(const std::function<bool()>& done);
  void Minimize();
  // Restores the main form from its minimised state (only while minimised).
  void Restore();

  // Message box with the application title.
  int MessageBox(const std::string& text, const std::string& caption, UINT flags);
  // The standard report: OnException when set, else the message in a box;
  // the program goes on. From another thread the report is handed to the
  // main thread, without waiting: a worker never shows a box itself.
  void ShowException(const std::exception& e);
  // Told of each exception the standard report gets, on the main thread.
  std::function<void(const std::string& message)> OnException;
  // Runs `call` on the main thread and returns once it has run, rethrowing
  // what it threw; Initialize must have run on the main thread.
  void CallInMainThread(const std::function<void()>& call);
  // Shows help for a WinHelp-style command; true when a viewer was started.
  bool HelpCommand(UINT command, ULONG_PTR data);
  // Help is shown through this when set (the program decides what help it has).
  std::function<bool(UINT command, ULONG_PTR data)> OnHelp;

  // Hooks see every message of the main window before it does; returning
  // true claims the message with the given result.
  using MessageHook = std::function<bool(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result)>;
  int HookMainWindow(MessageHook hook);
  void UnhookMainWindow(int id);
  bool RunHooks(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);

 private:
  template <typename F>
  F* TFormFactory();
  bool HandleMessage(MSG& msg);

  std::string title_;
  std::string helpFile_;
  std::vector<std::string> params_;
  TForm* mainForm_ = nullptr;
  bool showMainForm_ = true;
  bool terminated_ = false;
  std::vector<std::pair<int, MessageHook>> hooks_;
  int nextHook_ = 1;
  DWORD mainThreadId_ = 0;
  std::unique_ptr<ThreadCallWindow> calls_;
};

// The process's application object.
TApplication& Application();

}  // namespace tallivo::ui

#include "ui/form_win.h"

namespace tallivo::ui {

template <typename F>
F* TApplication::TFormFactory() {
  return TForm::Create<F>(this);
}

}  // namespace tallivo::ui
