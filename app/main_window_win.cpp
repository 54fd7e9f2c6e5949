#include "app/main_window_win.h"

#include <shellapi.h>

#include "app/conversion.h"
#include "app/help_win.h"
#include "ui/application_win.h"
#include "ui/text_win.h"
#include "versioninfo/about_window_win.h"
#include "versioninfo/version_info_win.h"

namespace tallivo {

using ui::Application;

const ui::ClassInfo& TFmMain::StaticClass() {
  using ui::Field;
  using ui::Handler;
  using F = TFmMain;
  static const ui::ClassInfo info(
      "TFmMain", &TForm::StaticClass(), nullptr,
      {ui::Property<F>("WebSite", &F::WebSite, &F::SetWebSite, std::string())},
      {
          Handler("FormCreate", &F::FormCreate),
          Handler("FormDestroy", &F::FormDestroy),
          Handler("FormClose", &F::FormClose),
          Handler("FormPaint", &F::FormPaint),
          Handler("CEuroPropertiesChange", &F::CEuroPropertiesChange),
          Handler("CCypPropertiesChange", &F::CCypPropertiesChange),
          Handler("EdAmtEurPropertiesChange", &F::EdAmtEurPropertiesChange),
          Handler("EdPaidCYPPropertiesChange", &F::EdPaidCYPPropertiesChange),
          Handler("EdPaidEURPropertiesChange", &F::EdPaidEURPropertiesChange),
          Handler("EdChgEURPropertiesChange", &F::EdChgEURPropertiesChange),
          Handler("EdAmtEurPropertiesEditValueChanged", &F::EdAmtEurPropertiesEditValueChanged),
          Handler("EdPaidCYPPropertiesEditValueChanged", &F::EdPaidCYPPropertiesEditValueChanged),
          Handler("EdPaidEURPropertiesEditValueChanged", &F::EdPaidEURPropertiesEditValueChanged),
          Handler("Minimise1Click", &F::Minimise1Click),
          Handler("Button1Click", &F::Button1Click),
          Handler("Terminate2Click", &F::Terminate2Click),
          Handler("KelvorWebsite1Click", &F::KelvorWebsite1Click),
          Handler("AutoUpdate1Click", &F::AutoUpdate1Click),
          Handler("Helptopics1Click", &F::Helptopics1Click),
          Handler("About1Click", &F::About1Click),
          Handler("ActFocusEuroExecute", &F::ActFocusEuroExecute),
          Handler("ActFocusCYPExecute", &F::ActFocusCYPExecute),
          Handler("ActFocusChgEurExecute", &F::ActFocusChgEurExecute),
          Handler("Show1Click", &F::Show1Click),
          Handler("Hide1Click", &F::Hide1Click),
          Handler("erminate1Click", &F::erminate1Click),
      },
      {
          Field("Label1", &F::Label1),
          Field("Label2", &F::Label2),
          Field("CEuro", &F::CEuro),
          Field("CCyp", &F::CCyp),
          Field("GroupBox1", &F::GroupBox1),
          Field("Label3", &F::Label3),
          Field("Label4", &F::Label4),
          Field("Label5", &F::Label5),
          Field("EdAmtEur", &F::EdAmtEur),
          Field("EdPaidCYP", &F::EdPaidCYP),
          Field("EdChgEUR", &F::EdChgEUR),
          Field("EdPaidEUR", &F::EdPaidEUR),
          Field("Label6", &F::Label6),
          Field("MainMenu1", &F::MainMenu1),
          Field("File1", &F::File1),
          Field("Minimise1", &F::Minimise1),
          Field("Terminate2", &F::Terminate2),
          Field("Help1", &F::Help1),
          Field("About1", &F::About1),
          Field("Button1", &F::Button1),
          Field("Helptopics1", &F::Helptopics1),
          Field("KelvorWebsite1", &F::KelvorWebsite1),
          Field("N1", &F::N1),
          Field("Label7", &F::Label7),
          Field("Label8", &F::Label8),
          Field("ActionList", &F::ActionList),
          Field("ActFocusEuro", &F::ActFocusEuro),
          Field("ActFocusCYP", &F::ActFocusCYP),
          Field("ActFocusChgEur", &F::ActFocusChgEur),
          Field("AutoUpdate1", &F::AutoUpdate1),
          Field("TrayIcon", &F::TrayIcon),
          Field("ImgList", &F::ImgList),
          Field("TrayPopup", &F::TrayPopup),
          Field("Show1", &F::Show1),
          Field("Hide1", &F::Hide1),
          Field("erminate1", &F::erminate1),
          Field("AutoUpd", &F::AutoUpd),
      });
  return info;
}

void RegisterFormClasses() {
  for (const ui::ClassInfo* c :
       {&TFmMain::StaticClass(), &ui::TLabel::StaticClass(), &ui::TGroupBox::StaticClass(),
        &ui::TButton::StaticClass(), &ui::TCalcAmountEdit::StaticClass(),
        &ui::TCurrencyAmountEdit::StaticClass(), &ui::TMainMenu::StaticClass(),
        &ui::TPopupMenu::StaticClass(), &ui::TMenuItem::StaticClass(), &ui::TActionList::StaticClass(),
        &ui::TAction::StaticClass(), &TTrayIcon::StaticClass(), &ui::TImageList::StaticClass(),
        &TupUpdater::StaticClass()}) {
    ui::RegisterComponentClass(*c);
  }
  RegisterAboutClasses();
  RegisterUpgradeWindowClasses();
}

void TFmMain::FormCreate(TComponent*) {
  const std::string exe = Application().ExeName();
  Application().SetHelpFile(exe.substr(0, exe.find_last_of('\\') + 1) + "Tallivo.hlp");
  Application().OnHelp = [](UINT command, ULONG_PTR data) {
    return ShowHelp(Application().Handle(), command, data);
  };
  if (!RegisterHotKey(Handle(), HotkeyId, MOD_CONTROL, VK_F12)) {
    Application().MessageBox("Unable to assign Ctrl-F12 as hotkey.", Application().Title(), MB_OK);
  }
  FirstPaintDone = false;
  // The updater compares with what this file is, not with a stored guess.
  AutoUpd->SetVersionNumber(GetExeVersionString());
}

void TFmMain::FormDestroy(TComponent*) {
  UnregisterHotKey(Handle(), HotkeyId);
}

void TFmMain::FormClose(TComponent*, ui::TCloseAction& action) {
  // Closing only hides the calculator; Terminate ends it.
  TrayIcon->HideToTray();
  action = ui::TCloseAction::caNone;
}

void TFmMain::FormPaint(TComponent*) {
  if (FirstPaintDone) return;
  FirstPaintDone = true;
  const auto& params = Application().Params();
  if (params.size() == 1 && params[0] == "-i") TrayIcon->HideToTray();
}

void TFmMain::TerminateProgram() {
  UnregisterHotKey(Handle(), HotkeyId);
  Application().Terminate();
}

LRESULT TFmMain::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_HOTKEY) {
    WMHotKey(wParam);
    return 0;
  }
  // The setup program asks a running copy to end before it replaces it:
  // WM_CLOSE only hides the window to the tray.
  static const UINT exitMessage = RegisterWindowMessageW(L"TallivoExit");
  if (msg == exitMessage && exitMessage != 0) {
    TerminateProgram();
    return 0;
  }
  return TForm::WndProc(msg, wParam, lParam);
}

