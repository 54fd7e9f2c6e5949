#include "upgrader/updater_win.h"

#include <shellapi.h>

#include <algorithm>
#include <optional>
#include <stdexcept>

#include "base/handles_win.h"
#include "net/file_utils_win.h"
#include "net/internet_utils_win.h"
#include "net/percent.h"
#include "net/url.h"
#include "ui/application_win.h"
#include "ui/text_win.h"
#include "upgrader/finisher/finisher.h"

namespace tallivo {

using ui::Application;
using M = TupUpdaterShowMessage;

namespace {

constexpr const char* kTempSuffix = ".uTMP";
constexpr UINT_PTR kFinisherCleanupTimer = 2;
// Posted when an upgrade ends with its file still open: by the time it
// arrives the transfer has let go of the file, which can then be deleted.
// wParam: whether to tell the user the update could not be verified.
constexpr UINT kDeleteTempFilesMessage = WM_APP + 1;
constexpr int kFinisherCleanupTries = 10;
// No update of this program comes near it; a server that sends more is not
// to be believed, and the disk is not to be filled.
constexpr std::uint32_t kMaxDownloadSize = 256u * 1024 * 1024;
// Texts of the current language block.
constexpr int kTextConnectionLost = 30;
constexpr int kTextFolderNotWritable = 31;
constexpr int kTextNotVerified = 32;

InfoDate Today() {
  SYSTEMTIME now{};
  GetLocalTime(&now);
  return InfoDate{now.wYear, now.wMonth, now.wDay};
}

int ShowMessage(const std::string& text, UINT flags) {
  return MessageBoxW(Application().Handle(), Widen(text).c_str(), Widen(LangStr(0)).c_str(), flags);
}

std::wstring Quoted(const std::wstring& s) {
  return L"\"" + s + L"\"";
}

}  // namespace

std::wstring FinisherCommandLine(const std::wstring& finisher, const std::wstring& program,
                                 const std::wstring& params) {
  return Quoted(finisher) + L" " + Quoted(program) + L" " + Quoted(L"+" + params);
}

// ---- Settings ----------------------------------------------------------------

const ui::ClassInfo& TupUpdaterInfo::StaticClass() {
  using I = TupUpdaterInfo;
  static const ui::ClassInfo info(
      "TupUpdaterInfo", nullptr, nullptr,
      {
          ui::Property<I>("Files", &I::FilesText, &I::SetFilesText, std::string()),
          ui::Property<I>("UpgradeMethod", &I::UpgradeMethod, &I::SetUpgradeMethod,
                          TupUpgradeMethod::umSelfUpgrade),
          ui::Property<I>("UpgradeMsg", &I::UpgradeMsg, &I::SetUpgradeMsg, std::string()),
      });
  return info;
}

std::string TupUpdaterInfo::FilesText() const {
  std::string text;
  for (const std::string& line : files_) text += (text.empty() ? "" : "\r\n") + line;
  return text;
}

void TupUpdaterInfo::SetFilesText(const std::string& text) {
  files_.clear();
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find_first_of("\r\n", start);
    if (end == std::string::npos) end = text.size();
    files_.push_back(text.substr(start, end - start));
    start = end;
    if (start < text.size() && text[start] == '\r') ++start;
    if (start < text.size() && text[start] == '\n') ++start;
  }
}

