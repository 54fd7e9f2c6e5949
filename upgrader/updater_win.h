// TupUpdater: keeps the program up to date. It fetches the maker's upgrade
// information file, asks the user when a newer version is out, downloads
// the listed files beside the program as "<name>.uTMP" with the wizard
// showing progress, and hands over to the finisher program, which replaces
// the files once the program has closed and starts it again.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "net/custom_http_win.h"
#include "ui/message_window_win.h"
#include "upgrader/info_file.h"
#include "upgrader/signature_win.h"
#include "upgrader/upgrade_windows_win.h"

namespace tallivo {

enum class TupUpdaterShowMessage {
  mAskUpgrade,
  mConnLost,
  mHostUnreachable,
  mLostFile,
  mNoInfoFile,
  mNoUpdateAvailable,
  mPasswordRequest
};
using TupUpdaterShowMessages = ui::Set<TupUpdaterShowMessage>;
inline constexpr TupUpdaterShowMessages kDefaultShowMessages = {
    TupUpdaterShowMessage::mAskUpgrade, TupUpdaterShowMessage::mConnLost, TupUpdaterShowMessage::mLostFile,
    TupUpdaterShowMessage::mPasswordRequest};

enum class TupMiscFilesUpgradeBehavior { mfuAlwaysDownload, mfuOnlyIfSizeDifferent };

// What the maker publishes, as the program's settings remember it; the check
// itself reads only the information file.
class TupUpdaterInfo : public ui::TPersistent {
 public:
  static const ui::ClassInfo& StaticClass();
  const ui::ClassInfo& Class() const override { return StaticClass(); }

  // One URL a line, stored as the lines' text.
  const std::vector<std::string>& Files() const { return files_; }
  void SetFiles(std::vector<std::string> v) { files_ = std::move(v); }
  std::string FilesText() const;
  void SetFilesText(const std::string& text);
  TupUpgradeMethod UpgradeMethod() const { return method_; }
  void SetUpgradeMethod(TupUpgradeMethod v) { method_ = v; }
  const std::string& UpgradeMsg() const { return message_; }
  void SetUpgradeMsg(std::string v) { message_ = std::move(v); }

 private:
  std::vector<std::string> files_;
  TupUpgradeMethod method_ = TupUpgradeMethod::umSelfUpgrade;
  std::string message_;
};

class TupUpdater;
using TupUpdaterNotifyEvent = std::function<void(TupUpdater* sender)>;
using TupBeginUpgradeEvent =
    std::function<void(TupUpdater* sender, const std::string& upgradeMsg, TupUpgradeMethod method,
                       std::vector<std::string>& files, bool& canUpgrade)>;
using TupEndUpgradeEvent = std::function<void(TupUpdater* sender, bool& restartImediately)>;
using TupProgressEvent =
    std::function<void(TupUpdater* sender, const std::string& fileURL, std::uint32_t fileSize,
                       std::uint32_t bytesRead, std::int32_t elapsedTime, std::int32_t estimatedTimeLeft,
                       std::uint8_t percentsDone, std::uint8_t totalPercentsDone, float transferRate)>;
using TupFileStartEvent = std::function<void(TupUpdater* sender, const std::string& fileURL,
                                             std::uint32_t fileSize, double fileTime, bool& canUpgrade)>;
using TupFileDoneEvent = std::function<void(TupUpdater* sender, const std::string& fileName)>;
using TupHostUnreachableEvent =
    std::function<void(TupUpdater* sender, const std::string& url, const std::string& hostname)>;
using TupLostFileEvent =
    std::function<void(TupUpdater* sender, const std::string& fileURL, int errorCode, bool& continueUpgrade)>;
using TupPasswordRequestEvent =
    std::function<void(TupUpdater* sender, const std::string& realm, bool& tryAgain)>;

class TupUpdater : public TupCustomHTTP, private UpgradeWindowsHost, private ui::MessageHandler {
 public:
  // The argument the restarted program gets unless told another.
  static constexpr const char* kDefaultRestartParams = "/afterupgrade";
  static constexpr int kAutoCheckTimer = 1;

