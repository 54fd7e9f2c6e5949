// The system's progress bar.
#pragma once

#include "ui/control_win.h"

namespace tallivo::ui {

class TProgressBar : public TWinControl {
 public:
  explicit TProgressBar(TComponent* owner) : TWinControl(owner) {}
  static const ClassInfo& StaticClass();
  const ClassInfo& Class() const override { return StaticClass(); }

  int Min() const { return min_; }
  void SetMin(int v);
  int Max() const { return max_; }
  void SetMax(int v);
  // Kept within Min and Max.
  int Position() const { return position_; }
  void SetPosition(int v);

 protected:
  void FillCreateParams(CreateParams& params) override;
  void HandleCreated() override;

 private:
  int min_ = 0;
  int max_ = 100;
  int position_ = 0;
};

}  // namespace tallivo::ui