const ui::ClassInfo& TupUpdater::StaticClass() {
  using U = TupUpdater;
  static const ui::ClassInfo info(
      "TupUpdater", &TupCustomHTTP::StaticClass(), &ui::Construct<TupUpdater>,
      {
          ui::ObjectProperty<U>("Proxy", &U::ProxySettings),
          ui::Property<U>("InternetOptions", &U::InternetOptions, &U::SetInternetOptions,
                          kDefaultInternetOptions),
          ui::Property<U>("ThreadPriority", &U::ThreadPriority, &U::SetThreadPriority,
                          TThreadPriority::tpNormal),
          ui::Property<U>("TransferBufferSize", &U::TransferBufferSize, &U::SetTransferBufferSize,
                          TupCustomHTTP::kDefaultTransferBufferSize),
          ui::EventProperty<U, void(TupCustomHTTP*, std::string&, std::string&, bool&)>(
              "OnProxyAuthenticationRequest", &U::OnProxyAuthenticationRequest),
          ui::Property<U>("AutoCheck", &U::AutoCheck, &U::SetAutoCheck, false),
          ui::Property<U>("AutoCheckDelay", &U::AutoCheckDelay, &U::SetAutoCheckDelay, 10000),
          ui::Property<U>("CacheOptions", &U::UpdaterCacheOptions, &U::SetUpdaterCacheOptions,
                          kDefaultCacheOptions),
          ui::ObjectProperty<U>("InfoFile", &U::InfoFile),
          ui::Property<U>("InfoFileURL", &U::InfoFileURL, &U::SetInfoFileURL, std::string("http://")),
          ui::Property<U>("RestartParams", &U::RestartParams, &U::SetRestartParams,
                          std::string(kDefaultRestartParams)),
          ui::Property<U>("MiscFilesUpgrade", &U::MiscFilesUpgrade, &U::SetMiscFilesUpgrade,
                          TupMiscFilesUpgradeBehavior::mfuAlwaysDownload),
          ui::Property<U>("VersionControl", &U::VersionControl, &U::SetVersionControl,
                          TupVersionControl::byDate),
          ui::Property<U>("VersionDate", &U::VersionDate, &U::SetVersionDate, std::string()),
          ui::Property<U>("VersionDateAutoSet", &U::VersionDateAutoSet, &U::SetVersionDateAutoSet, false),
          ui::Property<U>("VersionNumber", &U::VersionNumber, &U::SetVersionNumber, std::string()),
          ui::Property<U>("ShowMessages", &U::ShowMessages, &U::SetShowMessages, kDefaultShowMessages),
          ui::ObjectProperty<U>("Wizard", &U::WizardSettings),
      });
  return info;
}

void TupUpdater::SetRestartParams(std::string v) {
  restartParams_ = v.empty() ? std::string(" ") : std::move(v);
}

void TupUpdater::SetAutoCheck(bool v) {
  if (v == autoCheck_) return;
  autoCheck_ = v;
  UpdateAutoCheckTimer();
}

// ---- Life ----------------------------------------------------------------------

std::string TupUpdater::FinisherPath() {
  return GetTempDirectory() + "UpdFinish.exe";
}

std::string TupUpdater::ProgramFolder() {
  const std::string exe = Application().ExeName();
  return exe.substr(0, exe.find_last_of("\\/") + 1);
}

TupUpdater::TupUpdater(ui::TComponent* owner)
    : TupCustomHTTP(owner),
      infoFile_(std::make_unique<TupUpdaterInfo>()),
      versionDate_(FormatInfoDate(Today())),
      wizard_(std::make_unique<TupUpdaterWizard>()) {
  OutputFileAttributes().SetIncomplete(
      {TupFileAttribute::atrArchive, TupFileAttribute::atrHidden, TupFileAttribute::atrTemporary});
  OnHeaderReceived = [this](TupCustomHTTP*, int, const std::string&, const std::string&, const std::string&,
                            const std::string&, std::uint32_t contentLength, const std::string&, double,
                            double lastModified, double, const std::string&, bool& continueTransfer) {
    HeaderReceived(contentLength, lastModified, continueTransfer);
  };
  OnDone = [this](TupCustomHTTP*, const std::string&, std::uint32_t, TupStream* stream) { Done(stream); };
  OnDeclined = [this](TupCustomHTTP*) {
    // Declined by a refusal, the upgrade is over.
    if (!aborted_) DownloadNextFile(false);
  };
  OnTransferProgress = [this](TupCustomHTTP*, const std::string&, std::uint32_t total, std::uint32_t done,
                              std::int32_t elapsed, std::int32_t remaining, std::uint8_t percent, float rate,
                              TupStream*) { Progress(total, done, elapsed, remaining, percent, rate); };
  OnTransferBroken = [this](TupCustomHTTP*, const std::string&, std::uint32_t, std::uint32_t transferred,
                            TupStream*) { TransferBroken(transferred); };
  OnNoResponse = [this](TupCustomHTTP*) { NoResponse(); };
  OnHTTPError = [this](TupCustomHTTP*, int statusCode, TupStream*) { HTTPError(statusCode); };
  OnServerPasswordRequest = [this](TupCustomHTTP*, const std::string& realm, bool& tryAgain) {
    PasswordRequest(realm, tryAgain);
  };
  keys_ = BuiltInUpdateKeys(GetModuleHandleW(nullptr));
  window_ = ui::MessageWindow(L"TupUpdaterWindow", *this);
  // A finisher left by the last upgrade; it may still be on its way out.
  if (!DeleteFileW(Widen(FinisherPath()).c_str()) && GetLastError() != ERROR_FILE_NOT_FOUND && window_)
    SetTimer(window_.Handle(), kFinisherCleanupTimer, 1000, nullptr);
}