  explicit TupUpdater(ui::TComponent* owner);
  ~TupUpdater() override;
  static const ui::ClassInfo& StaticClass();
  const ui::ClassInfo& Class() const override { return StaticClass(); }

  // Fetches the information file unless a transfer runs; the outcome comes
  // later, through the messages and events.
  void CheckForUpgrade();
  // Stops whatever runs and deletes what was downloaded.
  void AbortUpgrade() override;
  // Hands what was downloaded to the finisher and closes the program.
  void RestartApplication(const std::string& params);

  bool AutoCheck() const { return autoCheck_; }
  void SetAutoCheck(bool v);
  int AutoCheckDelay() const { return autoCheckDelay_; }
  void SetAutoCheckDelay(int v) { autoCheckDelay_ = v; }
  TupCacheOptions UpdaterCacheOptions() const { return cacheOptions_; }
  void SetUpdaterCacheOptions(TupCacheOptions v) { cacheOptions_ = v; }
  TupUpdaterInfo* InfoFile() const { return infoFile_.get(); }
  const std::string& InfoFileURL() const { return infoFileURL_; }
  void SetInfoFileURL(std::string v) { infoFileURL_ = std::move(v); }
  const std::string& RestartParams() const { return restartParams_; }
  // Never empty: an empty value is kept as one space.
  void SetRestartParams(std::string v);
  TupMiscFilesUpgradeBehavior MiscFilesUpgrade() const { return miscFilesUpgrade_; }
  void SetMiscFilesUpgrade(TupMiscFilesUpgradeBehavior v) { miscFilesUpgrade_ = v; }
  TupVersionControl VersionControl() const { return versionControl_; }
  void SetVersionControl(TupVersionControl v) { versionControl_ = v; }
  const std::string& VersionDate() const { return versionDate_; }
  void SetVersionDate(std::string v) { versionDate_ = std::move(v); }
  // Only a form designer acts on it; kept so stored settings read back.
  bool VersionDateAutoSet() const { return versionDateAutoSet_; }
  void SetVersionDateAutoSet(bool v) { versionDateAutoSet_ = v; }
  const std::string& VersionNumber() const { return versionNumber_; }
  void SetVersionNumber(std::string v) { versionNumber_ = std::move(v); }
  TupUpdaterShowMessages ShowMessages() const { return showMessages_; }
  void SetShowMessages(TupUpdaterShowMessages v) { showMessages_ = v; }
  const TupUpdaterWizard& Wizard() const override { return *wizard_; }
  TupUpdaterWizard* WizardSettings() const { return wizard_.get(); }
  // The base's proxy settings, for the stored form to read and write.
  TupHTTPProxy* ProxySettings() const { return &const_cast<TupUpdater*>(this)->Proxy(); }

  // The base's, also as the windows see them.
  std::string URLFileName() const override { return TupCustomHTTP::URLFileName(); }
  std::string HTTPUsername() const override { return TupCustomHTTP::HTTPUsername(); }
  void SetHTTPUsername(std::string v) override { TupCustomHTTP::SetHTTPUsername(std::move(v)); }
  void SetHTTPPassword(std::string v) override { TupCustomHTTP::SetHTTPPassword(std::move(v)); }

  // Where the finisher is written: the temporary folder's "UpdFinish.exe".
  static std::string FinisherPath();

  TupBeginUpgradeEvent OnBeginUpgrade;
  TupEndUpgradeEvent OnEndUpgrade;
  TupUpdaterNotifyEvent OnLaterUpgrade;
  TupProgressEvent OnProgress;
  TupFileStartEvent OnFileStart;
  TupFileDoneEvent OnFileDone;
  TupUpdaterNotifyEvent OnDoOwnCloseAppMethod;
  TupUpdaterNotifyEvent OnAfterRestart;
  TupUpdaterNotifyEvent OnAborted;
  TupUpdaterNotifyEvent OnConnLost;
  TupHostUnreachableEvent OnHostUnreachable;
  TupUpdaterNotifyEvent OnNoUpdateAvailable;
  TupUpdaterNotifyEvent OnNoInfoFile;
  TupLostFileEvent OnLostFile;
  TupPasswordRequestEvent OnPasswordRequest;

 protected:
  void Loaded() override;

