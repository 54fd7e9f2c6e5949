// The updater's three windows: the prompt that offers a newer version, the
// download wizard and the log-in window, loaded from their stored forms and
// shown in the current language.
#pragma once

#include <windows.h>

#include <string>

#include "ui/bevel_win.h"
#include "ui/button_win.h"
#include "ui/edit_win.h"
#include "ui/form_win.h"
#include "ui/group_box_win.h"
#include "ui/image_win.h"
#include "ui/label_win.h"
#include "ui/panel_win.h"
#include "ui/progress_bar_win.h"
#include "upgrader/language_win.h"

namespace tallivo {

// What the windows use of the updater that opens them.
class UpgradeWindowsHost {
 public:
  virtual const TupUpdaterWizard& Wizard() const = 0;
  // The file-name part of the URL being fetched.
  virtual std::string URLFileName() const = 0;
  virtual std::string HTTPUsername() const = 0;
  virtual void SetHTTPUsername(std::string v) = 0;
  virtual void SetHTTPPassword(std::string v) = 0;
  // Signalled when the wizard closes; INVALID_HANDLE_VALUE or null for none.
  virtual HANDLE& CompletionEvent() = 0;
  virtual void AbortUpgrade() = 0;

 protected:
  ~UpgradeWindowsHost() = default;
};

class TupUpdaterUpgradeMessageForm : public ui::TForm {
 public:
  explicit TupUpdaterUpgradeMessageForm(ui::TComponent* owner) : TForm(owner) {}
  static const ui::ClassInfo& StaticClass();
  const ui::ClassInfo& Class() const override { return StaticClass(); }

  // Fills in the texts around `upgradeMsg` and grows the window to show them.
  void Prepare(const std::string& upgradeMsg);

  ui::TLabel* Label1 = nullptr;
  ui::TImage* Icon = nullptr;
  ui::TPanel* BottomPanel = nullptr;
  ui::TButton* YesBtn = nullptr;
  ui::TButton* LaterBtn = nullptr;

 private:
  void FormShow(ui::TComponent* sender);
};

class TupUpdaterPasswordForm : public ui::TForm {
 public:
  explicit TupUpdaterPasswordForm(ui::TComponent* owner) : TForm(owner) {}
  static const ui::ClassInfo& StaticClass();
  const ui::ClassInfo& Class() const override { return StaticClass(); }

  // Fills in the texts for `upgrader`'s file and user name.
  void Prepare(UpgradeWindowsHost& upgrader);

  ui::TLabel* Label1 = nullptr;
  ui::TImage* Image1 = nullptr;
  ui::TPanel* BottomPanel = nullptr;
  ui::TLabel* UsernameLab = nullptr;
  ui::TLabel* PasswordLab = nullptr;
  ui::TEdit* UsernameEdit = nullptr;
  ui::TEdit* PasswordEdit = nullptr;
  ui::TButton* OKBtn = nullptr;
  ui::TButton* CancelBtn = nullptr;

  UpgradeWindowsHost* Upgrader = nullptr;

 private:
  void OKBtnClick(ui::TComponent* sender);
};

class TupUpdaterWizardForm : public ui::TForm {
 public:
  explicit TupUpdaterWizardForm(ui::TComponent* owner) : TForm(owner) {}
  ~TupUpdaterWizardForm() override;
  static const ui::ClassInfo& StaticClass();
  const ui::ClassInfo& Class() const override { return StaticClass(); }

  // The download page for `upgrader`, in its settings' layout and picture.
  void Prepare(UpgradeWindowsHost& upgrader);
  // The last page: the completion note and OK in place of the progress.
  void ShowCompleted();

  ui::TPanel* Panel1 = nullptr;
  ui::TImage* Image1 = nullptr;
  ui::TLabel* WizardTitle = nullptr;
  ui::TGroupBox* LCurrentFile = nullptr;
  ui::TLabel* LDownloadingFileFrom = nullptr;
  ui::TEdit* FileURL = nullptr;
  ui::TLabel* LFileSize = nullptr;
  ui::TLabel* LTransferRate = nullptr;
  ui::TLabel* LEstimatedTime = nullptr;
  ui::TProgressBar* ProgressCurrentFile = nullptr;
  ui::TGroupBox* LAllFiles = nullptr;
  ui::TLabel* AllDownloading = nullptr;
  ui::TProgressBar* ProgressAllFiles = nullptr;
  ui::TLabel* AfterNote = nullptr;
  ui::TBevel* Bevel1 = nullptr;
  ui::TLabel* AboutShadow = nullptr;
  ui::TLabel* AboutLabel = nullptr;
  ui::TButton* FinishBtn = nullptr;
  ui::TButton* CancelBtn = nullptr;

  UpgradeWindowsHost* Upgrader = nullptr;

 private:
  void FormCreate(ui::TComponent* sender);
  void FormClose(ui::TComponent* sender, ui::TCloseAction& action);
  void FinishBtnClick(ui::TComponent* sender);
  void CancelBtnClick(ui::TComponent* sender);
  // The close box and CancelBtn: asks before the download is given up.
  void ConfirmClose();

  bool fileLocationHidden_ = false;
};

// The prompt, modal and above every window; true when the user chose Yes.
// `upgradeMsg` is the maker's note on the new version, shown in the middle.
bool ShowUpgradeMessage(const std::string& upgradeMsg);

// Opens the wizard for `upgrader` (or brings the open one up to date) and
// returns at once.
void ShowUpgradeWizard(UpgradeWindowsHost& upgrader);
// The open wizard, or nullptr.
TupUpdaterWizardForm* UpgradeWizard();
// Closes the open wizard now, without asking, as when the download stops.
void FreeUpgradeWizard();

// The log-in window, modal; true when the user pressed OK, which stores the
// user name and password in `upgrader`.
bool ShowPasswordDialog(UpgradeWindowsHost& upgrader);

// Registers every class the three stored forms name.
void RegisterUpgradeWindowClasses();

}  // namespace tallivo