TupUpdater::~TupUpdater() {
  autoCheck_ = false;
  if (window_) KillTimer(window_.Handle(), kAutoCheckTimer);
  window_.Reset();
  if (UpgradeWizard() && UpgradeWizard()->Upgrader == this) FreeUpgradeWizard();
}

void TupUpdater::Loaded() {
  TupCustomHTTP::Loaded();
  if (!OnAfterRestart) return;
  int count = 0;
  LPWSTR* args = CommandLineToArgvW(GetCommandLineW(), &count);
  const bool restarted = args && count > 1 && Narrow(args[1]) == restartParams_;
  LocalFree(args);
  if (restarted) OnAfterRestart(this);
}

void TupUpdater::UpdateAutoCheckTimer() {
  if (!window_) return;
  KillTimer(window_.Handle(), kAutoCheckTimer);
  if (!autoCheck_ || autoCheckStarted_ || autoCheckDelay_ <= 0) return;
  if (!SetTimer(window_.Handle(), kAutoCheckTimer, static_cast<UINT>(autoCheckDelay_), nullptr))
    throw std::runtime_error("Not enough timers available");
}

LRESULT TupUpdater::HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_TIMER && wParam == kAutoCheckTimer) {
    if (IsConnectedToInternet() && autoCheck_) {
      autoCheckStarted_ = true;
      UpdateAutoCheckTimer();
      CheckForUpgrade();
      automaticCheck_ = true;
    }
    return 0;
  }
  if (message == WM_TIMER && wParam == kFinisherCleanupTimer) {
    if (DeleteFileW(Widen(FinisherPath()).c_str()) || GetLastError() == ERROR_FILE_NOT_FOUND ||
        ++finisherCleanupTries_ >= kFinisherCleanupTries)
      KillTimer(window, kFinisherCleanupTimer);
    return 0;
  }
  if (message == kDeleteTempFilesMessage) {
    DeleteTempFiles();
    if (wParam) ShowLangMessage(kTextNotVerified, MB_OK | MB_ICONERROR);
    return 0;
  }
  if (message == WM_QUERYENDSESSION) return 1;
  return DefWindowProcW(window, message, wParam, lParam);
}

// ---- The check ------------------------------------------------------------------

void TupUpdater::CheckForUpgrade() {
  aborted_ = false;
  automaticCheck_ = false;
  if (IsTransferring()) return;
  infoPhase_ = true;
  TupCacheOptions options = cacheOptions_;
  options.Include(TupCacheOption::coPragmaNoCache);
  SetCacheOptions(options);
  SetURL(infoFileURL_);
  SetOutputFileName(std::string());
  StartTransfer(false);
}

