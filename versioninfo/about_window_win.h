// The About box: the program's name, file version and copyright, read from
// the running executable, with the maker's name and contact line.
#pragma once

#include "ui/bit_btn_win.h"
#include "ui/form_win.h"
#include "ui/label_win.h"
#include "ui/panel_win.h"
#include "ui/side_label_win.h"

namespace tallivo {

class TFmAbout : public ui::TForm {
 public:
  explicit TFmAbout(ui::TComponent* owner) : TForm(owner) {}
  static const ui::ClassInfo& StaticClass();
  const ui::ClassInfo& Class() const override { return StaticClass(); }

  ui::TLabel* LbPrgName = nullptr;
  ui::TLabel* Label1 = nullptr;
  ui::TLabel* Label2 = nullptr;
  ui::TLabel* LbFVersion = nullptr;
  ui::TLabel* LbCRight = nullptr;
  ui::TPanel* Panel1 = nullptr;
  ui::TLabel* Label3 = nullptr;
  ui::TLabel* Label4 = nullptr;
  ui::TLabel* Label5 = nullptr;
  ui::TSideLabel* SideLabel = nullptr;
  ui::TBitBtn* BitBtn1 = nullptr;

 private:
  void FormCreate(ui::TComponent* sender);
  void FormClose(ui::TComponent* sender, ui::TCloseAction& action);
  void BitBtn1Click(ui::TComponent* sender);
};

// Creates a new About box owned by `owner` and shows it modally; the box
// frees itself once closed. Throws if its stored form cannot be loaded.
void ShowAboutBox(ui::TComponent* owner);

// Registers every class the About box's stored form names.
void RegisterAboutClasses();

}  // namespace tallivo