 private:
  HANDLE& CompletionEvent() override { return completionEvent_; }

  LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
  void UpdateAutoCheckTimer();
  bool Shows(TupUpdaterShowMessage m) const { return showMessages_.Has(m); }

  void HeaderReceived(std::uint32_t contentLength, double lastModified, bool& continueTransfer);
  void Done(TupStream* stream);
  void Progress(std::uint32_t totalBytes, std::uint32_t bytesTransferred, std::int32_t elapsed,
                std::int32_t remaining, std::uint8_t percentDone, float rate);
  void HTTPError(int statusCode);
  void NoResponse();
  void TransferBroken(std::uint32_t bytesTransferred);
  void PasswordRequest(const std::string& realm, bool& tryAgain);

  void ProcessInfoFile(TupStream& stream);
  // With the maker's keys built in: the signed text of `text`, read and
  // trusted, into `text`; false after refusing it.
  bool TrustInfoFile(std::string& text);
  // Whether every downloaded file still is what the signed text says.
  bool DownloadsIntact() const;
  // Ends the upgrade and tells the user it could not be verified.
  void RefuseUnverified();
  void DownloadNextFile(bool start);
  // Writes the finisher out and starts it, then closes the program; false,
  // with the program left running, when the finisher cannot be written or
  // started.
  bool RunFinisher(const std::string& params);
  void DeleteTempFiles();
  void StopTransfer();
  // The folder of the program's executable, with its trailing backslash.
  static std::string ProgramFolder();

  bool autoCheck_ = false;
  int autoCheckDelay_ = 10000;
  TupCacheOptions cacheOptions_ = kDefaultCacheOptions;
  std::unique_ptr<TupUpdaterInfo> infoFile_;
  std::string infoFileURL_ = "http://";
  std::string restartParams_ = kDefaultRestartParams;
  TupMiscFilesUpgradeBehavior miscFilesUpgrade_ = TupMiscFilesUpgradeBehavior::mfuAlwaysDownload;
  TupVersionControl versionControl_ = TupVersionControl::byDate;
  std::string versionDate_;
  bool versionDateAutoSet_ = true;
  std::string versionNumber_;
  TupUpdaterShowMessages showMessages_ = kDefaultShowMessages;
  std::unique_ptr<TupUpdaterWizard> wizard_;

  UpdateKeys keys_;
  std::vector<FileCheck> fileChecks_;  // from the signed text
  // With the keys only: what the file on its way must be, and each one
  // downloaded with what it must be.
  FileCheck currentCheck_;
  std::vector<std::pair<std::string, FileCheck>> downloaded_;
  std::vector<std::string> filesToDownload_;
  bool infoPhase_ = false;
  bool automaticCheck_ = false;
  bool autoCheckStarted_ = false;
  bool aborted_ = false;
  bool upgradeDownloaded_ = false;
  TupUpgradeMethod method_ = TupUpgradeMethod::umSelfUpgrade;
  std::size_t currentFileIndex_ = 0;
  std::string currentTarget_;
  double remoteFileTime_ = 0;
  HANDLE completionEvent_ = INVALID_HANDLE_VALUE;
  int finisherCleanupTries_ = 0;
  ui::MessageWindow window_;
};

// The finisher's command line: its path, the program's path and "+" with the
// restart parameters and the method's digit, each quoted so that spaces and
// "+" in paths survive.
std::wstring FinisherCommandLine(const std::wstring& finisher, const std::wstring& program,
                                 const std::wstring& params);

}  // namespace tallivo

namespace tallivo::ui {
template <>
const EnumNames& EnumNamesOf<TupUpdaterShowMessage>();
template <>
const EnumNames& EnumNamesOf<TupMiscFilesUpgradeBehavior>();
template <>
const EnumNames& EnumNamesOf<TupVersionControl>();
template <>
const EnumNames& EnumNamesOf<TupUpgradeMethod>();
template <>
const EnumNames& EnumNamesOf<TupCacheOption>();
template <>
const EnumNames& EnumNamesOf<TupInternetOption>();
template <>
const EnumNames& EnumNamesOf<TThreadPriority>();
}  // namespace tallivo::ui