void TupUpdater::ProcessInfoFile(TupStream& stream) {
  std::string text;
  stream.SetPosition(0);
  char buffer[4096];
  for (std::size_t n; (n = stream.Read(buffer, sizeof buffer)) > 0;) text.append(buffer, n);
  if (keys_.required && !TrustInfoFile(text)) return;
  filesToDownload_ = BuildDownloadList(text);
  bool available = IsNewerVersion(text, versionControl_, versionNumber_, versionDate_, Today()) &&
                   !filesToDownload_.empty();
  // A signed but older release replayed must not take the program back.
  if (keys_.required && CompareVersions(GetInfoValue(text, "version", false), versionNumber_) <= 0)
    available = false;
  if (!available) {
    if (OnNoUpdateAvailable) OnNoUpdateAvailable(this);
    if (!automaticCheck_ && Shows(M::mNoUpdateAvailable)) ShowLangMessage(24, MB_OK | MB_ICONINFORMATION);
  } else {
    bool canUpgrade = true;
    const std::string message = GetInfoValue(text, "message", true);
    method_ = UpgradeMethodOf(text);
    if (OnBeginUpgrade) OnBeginUpgrade(this, message, method_, filesToDownload_, canUpgrade);
    if (canUpgrade && (!Shows(M::mAskUpgrade) || ShowUpgradeMessage(message))) {
      if (method_ == TupUpgradeMethod::umRedirectToURL) {
        if (!filesToDownload_.empty()) OpenURL(filesToDownload_.front(), true);
      } else {
        DownloadNextFile(true);
      }
    } else if (OnLaterUpgrade) {
      OnLaterUpgrade(this);
    }
  }
  SignalEvent(completionEvent_);
}

bool TupUpdater::TrustInfoFile(std::string& text) {
  const std::optional<SignedText> signedText = SplitSignedText(text);
  fileChecks_.clear();
  if (!signedText || !SignedByOneOf(keys_, *signedText)) {
    RefuseUnverified();
    return false;
  }
  const SignedInfoVerdict verdict = ReadSignedInfo(signedText->text, Today(), fileChecks_);
  // Past its expiry, a file that offers nothing newer is no update rather
  // than an alarm: the maker has not signed it again yet.
  const bool stale = verdict == SignedInfoVerdict::kExpired &&
                     CompareVersions(GetInfoValue(signedText->text, "version", false), versionNumber_) <= 0;
  if (verdict != SignedInfoVerdict::kTrusted && !stale) {
    RefuseUnverified();
    return false;
  }
  text = signedText->text;
  return true;
}

bool TupUpdater::DownloadsIntact() const {
  return std::all_of(downloaded_.begin(), downloaded_.end(), [](const auto& file) {
    const std::optional<FileDigest> digest = DigestFile(file.first);
    return digest && digest->size == file.second.size && digest->sha256 == file.second.sha256;
  });
}

void TupUpdater::RefuseUnverified() {
  AbortUpgrade();
  if (window_) PostMessageW(window_.Handle(), kDeleteTempFilesMessage, TRUE, 0);
}

void TupUpdater::Done(TupStream* stream) {
  if (infoPhase_) {
    if (stream) ProcessInfoFile(*stream);
    return;
  }
  // Checked as soon as it is complete, so a bad file goes before the next one comes.
  if (keys_.required) {
    downloaded_.emplace_back(currentTarget_, currentCheck_);
    if (!DownloadsIntact()) {
      RefuseUnverified();
      return;
    }
  }
  if (remoteFileTime_ != 0) SetFileTimes(currentTarget_, -1, remoteFileTime_, remoteFileTime_);
  if (OnFileDone) OnFileDone(this, currentTarget_);
  DownloadNextFile(false);
}

void TupUpdater::HTTPError(int statusCode) {
  if (infoPhase_) {
    SignalEvent(completionEvent_);
    if (OnNoInfoFile) OnNoInfoFile(this);
    if (Shows(M::mNoInfoFile)) ShowLangMessage(25, MB_OK | MB_ICONERROR);
    return;
  }
  bool continueUpgrade = false;
  if (OnLostFile) OnLostFile(this, URL(), statusCode, continueUpgrade);
  if (Shows(M::mLostFile)) {
    const std::string caption = LangStr(21) + " #" + std::to_string(statusCode);
    continueUpgrade = MessageBoxW(Application().Handle(), Widen(FmtLangStr(28, {URLFileName()})).c_str(),
                                  Widen(caption).c_str(), MB_YESNO | MB_ICONWARNING) == IDYES;
  }
  if (continueUpgrade) {
    DownloadNextFile(false);
  } else {
    AbortUpgrade();
  }
}