void TFmMain::WMHotKey(WPARAM id) {
  if (id != HotkeyId) return;
  // Copy the selection of whatever program has the focus, for pasting here.
  INPUT keys[4] = {};
  const WORD vks[4] = {VK_CONTROL, 'C', 'C', VK_CONTROL};
  for (int i = 0; i < 4; ++i) {
    keys[i].type = INPUT_KEYBOARD;
    keys[i].ki.wVk = vks[i];
    keys[i].ki.wScan = static_cast<WORD>(MapVirtualKeyW(vks[i], MAPVK_VK_TO_VSC));
    keys[i].ki.dwFlags = i < 2 ? 0 : KEYEVENTF_KEYUP;
  }
  SendInput(4, keys, sizeof(INPUT));
  // The pause lets the focused program copy. When that is one of our own
  // fields, the keys come to this thread: handle them meanwhile, or they would
  // arrive after the window is hidden and be lost.
  Application().HandleKeysFor(100);
  TForm* m = Application().MainForm();
  if (m->WindowState() == ui::TWindowState::wsNormal && m->Visible()) {
    Application().Minimize();
  } else {
    Application().Restore();
    if (m->WindowState() == ui::TWindowState::wsMinimized) m->SetWindowState(ui::TWindowState::wsNormal);
    m->SetVisible(true);
    SetForegroundWindow(Application().Handle());
  }
}

void TFmMain::CEuroPropertiesChange(TComponent*) {
  // The field the program updates does not have the focus, so the update
  // never converts back.
  if (!CEuro->Focused()) return;
  const std::optional<double> v = CEuro->CurrentValue();
  CCyp->SetValue(v ? EurToCyp(*v) : 0.0);
}

void TFmMain::CCypPropertiesChange(TComponent*) {
  if (!CCyp->Focused()) return;
  const std::optional<double> v = CCyp->CurrentValue();
  CEuro->SetValue(v ? CypToEur(*v) : 0.0);
}

