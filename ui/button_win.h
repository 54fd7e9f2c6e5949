// A push button; "&" in the caption marks its Alt mnemonic.
#pragma once

#include <functional>

#include "ui/form_win.h"

namespace tallivo::ui {

class TButton : public TWinControl {
 public:
  explicit TButton(TComponent* owner);
  static const ClassInfo& StaticClass();
  const ClassInfo& Class() const override { return StaticClass(); }

  const std::string& Caption() const { return caption_; }
  void SetCaption(std::string v);
  bool Default() const { return default_; }
  void SetDefault(bool v) { default_ = v; }
  bool Cancel() const { return cancel_; }
  void SetCancel(bool v) { cancel_ = v; }
  TModalResult ModalResult() const { return modalResult_; }
  void SetModalResult(TModalResult v) { modalResult_ = v; }

  // Runs OnClick and, when set, hands ModalResult to the form.
  virtual void Click();

  std::function<void(TComponent*)> OnClick;

 protected:
  void FillCreateParams(CreateParams& params) override;
  bool ReflectCommand(WORD code) override;

 private:
  std::string caption_;
  bool default_ = false;
  bool cancel_ = false;
  TModalResult modalResult_ = mrNone;
};

}  // namespace tallivo::ui