void TupUpdater::NoResponse() {
  if (OnHostUnreachable) OnHostUnreachable(this, URL(), URLHostName());
  if (automaticCheck_) {
    autoCheckStarted_ = false;
    UpdateAutoCheckTimer();
  } else if (Shows(M::mHostUnreachable)) {
    // The address as the user would type it: an HTTPS server is not http://.
    const std::optional<URLParts> url = SplitURL(URL());
    const std::string scheme = url && !url->scheme.empty() ? url->scheme : "http";
    ShowMessage(FmtLangStr(26, {scheme + "://" + URLHostName()}), MB_OK | MB_ICONERROR);
  }
  StopTransfer();
}

void TupUpdater::TransferBroken(std::uint32_t bytesTransferred) {
  // More than the signed size: cut off by the transfer itself.
  if (!infoPhase_ && keys_.required && bytesTransferred > MaxFileSize()) {
    RefuseUnverified();
    return;
  }
  // The program's folder refuses the download: saying the connection was
  // lost would send the user after the wrong fault.
  if (!infoPhase_ && !OutputFileError().empty()) {
    const std::string folder = ProgramFolder();
    AbortUpgrade();
    ShowMessage(FmtLangStr(kTextFolderNotWritable, {folder}), MB_OK | MB_ICONERROR);
    return;
  }
  if (OnConnLost) OnConnLost(this);
  if (Shows(M::mConnLost)) ShowLangMessage(kTextConnectionLost, MB_OK | MB_ICONERROR);
  StopTransfer();
  // Half a file would pass for a whole one at the next hand-over.
  if (!infoPhase_ && window_) PostMessageW(window_.Handle(), kDeleteTempFilesMessage, FALSE, 0);
}

void TupUpdater::PasswordRequest(const std::string& realm, bool& tryAgain) {
  if (OnPasswordRequest) OnPasswordRequest(this, realm, tryAgain);
  if (tryAgain || !Shows(M::mPasswordRequest)) return;
  tryAgain = ShowPasswordDialog(*this);
  if (!tryAgain) AbortUpgrade();
}

void TupUpdater::AbortUpgrade() {
  aborted_ = true;
  StopTransfer();
  DeleteTempFiles();
  if (OnAborted) OnAborted(this);
}

void TupUpdater::StopTransfer() {
  SignalEvent(completionEvent_);
  AbortTransfer(false, false);
  if (UpgradeWizard()) FreeUpgradeWizard();
}

// ---- The download -----------------------------------------------------------------

void TupUpdater::DownloadNextFile(bool start) {
  if (start) {
    infoPhase_ = false;
    SetCacheOptions(cacheOptions_);
    currentFileIndex_ = 0;
    downloaded_.clear();
    // Left by a broken download: the finisher would take it for part of this one.
    DeleteTempFiles();
    if (wizard_->Enabled()) ShowUpgradeWizard(*this);
  } else {
    ++currentFileIndex_;
  }
  if (currentFileIndex_ < filesToDownload_.size()) {
    const std::string& url = filesToDownload_[currentFileIndex_];
    if (TupUpdaterWizardForm* w = UpgradeWizard()) {
      w->FileURL->SetText(url);
      w->AllDownloading->SetCaption(FmtLangStr(
          9, {static_cast<int>(currentFileIndex_ + 1), static_cast<int>(filesToDownload_.size())}));
    }
    SetURL(url);
    const std::string name = FileNameFromURLPath(url);
    currentTarget_ = ProgramFolder() + name + kTempSuffix;
    SetMaxFileSize(kMaxDownloadSize);
    if (keys_.required) {
      const FileCheck* check = FindFileCheck(fileChecks_, name);
      if (!check || check->size > kMaxDownloadSize) {
        RefuseUnverified();
        return;
      }
      SetMaxFileSize(static_cast<std::uint32_t>(check->size));
      currentCheck_ = *check;
    }
    SetOutputFileName(currentTarget_);
    ReleaseTransferData();
    StartTransfer(false);
    return;
  }
  if (UpgradeWizard()) {
    UpgradeWizard()->ShowCompleted();
    WaitForEventPumping(completionEvent_, 0, true);
    if (aborted_) return;
  }
  upgradeDownloaded_ = true;
  bool restart = true;
  if (OnEndUpgrade) OnEndUpgrade(this, restart);
  if (restart) RestartApplication(std::string());
}