void TFmMain::ChangeCalculatorInput(ui::TCurrencyAmountEdit& field) {
  if (!field.Focused()) return;
  std::optional<double> v = field.CurrentValue();
  // Typed text that reads as nothing ("", "0", "-", ".") counts as 0 and is
  // left as typed: the cashier is in the middle of "0.50".
  if (!v && field.Modified()) v = 0.0;
  if (!v) {
    // Emptied by the clear key: 0, selected so the next key replaces it.
    // Storing it runs this handler again.
    ResetToZero(field);
    return;
  }
  const double payable = &field == EdAmtEur ? *v : EdAmtEur->Value();
  const double paidCyp = &field == EdPaidCYP ? *v : EdPaidCYP->Value();
  const double paidEur = &field == EdPaidEUR ? *v : EdPaidEUR->Value();
  const ChangeTrigger trigger = &field == EdAmtEur    ? ChangeTrigger::AmountPayable
                                : &field == EdPaidCYP ? ChangeTrigger::PaidCyp
                                                      : ChangeTrigger::PaidEur;
  EdChgEUR->SetValue(ChangeEur(trigger, payable, paidCyp, paidEur));
}

void TFmMain::ResetToZero(ui::TCurrencyAmountEdit& field) {
  field.SetEditValue(0.0);
  if (field.Focused()) field.SelectAll();
}

// Typing is over: a field left reading as nothing shows the 0 it counted as.
void TFmMain::EdAmtEurPropertiesEditValueChanged(TComponent*) {
  if (!EdAmtEur->EditValue()) ResetToZero(*EdAmtEur);
}
void TFmMain::EdPaidCYPPropertiesEditValueChanged(TComponent*) {
  if (!EdPaidCYP->EditValue()) ResetToZero(*EdPaidCYP);
}
void TFmMain::EdPaidEURPropertiesEditValueChanged(TComponent*) {
  if (!EdPaidEUR->EditValue()) ResetToZero(*EdPaidEUR);
}

void TFmMain::EdAmtEurPropertiesChange(TComponent*) {
  ChangeCalculatorInput(*EdAmtEur);
}
void TFmMain::EdPaidCYPPropertiesChange(TComponent*) {
  ChangeCalculatorInput(*EdPaidCYP);
}
void TFmMain::EdPaidEURPropertiesChange(TComponent*) {
  ChangeCalculatorInput(*EdPaidEUR);
}

void TFmMain::EdChgEURPropertiesChange(TComponent*) {
  const std::optional<double> v = EdChgEUR->CurrentValue();
  if (!v) {
    EdChgEUR->SetValue(0.0);
    EdChgEUR->Style()->Font()->SetColor(ui::clBlack);
    return;
  }
  EdChgEUR->Style()->Font()->SetColor(*v < 0 ? ui::clRed : ui::clBlack);
}

void TFmMain::Minimise1Click(TComponent*) {
  TrayIcon->HideToTray();
}

void TFmMain::Button1Click(TComponent*) {
  TrayIcon->HideToTray();
}

void TFmMain::Show1Click(TComponent*) {
  TrayIcon->RestoreFromTray();
}

void TFmMain::Hide1Click(TComponent*) {
  TrayIcon->HideToTray();
}

void TFmMain::erminate1Click(TComponent*) {
  TerminateProgram();
}

void TFmMain::Terminate2Click(TComponent*) {
  TerminateProgram();
}

void TFmMain::KelvorWebsite1Click(TComponent*) {
  ShellExecuteW(Handle(), L"open", ui::Widen(webSite_).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void TFmMain::AutoUpdate1Click(TComponent*) {
  AutoUpd->CheckForUpgrade();
}

void TFmMain::Helptopics1Click(TComponent*) {
  // F1, the item's shortcut, explains the field in use; choosing the item
  // from the menu opens the contents.
  if (GetKeyState(VK_F1) < 0) {
    Application().HelpCommand(HELP_CONTEXT, static_cast<ULONG_PTR>(ActiveHelpContext()));
  } else {
    Application().HelpCommand(HELP_FINDER, 0);
  }
}

void TFmMain::About1Click(TComponent*) {
  ShowAboutBox(this);
}

void TFmMain::ActFocusEuroExecute(TComponent*) {
  CEuro->SetFocus();
}
void TFmMain::ActFocusCYPExecute(TComponent*) {
  CCyp->SetFocus();
}
void TFmMain::ActFocusChgEurExecute(TComponent*) {
  EdAmtEur->SetFocus();
}

}  // namespace tallivo
