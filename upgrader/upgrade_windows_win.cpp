#include "upgrader/upgrade_windows_win.h"

#include <algorithm>
#include <memory>

#include "net/internet_utils_win.h"
#include "ui/application_win.h"
#include "ui/text_win.h"

namespace tallivo {

using ui::Application;
using ui::Field;
using ui::Handler;

namespace {

// Ids of the texts outside the language blocks.
constexpr int kAppTitleStandIn = 40997;
constexpr int kAppTitleMarker = 40998;
constexpr int kSignature = 40999;

TupUpdaterWizardForm* openWizard = nullptr;

// A modal window lives for one call.
struct FreeForm {
  void operator()(ui::TForm* form) const { ui::Free(form); }
};
template <typename F>
using FormPtr = std::unique_ptr<F, FreeForm>;

// Above every window, without moving, sizing or activating it.
void PutOnTop(const ui::TForm& form) {
  SetWindowPos(form.Handle(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

// The client height that shows all of `label` above `panel`.
int HeightToShow(const ui::TLabel& label, const ui::TPanel& panel) {
  return label.Top() + label.Height() + panel.Height();
}

// Where an auto-sized label ends, in 96-dpi units rounded up.
int RightEdge(const ui::TLabel& label) {
  RECT r{};
  GetWindowRect(label.Handle(), &r);
  const int dpi = label.Dpi();
  return label.Left() + ((r.right - r.left) * 96 + dpi - 1) / dpi;
}

}  // namespace

const ui::ClassInfo& TupUpdaterUpgradeMessageForm::StaticClass() {
  using F = TupUpdaterUpgradeMessageForm;
  static const ui::ClassInfo info("TupUpdaterUpgradeMessageForm", &TForm::StaticClass(), nullptr, {},
                                  {Handler("FormShow", &F::FormShow)},
                                  {
                                      Field("Label1", &F::Label1),
                                      Field("Icon", &F::Icon),
                                      Field("BottomPanel", &F::BottomPanel),
                                      Field("YesBtn", &F::YesBtn),
                                      Field("LaterBtn", &F::LaterBtn),
                                  });
  return info;
}

void TupUpdaterUpgradeMessageForm::FormShow(ui::TComponent*) {
  PutOnTop(*this);
}

const ui::ClassInfo& TupUpdaterPasswordForm::StaticClass() {
  using F = TupUpdaterPasswordForm;
  static const ui::ClassInfo info("TupUpdaterPasswordForm", &TForm::StaticClass(), nullptr, {},
                                  {Handler("OKBtnClick", &F::OKBtnClick)},
                                  {
                                      Field("Label1", &F::Label1),
                                      Field("Image1", &F::Image1),
                                      Field("BottomPanel", &F::BottomPanel),
                                      Field("UsernameLab", &F::UsernameLab),
                                      Field("PasswordLab", &F::PasswordLab),
                                      Field("UsernameEdit", &F::UsernameEdit),
                                      Field("PasswordEdit", &F::PasswordEdit),
                                      Field("OKBtn", &F::OKBtn),
                                      Field("CancelBtn", &F::CancelBtn),
                                  });
  return info;
}

void TupUpdaterPasswordForm::OKBtnClick(ui::TComponent*) {
  if (!Upgrader) return;
  Upgrader->SetHTTPUsername(UsernameEdit->Text());
  Upgrader->SetHTTPPassword(PasswordEdit->Text());
}

const ui::ClassInfo& TupUpdaterWizardForm::StaticClass() {
  using F = TupUpdaterWizardForm;
  static const ui::ClassInfo info("TupUpdaterWizardForm", &TForm::StaticClass(), nullptr, {},
                                  {
                                      Handler("FormCreate", &F::FormCreate),
                                      Handler("FormClose", &F::FormClose),
                                      Handler("FinishBtnClick", &F::FinishBtnClick),
                                      Handler("CancelBtnClick", &F::CancelBtnClick),
                                  },
                                  {
                                      Field("Panel1", &F::Panel1),
                                      Field("Image1", &F::Image1),
                                      Field("WizardTitle", &F::WizardTitle),
                                      Field("LCurrentFile", &F::LCurrentFile),
                                      Field("LDownloadingFileFrom", &F::LDownloadingFileFrom),
                                      Field("FileURL", &F::FileURL),
                                      Field("LFileSize", &F::LFileSize),
                                      Field("LTransferRate", &F::LTransferRate),
                                      Field("LEstimatedTime", &F::LEstimatedTime),
                                      Field("ProgressCurrentFile", &F::ProgressCurrentFile),
                                      Field("LAllFiles", &F::LAllFiles),
                                      Field("AllDownloading", &F::AllDownloading),
                                      Field("ProgressAllFiles", &F::ProgressAllFiles),
                                      Field("AfterNote", &F::AfterNote),
                                      Field("Bevel1", &F::Bevel1),
                                      Field("AboutShadow", &F::AboutShadow),
                                      Field("AboutLabel", &F::AboutLabel),
                                      Field("FinishBtn", &F::FinishBtn),
                                      Field("CancelBtn", &F::CancelBtn),
                                  });
  return info;
}

TupUpdaterWizardForm::~TupUpdaterWizardForm() {
  if (openWizard == this) openWizard = nullptr;
}

void TupUpdaterWizardForm::FormCreate(ui::TComponent*) {
  // The close box, Alt+F4 and CancelBtn all arrive here.
  HookWindow([this](UINT msg, WPARAM wParam, LPARAM, LRESULT& result) {
    if (msg != WM_SYSCOMMAND || (wParam & 0xFFF0) != SC_CLOSE) return false;
    ConfirmClose();
    result = 0;
    return true;
  });
}

void TupUpdaterWizardForm::ConfirmClose() {
  const int answer = MessageBoxW(Handle(), Widen(LangStr(27)).c_str(), Widen(Application().Title()).c_str(),
                                 MB_YESNO | MB_ICONQUESTION);
  if (answer != IDYES) return;
  UpgradeWindowsHost* upgrader = Upgrader;
  Close();
  if (upgrader) upgrader->AbortUpgrade();
}

void TupUpdaterWizardForm::FormClose(ui::TComponent*, ui::TCloseAction& action) {
  action = ui::TCloseAction::caFree;
  // Gone for everyone from now on, though freed a moment later.
  if (openWizard == this) openWizard = nullptr;
  if (Upgrader) SignalEvent(Upgrader->CompletionEvent());
}

void TupUpdaterWizardForm::FinishBtnClick(ui::TComponent*) {
  Close();
}

void TupUpdaterWizardForm::CancelBtnClick(ui::TComponent*) {
  PostMessageW(Handle(), WM_SYSCOMMAND, SC_CLOSE, 0);
}

void TupUpdaterWizardForm::ShowCompleted() {
  WizardTitle->SetCaption(LangStr(2));
  AfterNote->SetCaption(FmtLangStr(10, {Application().Title()}));
  AfterNote->SetVisible(true);
  LCurrentFile->SetVisible(false);
  LAllFiles->SetVisible(false);
  CancelBtn->SetEnabled(false);
  FinishBtn->SetCaption(LangStr(16));
  FinishBtn->SetEnabled(true);
  FinishBtn->SetFocus();
}

void TupUpdaterUpgradeMessageForm::Prepare(const std::string& upgradeMsg) {
  std::string title = Application().Title();
  if (const std::string marker = TableString(kAppTitleMarker);
      !marker.empty() && title.find(marker) != std::string::npos) {
    title = TableString(kAppTitleStandIn);
  }
  const std::string framed = upgradeMsg.empty() ? upgradeMsg : "\n" + upgradeMsg + "\n";
  RECT outer{};
  GetWindowRect(Handle(), &outer);
  const int outerWidth = MulDiv(outer.right - outer.left, 96, Dpi());
  Label1->SetWidth(outerWidth - Label1->Left() - 11);
  Label1->SetCaption(FmtLangStr(23, {title, framed}));
  SetCaption(LangStr(0));
  YesBtn->SetCaption(LangStr(14));
  LaterBtn->SetCaption(LangStr(19));
  SetClientHeight(HeightToShow(*Label1, *BottomPanel));
}

bool ShowUpgradeMessage(const std::string& upgradeMsg) {
  const FormPtr<TupUpdaterUpgradeMessageForm> form(ui::TForm::Create<TupUpdaterUpgradeMessageForm>(nullptr));
  form->Prepare(upgradeMsg);
  return form->ShowModal() == ui::mrYes;
}

void TupUpdaterWizardForm::Prepare(UpgradeWindowsHost& upgrader) {
  Upgrader = &upgrader;
  const std::string signature = " " + TableString(kSignature) + " ";
  AboutLabel->SetCaption(signature);
  AboutShadow->SetCaption(signature);
  const TupUpdaterWizard& settings = upgrader.Wizard();
  if (settings.StayOnTop()) PutOnTop(*this);
  if (settings.HideFileLocation() && !fileLocationHidden_) {
    fileLocationHidden_ = true;
    FileURL->SetVisible(false);
    LDownloadingFileFrom->SetVisible(false);
    LFileSize->SetTop(LDownloadingFileFrom->Top());
    LTransferRate->SetTop(LFileSize->Top() + 16);
    LEstimatedTime->SetTop(LTransferRate->Top() + 16);
    ProgressCurrentFile->SetTop(LEstimatedTime->Top() + 20);
    LCurrentFile->SetBounds(LCurrentFile->Left(), LCurrentFile->Top() + 10, LCurrentFile->Width(),
                            LCurrentFile->Height() - 30);
  }
  if (!settings.Pic118x218()->Empty()) Image1->Picture()->Assign(*settings.Pic118x218());
  LEstimatedTime->SetCaption(LangStr(22));
  SetCaption(LangStr(0));
  WizardTitle->SetCaption(LangStr(1));
  LCurrentFile->SetCaption(" " + LangStr(3) + " ");
  LAllFiles->SetCaption(" " + LangStr(4) + " ");
  LDownloadingFileFrom->SetCaption(LangStr(5));
  FinishBtn->SetCaption(LangStr(18));
  CancelBtn->SetCaption(LangStr(17));
}

void ShowUpgradeWizard(UpgradeWindowsHost& upgrader) {
  if (!openWizard) openWizard = ui::TForm::Create<TupUpdaterWizardForm>(nullptr);
  openWizard->Prepare(upgrader);
  openWizard->Show();
}

TupUpdaterWizardForm* UpgradeWizard() {
  return openWizard;
}

void FreeUpgradeWizard() {
  if (openWizard) ui::Free(openWizard);
}

void TupUpdaterPasswordForm::Prepare(UpgradeWindowsHost& upgrader) {
  Upgrader = &upgrader;
  Label1->SetCaption(FmtLangStr(29, {upgrader.URLFileName()}));
  SetCaption(LangStr(11));
  UsernameLab->SetCaption(LangStr(12));
  UsernameEdit->SetText(upgrader.HTTPUsername());
  PasswordLab->SetCaption(LangStr(13));
  OKBtn->SetCaption(LangStr(16));
  CancelBtn->SetCaption(LangStr(17));
  // Labels longer than the English ones push the fields right, keeping
  // their right edge.
  const int labelsRight = std::max(RightEdge(*UsernameLab), RightEdge(*PasswordLab)) + 6;
  if (labelsRight > UsernameEdit->Left()) {
    for (ui::TEdit* edit : {UsernameEdit, PasswordEdit}) {
      const int right = edit->Left() + edit->Width();
      edit->SetBounds(labelsRight, edit->Top(), right - labelsRight, edit->Height());
    }
  }
  SetClientHeight(HeightToShow(*Label1, *BottomPanel));
}

bool ShowPasswordDialog(UpgradeWindowsHost& upgrader) {
  const FormPtr<TupUpdaterPasswordForm> form(ui::TForm::Create<TupUpdaterPasswordForm>(nullptr));
  form->Prepare(upgrader);
  return form->ShowModal() == ui::mrOk;
}

void RegisterUpgradeWindowClasses() {
  for (const ui::ClassInfo* c :
       {&TupUpdaterUpgradeMessageForm::StaticClass(), &TupUpdaterPasswordForm::StaticClass(),
        &TupUpdaterWizardForm::StaticClass(), &ui::TLabel::StaticClass(), &ui::TImage::StaticClass(),
        &ui::TPanel::StaticClass(), &ui::TButton::StaticClass(), &ui::TEdit::StaticClass(),
        &ui::TGroupBox::StaticClass(), &ui::TProgressBar::StaticClass(), &ui::TBevel::StaticClass()}) {
    ui::RegisterComponentClass(*c);
  }
}

}  // namespace tallivo
