// The calculator's only permanent window: the euro / pound converter, the
// change calculator, the menus and the system hotkey.
#pragma once

#include "tray/tray_icon_win.h"
#include "ui/actions.h"
#include "ui/amount_edit_win.h"
#include "ui/button_win.h"
#include "ui/form_win.h"
#include "ui/group_box_win.h"
#include "ui/icon_win.h"
#include "ui/label_win.h"
#include "ui/menu_win.h"
#include "upgrader/updater_win.h"

namespace tallivo {

using ui::TComponent;

class TFmMain : public ui::TForm {
 public:
  explicit TFmMain(TComponent* owner) : TForm(owner) {}
  static const ui::ClassInfo& StaticClass();
  const ui::ClassInfo& Class() const override { return StaticClass(); }

  static constexpr int HotkeyId = 1;

  // The maker's web site, opened by File > Kelvor Website.
  const std::string& WebSite() const { return webSite_; }
  void SetWebSite(std::string v) { webSite_ = std::move(v); }

  // Unregisters the hotkey and ends the message loop.
  void TerminateProgram();

  ui::TLabel* Label1 = nullptr;
  ui::TLabel* Label2 = nullptr;
  ui::TCalcAmountEdit* CEuro = nullptr;
  ui::TCalcAmountEdit* CCyp = nullptr;
  ui::TGroupBox* GroupBox1 = nullptr;
  ui::TLabel* Label3 = nullptr;
  ui::TLabel* Label4 = nullptr;
  ui::TLabel* Label5 = nullptr;
  ui::TCurrencyAmountEdit* EdAmtEur = nullptr;
  ui::TCurrencyAmountEdit* EdPaidCYP = nullptr;
  ui::TCurrencyAmountEdit* EdChgEUR = nullptr;
  ui::TCurrencyAmountEdit* EdPaidEUR = nullptr;
  ui::TLabel* Label6 = nullptr;
  ui::TMainMenu* MainMenu1 = nullptr;
  ui::TMenuItem* File1 = nullptr;
  ui::TMenuItem* Minimise1 = nullptr;
  ui::TMenuItem* Terminate2 = nullptr;
  ui::TMenuItem* Help1 = nullptr;
  ui::TMenuItem* About1 = nullptr;
  ui::TButton* Button1 = nullptr;
  ui::TMenuItem* Helptopics1 = nullptr;
  ui::TMenuItem* KelvorWebsite1 = nullptr;
  ui::TMenuItem* N1 = nullptr;
  ui::TLabel* Label7 = nullptr;
  ui::TLabel* Label8 = nullptr;
  ui::TActionList* ActionList = nullptr;
  ui::TAction* ActFocusEuro = nullptr;
  ui::TAction* ActFocusCYP = nullptr;
  ui::TAction* ActFocusChgEur = nullptr;
  ui::TMenuItem* AutoUpdate1 = nullptr;
  TTrayIcon* TrayIcon = nullptr;
  ui::TImageList* ImgList = nullptr;
  ui::TPopupMenu* TrayPopup = nullptr;
  ui::TMenuItem* Show1 = nullptr;
  ui::TMenuItem* Hide1 = nullptr;
  ui::TMenuItem* erminate1 = nullptr;
  TupUpdater* AutoUpd = nullptr;

 protected:
  LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

 private:
  void FormCreate(TComponent* sender);
  void FormDestroy(TComponent* sender);
  void FormClose(TComponent* sender, ui::TCloseAction& action);
  void FormPaint(TComponent* sender);
  void WMHotKey(WPARAM id);
  void CEuroPropertiesChange(TComponent* sender);
  void CCypPropertiesChange(TComponent* sender);
  void EdAmtEurPropertiesChange(TComponent* sender);
  void EdPaidCYPPropertiesChange(TComponent* sender);
  void EdPaidEURPropertiesChange(TComponent* sender);
  void EdChgEURPropertiesChange(TComponent* sender);
  void EdAmtEurPropertiesEditValueChanged(TComponent* sender);
  void EdPaidCYPPropertiesEditValueChanged(TComponent* sender);
  void EdPaidEURPropertiesEditValueChanged(TComponent* sender);
  void Minimise1Click(TComponent* sender);
  void Button1Click(TComponent* sender);
  void Terminate2Click(TComponent* sender);
  void KelvorWebsite1Click(TComponent* sender);
  void AutoUpdate1Click(TComponent* sender);
  void Helptopics1Click(TComponent* sender);
  void About1Click(TComponent* sender);
  void ActFocusEuroExecute(TComponent* sender);
  void ActFocusCYPExecute(TComponent* sender);
  void ActFocusChgEurExecute(TComponent* sender);
  void Show1Click(TComponent* sender);
  void Hide1Click(TComponent* sender);
  void erminate1Click(TComponent* sender);
  void ChangeCalculatorInput(ui::TCurrencyAmountEdit& field);
  void ResetToZero(ui::TCurrencyAmountEdit& field);

  std::string webSite_;
  // "-i" hides the window at its first paint, so it is drawn once first.
  bool FirstPaintDone = false;
};

// Every class the program's stored forms may name.
void RegisterFormClasses();

}  // namespace tallivo
