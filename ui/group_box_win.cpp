#include "ui/group_box_win.h"

#include "ui/text_win.h"

namespace tallivo::ui {

const ClassInfo& TGroupBox::StaticClass() {
  static const ClassInfo info(
      "TGroupBox", &TWinControl::StaticClass(), &Construct<TGroupBox>,
      {Property<TGroupBox>("Caption", &TGroupBox::Caption, &TGroupBox::SetCaption, std::string())});
  return info;
}

void TGroupBox::SetCaption(std::string v) {
  caption_ = std::move(v);
  if (HandleAllocated()) SetWindowTextW(Handle(), Widen(caption_).c_str());
}

void TGroupBox::FillCreateParams(CreateParams& params) {
  TWinControl::FillCreateParams(params);
  params.className = L"BUTTON";
  params.nativeClass = true;
  params.text = Widen(caption_);
  // Tab moves into the controls of the group, not onto the frame itself.
  params.style = (params.style & ~static_cast<DWORD>(WS_TABSTOP)) | BS_GROUPBOX | WS_CLIPCHILDREN;
  params.exStyle |= WS_EX_CONTROLPARENT;
}

LRESULT TGroupBox::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_ERASEBKGND: {
      // The native frame paints only its lines and caption; the inside is ours.
      RECT r;
      GetClientRect(Handle(), &r);
      FillRect(reinterpret_cast<HDC>(wParam), &r, BackgroundBrush());
      return 1;
    }
    case WM_PAINT: {
      const LRESULT result = TWinControl::WndProc(msg, wParam, lParam);
      WindowDc dc(Handle());
      for (const TWinControl* child : Controls()) child->PaintBehind(dc.Get());
      return result;
    }
    default:
      return TWinControl::WndProc(msg, wParam, lParam);
  }
}

}  // namespace tallivo::ui