void TupUpdater::HeaderReceived(std::uint32_t contentLength, double lastModified, bool& continueTransfer) {
  if (infoPhase_) return;
  remoteFileTime_ = lastModified;
  if (keys_.required && contentLength > MaxFileSize()) {
    continueTransfer = false;
    RefuseUnverified();
    return;
  }
  if (contentLength > kMaxDownloadSize) {
    continueTransfer = false;
    AbortUpgrade();
    ShowLangMessage(kTextConnectionLost, MB_OK | MB_ICONERROR);
    return;
  }
  if (TupUpdaterWizardForm* w = UpgradeWizard())
    w->LFileSize->SetCaption(FmtLangStr(6, {static_cast<double>(contentLength) / 1024}));
  if (miscFilesUpgrade_ == TupMiscFilesUpgradeBehavior::mfuOnlyIfSizeDifferent && contentLength != 0 &&
      filesToDownload_.size() > 1) {
    const std::string local = currentTarget_.substr(0, currentTarget_.size() - 5);
    const std::string exe = Application().ExeName();
    const auto nameOf = [](const std::string& path) { return path.substr(path.find_last_of("\\/") + 1); };
    if (CompareStringOrdinal(Widen(nameOf(local)).c_str(), -1, Widen(nameOf(exe)).c_str(), -1, TRUE) !=
            CSTR_EQUAL &&
        GetFileAttributesW(Widen(local).c_str()) != INVALID_FILE_ATTRIBUTES) {
      continueTransfer = static_cast<std::int64_t>(contentLength) != FileSizeOf(local);
    }
  }
  if (OnFileStart) OnFileStart(this, URL(), contentLength, remoteFileTime_, continueTransfer);
}

void TupUpdater::Progress(std::uint32_t totalBytes, std::uint32_t bytesTransferred, std::int32_t elapsed,
                          std::int32_t remaining, std::uint8_t percentDone, float rate) {
  if (infoPhase_) return;
  const auto files = static_cast<double>(filesToDownload_.size());
  const auto total =
      static_cast<std::uint8_t>(PercentOf(files, static_cast<double>(currentFileIndex_)) +
                                percentDone / std::max<std::size_t>(filesToDownload_.size(), 1));
  if (OnProgress)
    OnProgress(this, URL(), totalBytes, bytesTransferred, elapsed, remaining, percentDone, total, rate);
  if (TupUpdaterWizardForm* w = UpgradeWizard()) {
    w->ProgressCurrentFile->SetPosition(percentDone);
    w->ProgressAllFiles->SetPosition(total);
    w->LTransferRate->SetCaption(FmtLangStr(7, {static_cast<double>(rate)}));
    w->LEstimatedTime->SetCaption(FmtLangStr(8, {remaining / 60 / 60, remaining / 60 % 60, remaining % 60}));
  }
}

// ---- Hand-over ----------------------------------------------------------------------

void TupUpdater::RestartApplication(const std::string& params) {
  if (!upgradeDownloaded_) {
    DeleteTempFiles();
    downloaded_.clear();
  }
  if (keys_.required) {
    // The files waited for the user's OK in a folder others may write to.
    if (!DownloadsIntact()) {
      upgradeDownloaded_ = false;
      RefuseUnverified();
      return;
    }
    std::string checks;
    for (const auto& file : downloaded_) checks += FormatFileCheck(file.second);
    // What each downloaded file must be, for the finisher to check once more;
    // with none, a lone LF, so that the variable is there all the same.
    SetEnvironmentVariableW(finisher::kChecksVariable, Widen(checks.empty() ? "\n" : checks).c_str());
  }
  const bool handedOver =
      RunFinisher(!params.empty() ? params : restartParams_ + std::to_string(static_cast<int>(method_)));
  SetEnvironmentVariableW(finisher::kChecksVariable, nullptr);
  // Closing now would leave the user with neither the old program nor the
  // new one; the downloaded files stay for a later hand-over.
  if (!handedOver)
    ShowMessage(FmtLangStr(kTextFolderNotWritable, {GetTempDirectory()}), MB_OK | MB_ICONERROR);
}

