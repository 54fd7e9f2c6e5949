#include "ui/button_win.h"

#include "ui/form_win.h"
#include "ui/text_win.h"

namespace tallivo::ui {

TButton::TButton(TComponent* owner) : TWinControl(owner) {
  SetTabStop(true);
}

const ClassInfo& TButton::StaticClass() {
  static const ClassInfo info(
      "TButton", &TWinControl::StaticClass(), &Construct<TButton>,
      {
          Property<TButton>("Cancel", &TButton::Cancel, &TButton::SetCancel, false),
          Property<TButton>("Caption", &TButton::Caption, &TButton::SetCaption, std::string()),
          Property<TButton>("Default", &TButton::Default, &TButton::SetDefault, false),
          Property<TButton>("ModalResult", &TButton::ModalResult, &TButton::SetModalResult, mrNone),
          Property<TButton>("TabStop", &TButton::TabStop, &TButton::SetTabStop, true),
          EventProperty<TButton>("OnClick", &TButton::OnClick),
      });
  return info;
}

void TButton::SetCaption(std::string v) {
  caption_ = std::move(v);
  if (HandleAllocated()) SetWindowTextW(Handle(), Widen(caption_).c_str());
}

void TButton::FillCreateParams(CreateParams& params) {
  TWinControl::FillCreateParams(params);
  params.className = L"BUTTON";
  params.nativeClass = true;
  params.text = Widen(caption_);
  params.style |= default_ ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
}

bool TButton::ReflectCommand(WORD code) {
  if (code != BN_CLICKED) return false;
  Click();
  return true;
}

void TButton::Click() {
  if (modalResult_ != mrNone) {
    if (TForm* form = ParentForm()) form->SetModalResult(modalResult_);
  }
  if (OnClick) OnClick(this);
}

}  // namespace tallivo::ui