bool TupUpdater::RunFinisher(const std::string& params) {
  const std::wstring finisher = Widen(FinisherPath());
  bool written = false;
  {
    UniqueFile file(CreateFileW(finisher.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                CREATE_ALWAYS, FILE_ATTRIBUTE_TEMPORARY, nullptr));
    if (!file) return false;
    TupMemoryStream image;
    if (CopyResourceToStream(nullptr, "UPDFIN", "UPDFIN", &image)) {
      const std::string_view bytes = image.Data();
      DWORD done = 0;
      written = WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr) &&
                done == bytes.size();
    }
  }
  std::wstring commandLine = FinisherCommandLine(finisher, Widen(Application().ExeName()), Widen(params));
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process{};
  if (!written || !CreateProcessW(finisher.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                  nullptr, &startup, &process)) {
    DeleteFileW(finisher.c_str());
    return false;
  }
  const UniqueKernelHandle thread(process.hThread), started(process.hProcess);
  if (OnDoOwnCloseAppMethod) {
    OnDoOwnCloseAppMethod(this);
  } else {
    CloseApplication();
  }
  return true;
}

void TupUpdater::DeleteTempFiles() {
  const std::wstring folder = Widen(ProgramFolder());
  WIN32_FIND_DATAW found{};
  const UniqueFindHandle search(FindFirstFileW((folder + L"*.uTMP").c_str(), &found));
  if (!search) return;
  do {
    // The pattern also matches names whose 8.3 form ends so.
    const std::wstring name = found.cFileName;
    if (name.size() >= 5 &&
        CompareStringOrdinal(name.c_str() + name.size() - 5, -1, L".uTMP", -1, TRUE) == CSTR_EQUAL)
      DeleteFileW((folder + name).c_str());
  } while (FindNextFileW(search.Get(), &found));
}

}  // namespace tallivo

namespace tallivo::ui {

template <>
const EnumNames& EnumNamesOf<TupUpdaterShowMessage>() {
  static const EnumNames names{{"mAskUpgrade", "mConnLost", "mHostUnreachable", "mLostFile", "mNoInfoFile",
                                "mNoUpdateAvailable", "mPasswordRequest"}};
  return names;
}

template <>
const EnumNames& EnumNamesOf<TupMiscFilesUpgradeBehavior>() {
  static const EnumNames names{{"mfuAlwaysDownload", "mfuOnlyIfSizeDifferent"}};
  return names;
}

template <>
const EnumNames& EnumNamesOf<TupVersionControl>() {
  static const EnumNames names{{"byNumber", "byDate"}};
  return names;
}

template <>
const EnumNames& EnumNamesOf<TupUpgradeMethod>() {
  static const EnumNames names{{"umSelfUpgrade", "umUseExternalSetup", "umRedirectToURL"}};
  return names;
}

template <>
const EnumNames& EnumNamesOf<TupInternetOption>() {
  static const EnumNames names{{"ioIgnoreCertificateInvalid", "ioIgnoreCertificateDateInvalid",
                                "ioIgnoreRedirectToHTTP", "ioIgnoreRedirectToHTTPS", "ioKeepConnection",
                                "ioNoAuthentication", "ioNoAutoRedirect", "ioNoCookies"}};
  return names;
}

template <>
const EnumNames& EnumNamesOf<TThreadPriority>() {
  static const EnumNames names{
      {"tpIdle", "tpLowest", "tpLower", "tpNormal", "tpHigher", "tpHighest", "tpTimeCritical"}};
  return names;
}

template <>
const EnumNames& EnumNamesOf<TupCacheOption>() {
  static const EnumNames names{{"coAlwaysReload", "coReloadIfNoExpireInformation", "coReloadUpdatedObjects",
                                "coPragmaNoCache", "coNoCacheWrite", "coCreateTempFilesIfCantCache",
                                "coUseCacheIfNetFail"}};
  return names;
}

}  // namespace tallivo::ui
