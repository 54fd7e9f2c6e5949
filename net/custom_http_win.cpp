#include "net/custom_http_win.h"

// After windows.h, which it needs.
#include <wininet.h>

#include <algorithm>
#include <atomic>
#include <limits>
#include <mutex>
#include <optional>

#include "base/internet_handle_win.h"
#include "base/text_win.h"
#include "net/file_stream_win.h"
#include "net/file_utils_win.h"
#include "net/http_date.h"
#include "net/internet_status.h"
#include "net/internet_utils_win.h"
#include "net/transfer_math.h"
#include "net/url.h"
#include "ui/message_window_win.h"

namespace tallivo {

struct TupCustomHTTP::Transfer {
  explicit Transfer(TupCustomHTTP& http) : owner(http) {}

  TupCustomHTTP& owner;
  // The settings as they were when the transfer started: the worker reads
  // them while the main thread may change the component's.
  std::string url, outputFileName, formData, referrerURL, acceptedTypes, agentName, username, password;
  std::vector<std::string> extraHeaders;
  TupCacheOptions cacheOptions;
  TupInternetOptions internetOptions;
  std::uint32_t startRange = 0, endRange = 0;
  std::uint32_t connectTimeout = 0, receiveTimeout = 0, sendTimeout = 0;
  std::uint32_t bufferSize = kDefaultTransferBufferSize;
  std::uint32_t maxMemorySize = kDefaultMaxMemorySize;
  std::uint32_t maxFileSize = UINT32_MAX;
  TupRequestMethod method = TupRequestMethod::rmAuto;
  TupHTTPAccessType accessType = TupHTTPAccessType::atPreconfig;
  std::string proxyServer, proxyBypass, proxyUsername, proxyPassword;
  int proxyPort = 0;
  bool workOffline = false;
  TupFileAttributes complete, incomplete;

  std::atomic<bool> inUse{true};
  // Set on the main thread before it stops the worker at once: the worker
  // then only unwinds, the main thread finishes.
  std::atomic<bool> immediate{false};
  std::atomic<bool> workerDone{false};
  std::atomic<bool> aborted{false};
  bool deleteOnAbort = false;

  bool success = false;
  bool outputFileOpen = false;
  bool continueTransfer = true;
  std::unique_ptr<TupStream> stream;
  std::vector<char> buffer;
  int statusCode = -1;
  std::optional<std::uint64_t> announced;  // Content-Length as the server sent it
  std::uint32_t contentLength = 0;
  std::uint32_t bytesTransferred = 0;
  DWORD startTick = 0;
  std::string contentType;
  std::string outputFileError;
  TransferStatistics statistics;
  float transferRate = -1.0f;

  // Handles, closed from either thread: closing is how the main thread makes
  // a blocked call on the worker return.
  std::mutex handleLock;
  bool cancelled = false;
  UniqueInternetHandle root, connection, request;
  UniqueFile localFile;

  // Keeps `h` in `slot` unless the transfer was stopped meanwhile.
  bool Adopt(UniqueInternetHandle& slot, HINTERNET h) {
    std::lock_guard lock(handleLock);
    if (cancelled) {
      UniqueInternetHandle closing(h);
      return false;
    }
    slot.Reset(h);
    return h != nullptr;
  }
  HINTERNET Get(const UniqueInternetHandle& slot) {
    std::lock_guard lock(handleLock);
    return slot.Get();
  }
  void CloseHandles(bool cancel) {
    std::lock_guard lock(handleLock);
    cancelled = cancelled || cancel;
    localFile.Reset();
    request.Reset();
    connection.Reset();
    root.Reset();
  }
};

namespace {

constexpr std::size_t kQueryBufferBytes = 4096;

// A header value, or nullopt when absent or longer than the query buffer.
std::optional<std::string> QueryHeader(HINTERNET request, DWORD query) {
  wchar_t buffer[kQueryBufferBytes / sizeof(wchar_t)];
  DWORD size = sizeof(buffer);
  DWORD index = 0;
  if (!request || !HttpQueryInfoW(request, query, buffer, &size, &index)) return std::nullopt;
  const std::size_t chars = std::min<std::size_t>(size / sizeof(wchar_t), std::size(buffer));
  return Narrow(std::wstring(buffer, std::find(buffer, buffer + chars, L'\0')));
}

void SetStringOption(HINTERNET handle, DWORD option, const std::string& value) {
  std::wstring wide = Widen(value);
  InternetSetOptionW(handle, option, wide.data(), static_cast<DWORD>(wide.size()));
}

void CALLBACK StatusCallback(HINTERNET, DWORD_PTR context, DWORD status, LPVOID information, DWORD length) {
  auto* t = reinterpret_cast<TupCustomHTTP::Transfer*>(context);
  if (!t) return;
  // Nothing may leave a WinInet callback.
  ui::CallReportingExceptions([&] {
    TupCustomHTTP& http = t->owner;
    if (http.OnStatusText)
      http.OnStatusText(&http, static_cast<int>(status), std::string(InternetStatusText(status)));
    if (status == kInternetStatusRedirect && http.OnRedirecting) {
      // Wide text: the length counts bytes, its terminating zero included.
      const auto* text = static_cast<const wchar_t*>(information);
      const std::size_t chars = text ? length / sizeof(wchar_t) : 0;
      const std::wstring url(text, std::find(text, text + chars, L'\0'));
      if (!url.empty()) http.OnRedirecting(&http, Narrow(url));
    }
  });
}

// The announced length as the 32-bit events carry it: 0 when none, held at
// the top when beyond.
std::uint32_t CappedLength(std::optional<std::uint64_t> announced) {
  return static_cast<std::uint32_t>(
      std::min<std::uint64_t>(announced.value_or(0), std::numeric_limits<std::uint32_t>::max()));
}

// Marks the worker's part of a transfer done, however it leaves.
struct WorkerDone {
  std::atomic<bool>& done;
  ~WorkerDone() { done = true; }
};

}  // namespace

TupCustomHTTP::TupCustomHTTP(ui::TComponent* owner)
    : TupLoginComponent(owner), thread_(ui::CreateOwned<TupCustomThread>(*this)) {
  thread_->SetOnException([this](TupCustomThread*) {
    if (OnTransferFailed) OnTransferFailed(this);
  });
  thread_->OnWaitTimeout = [this](TupCustomThread*, bool& terminate) {
    if (OnWaitTimeout) OnWaitTimeout(this, terminate);
    // The worker's blocking calls return; StartWork then stops it.
    if (terminate && current_) {
      current_->immediate = true;
      current_->CloseHandles(true);
    }
  };
}

TupCustomHTTP::~TupCustomHTTP() {
  if (current_) {
    current_->immediate = true;
    current_->CloseHandles(true);
  }
  // The worker ends while everything it uses is still here; no event fires.
  ui::Free(thread_);
  thread_ = nullptr;
  if (current_ && current_->workerDone) Release(*current_);
}

const ui::ClassInfo& TupCustomHTTP::StaticClass() {
  static const ui::ClassInfo info("TupCustomHTTP", &TupLoginComponent::StaticClass(),
                                  &ui::Construct<TupCustomHTTP>, {});
  return info;
}

void TupCustomHTTP::SetTransferBufferSize(std::uint32_t v) {
  transferBufferSize_ = std::clamp(v, kMinTransferBufferSize, kMaxTransferBufferSize);
}

bool TupCustomHTTP::StartTransfer(bool wait) {
  if (current_ && current_->inUse) return false;
  auto t = std::make_shared<Transfer>(*this);
  t->url = url_;
  t->outputFileName = outputFileName_;
  t->formData = formData_;
  t->referrerURL = referrerURL_;
  t->acceptedTypes = acceptedTypes_;
  t->agentName = agentName_;
  t->username = HTTPUsername();
  t->password = HTTPPassword();
  t->extraHeaders = extraHeaders_;
  t->cacheOptions = cacheOptions_;
  t->internetOptions = internetOptions_;
  t->startRange = range_.StartRange();
  t->endRange = range_.EndRange();
  t->connectTimeout = timeouts_.ConnectTimeout();
  t->receiveTimeout = timeouts_.ReceiveTimeout();
  t->sendTimeout = timeouts_.SendTimeout();
  t->bufferSize = transferBufferSize_;
  t->maxMemorySize = maxMemorySize_;
  t->maxFileSize = maxFileSize_;
  t->method = requestMethod_;
  t->accessType = proxy_.AccessType();
  t->proxyServer = proxy_.ProxyServer();
  t->proxyPort = proxy_.ProxyPort();
  t->proxyBypass = proxy_.ProxyBypass();
  t->proxyUsername = proxy_.ProxyUsername();
  t->proxyPassword = proxy_.ProxyPassword();
  t->workOffline = workOffline_;
  t->complete = outputFileAttributes_.Complete();
  t->incomplete = outputFileAttributes_.Incomplete();
  current_ = t;

  thread_->SetOnExecute([this, t](TupCustomThread*) { TransferBody(*t); });
  thread_->SetOnFinish([this, t](TupCustomThread*) { FinishTransfer(*t); });
  const bool waited = thread_->WaitForThread();
  if (wait) thread_->SetWaitForThread(true);
  const bool started = thread_->StartWork();
  thread_->SetWaitForThread(waited);
  if (!started) {
    // The wait ran out and the transfer was stopped: what the worker left is
    // released here once it has ended, else when it does.
    if (t->workerDone) Release(*t);
    t->inUse = false;
  }
  return started;
}

void TupCustomHTTP::AbortTransfer(bool deleteOutputFile, bool immediately) {
  if (!IsTransferring() || !current_) return;
  std::shared_ptr<Transfer> t = current_;
  t->deleteOnAbort = deleteOutputFile;
  if (!immediately) {
    thread_->StopWork(false);
    return;
  }
  t->immediate = true;
  t->CloseHandles(true);
  thread_->StopWork(true);
  FinishAbort(*t, false);
}

bool TupCustomHTTP::IsTransferring() const {
  return thread_ && thread_->Running();
}

void TupCustomHTTP::ReleaseTransferData() {
  if (current_) Release(*current_);
}

void TupCustomHTTP::CloseInternetHandles() {
  if (current_) current_->CloseHandles(false);
}

std::string TupCustomHTTP::URLFileName() const {
  const std::optional<URLParts> parts = SplitURL(url_);
  if (!parts) return {};
  std::string path = parts->path;
  std::replace(path.begin(), path.end(), '/', '\\');
  return path.substr(path.find_last_of('\\') + 1);
}

std::string TupCustomHTTP::URLHostName() const {
  const std::optional<URLParts> parts = SplitURL(url_);
  return parts ? parts->host : std::string();
}

int TupCustomHTTP::StatusCode() const {
  return current_ ? current_->statusCode : -1;
}

const std::string& TupCustomHTTP::ContentType() const {
  static const std::string empty;
  return current_ ? current_->contentType : empty;
}

std::uint32_t TupCustomHTTP::ContentLength() const {
  return current_ ? current_->contentLength : 0;
}

std::uint32_t TupCustomHTTP::BytesTransferred() const {
  return current_ ? current_->bytesTransferred : 0;
}

std::uint8_t TupCustomHTTP::PercentDone() const {
  return current_ ? current_->statistics.percentDone : 0;
}

std::int32_t TupCustomHTTP::ElapsedTime() const {
  return current_ ? current_->statistics.elapsedTime : 0;
}

std::int32_t TupCustomHTTP::RemainingTime() const {
  return current_ ? current_->statistics.remainingTime : 0;
}

float TupCustomHTTP::TransferRate() const {
  return current_ ? current_->transferRate : -1.0f;
}

const std::string& TupCustomHTTP::OutputFileError() const {
  static const std::string empty;
  return current_ ? current_->outputFileError : empty;
}

void TupCustomHTTP::CallInMainThread(const std::function<void()>& method) {
  thread_->CallInMainThread(method);
}

void TupCustomHTTP::CheckStop(Transfer& t) {
  if (!thread_->StopRequested()) return;
  if (!t.immediate) FinishAbort(t, true);
  thread_->StopWork(true);  // unwinds this worker
}

void TupCustomHTTP::TransferBody(Transfer& t) {
  WorkerDone done{t.workerDone};
  t.statusCode = -1;
  t.contentType.clear();
  t.startTick = GetTickCount();
  t.continueTransfer = true;

  std::optional<URLParts> parts = SplitURL(t.url);
  URLParts url = parts.value_or(URLParts{});
  const std::string extraInfo = EscapeURLChars(url.extraInfo);
  if (url.userName.empty()) url.userName = t.username;
  if (url.password.empty()) url.password = t.password;
  CheckStop(t);

  const bool isFile = url.scheme == "file";
  if (isFile) {
    UniqueFile file(CreateFileW(Widen(url.path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size{};
    if (file && GetFileSizeEx(file.Get(), &size)) {
      t.statusCode = 200;
      t.announced = static_cast<std::uint64_t>(size.QuadPart);
      std::lock_guard lock(t.handleLock);
      if (!t.cancelled) t.localFile = std::move(file);
    } else {
      t.statusCode = 404;
      t.announced.reset();
    }
  } else {
    if (!parts) return;
    const std::wstring proxy = Widen(t.proxyServer + ":" + std::to_string(t.proxyPort));
    const std::wstring bypass = Widen(t.proxyBypass);
    const bool useProxy = t.accessType == TupHTTPAccessType::atUseProxy;
    if (!t.Adopt(t.root, InternetOpenW(Widen(t.agentName).c_str(), InternetAccessType(t.accessType),
                                       useProxy ? proxy.c_str() : nullptr,
                                       useProxy && !bypass.empty() ? bypass.c_str() : nullptr,
                                       t.workOffline ? INTERNET_FLAG_OFFLINE : 0)))
      return;
    // Notifications cost a call per read: only when someone listens.
    if (OnStatusText || OnRedirecting) InternetSetStatusCallbackW(t.Get(t.root), StatusCallback);

    CheckStop(t);
    const auto context = reinterpret_cast<DWORD_PTR>(&t);
    if (!t.Adopt(t.connection, InternetConnectW(t.Get(t.root), Widen(url.host).c_str(), url.port,
                                                Widen(url.userName).c_str(), Widen(url.password).c_str(),
                                                INTERNET_SERVICE_HTTP, 0, context)))
      return;

    CheckStop(t);
    const bool post =
        t.method == TupRequestMethod::rmPost || (t.method == TupRequestMethod::rmAuto && !t.formData.empty());
    const std::wstring accepted = Widen(t.acceptedTypes);
    const wchar_t* acceptedTypes[] = {accepted.c_str(), nullptr};
    const std::wstring referrer = Widen(t.referrerURL);
    // The request gets the transfer as its context too, or no redirect would be reported.
    if (!t.Adopt(t.request,
                 HttpOpenRequestW(t.Get(t.connection), post ? L"POST" : L"GET",
                                  Widen(url.path + extraInfo).c_str(), nullptr,
                                  referrer.empty() ? nullptr : referrer.c_str(), acceptedTypes,
                                  RequestFlags(url.scheme, t.cacheOptions, t.internetOptions), context)))
      return;
    const HINTERNET request = t.Get(t.request);
    if (t.accessType != TupHTTPAccessType::atDirect && !t.proxyUsername.empty() && !t.proxyPassword.empty()) {
      SetStringOption(request, INTERNET_OPTION_PROXY_USERNAME, t.proxyUsername);
      SetStringOption(request, INTERNET_OPTION_PROXY_PASSWORD, t.proxyPassword);
    }

    CheckStop(t);
    const std::pair<DWORD, std::uint32_t> timeouts[] = {{INTERNET_OPTION_CONNECT_TIMEOUT, t.connectTimeout},
                                                        {INTERNET_OPTION_RECEIVE_TIMEOUT, t.receiveTimeout},
                                                        {INTERNET_OPTION_SEND_TIMEOUT, t.sendTimeout}};
    for (auto [option, value] : timeouts) {
      DWORD ms = value;
      if (ms != 0) InternetSetOptionW(request, option, &ms, sizeof(ms));
    }
    const std::wstring headers = Widen(ExtraHeaderText(t.extraHeaders, t.startRange, t.endRange));
    if (!headers.empty() && !HttpAddRequestHeadersW(request, headers.c_str(),
                                                    static_cast<DWORD>(headers.size()), HTTP_ADDREQ_FLAG_ADD))
      return;

    // Sent again for as long as a credential handler asks to.
    for (;;) {
      CheckStop(t);
      bool tryAgain = false;
      const BOOL sent = post ? HttpSendRequestW(request, L"Content-Type: application/x-www-form-urlencoded",
                                                47, t.formData.data(), static_cast<DWORD>(t.formData.size()))
                             : HttpSendRequestW(request, nullptr, 0, nullptr, 0);
      if (!sent) return;
      CheckStop(t);
      if (const std::optional<std::string> code = QueryHeader(request, HTTP_QUERY_STATUS_CODE))
        t.statusCode = ParseStatusCode(*code);
      if (t.statusCode == HTTP_STATUS_DENIED && OnServerPasswordRequest) {
        t.contentType = RealmOf(QueryHeader(request, HTTP_QUERY_WWW_AUTHENTICATE).value_or(""));
        CallInMainThread([&] { OnServerPasswordRequest(this, t.contentType, tryAgain); });
        // Read after the handler, which may have changed them.
        SetStringOption(request, INTERNET_OPTION_USERNAME, HTTPUsername());
        SetStringOption(request, INTERNET_OPTION_PASSWORD, HTTPPassword());
      } else if (t.statusCode == HTTP_STATUS_PROXY_AUTH_REQ && OnProxyAuthenticationRequest) {
        std::string username, password;
        CallInMainThread([&] {
          username = proxy_.ProxyUsername();
          password = proxy_.ProxyPassword();
          OnProxyAuthenticationRequest(this, username, password, tryAgain);
          proxy_.SetProxyUsername(username);
          proxy_.SetProxyPassword(password);
        });
        SetStringOption(request, INTERNET_OPTION_PROXY_USERNAME, username);
        SetStringOption(request, INTERNET_OPTION_PROXY_PASSWORD, password);
      }
      if (!tryAgain) break;
    }

    CheckStop(t);
    if (std::optional<std::string> type = QueryHeader(request, HTTP_QUERY_CONTENT_TYPE))
      t.contentType = *type;
    t.announced.reset();
    if (const std::optional<std::string> length = QueryHeader(request, HTTP_QUERY_CONTENT_LENGTH))
      t.announced = ParseContentLength(*length);
    t.contentLength = CappedLength(t.announced);
    if (OnHeaderReceived) {
      const auto text = [&](DWORD query) { return QueryHeader(request, query).value_or(""); };
      const double bias = LocalTimeBias();
      const auto date = [&](DWORD query) {
        const std::optional<std::string> value = QueryHeader(request, query);
        return value ? ParseHTTPDate(*value, bias) : 0.0;
      };
      const std::string rawHeaders = text(HTTP_QUERY_RAW_HEADERS_CRLF);
      const std::string language = text(HTTP_QUERY_CONTENT_LANGUAGE);
      const std::string encoding = text(HTTP_QUERY_CONTENT_ENCODING);
      const std::string location = text(HTTP_QUERY_LOCATION);
      const std::string eTag = text(HTTP_QUERY_ETAG);
      const double dated = date(HTTP_QUERY_DATE);
      const double lastModified = date(HTTP_QUERY_LAST_MODIFIED);
      const double expires = date(HTTP_QUERY_EXPIRES);
      bool continueTransfer = true;
      CallInMainThread([&] {
        OnHeaderReceived(this, t.statusCode, rawHeaders, t.contentType, language, encoding, t.contentLength,
                         location, dated, lastModified, expires, eTag, continueTransfer);
      });
      t.continueTransfer = continueTransfer;
      if (!t.continueTransfer) return;
    }
  }
  if (isFile) t.contentLength = CappedLength(t.announced);

  CheckStop(t);
  const bool complete = t.statusCode == HTTP_STATUS_OK || t.statusCode == HTTP_STATUS_PARTIAL_CONTENT;
  const bool toFile = complete && !t.outputFileName.empty();
  // An announced length the counters cannot hold, or more than memory or the
  // file may take, is refused before a byte is read.
  const std::uint32_t maxSize = toFile ? t.maxFileSize : t.maxMemorySize;
  const bool tooLarge = complete && t.announced && *t.announced > maxSize;
  if (toFile && !tooLarge) {
    try {
      t.stream = std::make_unique<TupFileStream>(t.outputFileName, true);
    } catch (const EFCreateError& e) {
      // Reported as a broken transfer without a stream.
      t.outputFileError = e.what();
      return;
    }
    if (t.incomplete != TupFileAttributes{TupFileAttribute::atrArchive})
      ApplyFileAttributes(t.outputFileName, t.incomplete);
    t.outputFileOpen = true;
  } else if (!toFile) {
    auto memory = std::make_unique<TupMemoryStream>();
    if (!isFile && t.announced && !tooLarge && *t.announced <= t.maxMemorySize)
      memory->SetSize(static_cast<std::size_t>(*t.announced));
    t.stream = std::move(memory);
  }
  if (tooLarge) return;

  t.bytesTransferred = 0;
  t.buffer.assign(t.bufferSize, '\0');
  std::uint64_t received = 0;
  bool cut = false;  // more than announced, than memory or the file may take, or than the counters hold
  bool writeFailed = false;
  for (;;) {
    CheckStop(t);
    DWORD count = 0;
    BOOL read = FALSE;
    if (isFile) {
      std::lock_guard lock(t.handleLock);
      read = t.localFile && ReadFile(t.localFile.Get(), t.buffer.data(), t.bufferSize, &count, nullptr);
    } else {
      read = InternetReadFile(t.Get(t.request), t.buffer.data(), t.bufferSize, &count);
    }
    if (!read || count == 0) break;
    std::uint64_t keep = count;
    received += count;
    std::uint64_t limit = std::numeric_limits<std::uint32_t>::max();
    if (complete && t.announced) limit = std::min(limit, *t.announced);
    limit = std::min<std::uint64_t>(limit, maxSize);
    if (received > limit) {
      cut = true;
      keep -= std::min(keep, received - limit);
    }
    t.bytesTransferred = static_cast<std::uint32_t>(
        std::min<std::uint64_t>(received, std::numeric_limits<std::uint32_t>::max()));
    if (keep != 0 && !t.stream->Write(t.buffer.data(), static_cast<std::size_t>(keep))) {
      writeFailed = true;
      break;
    }
    if (OnTransferProgress) {
      CallInMainThread([&] {
        t.statistics = ComputeStatistics(t.contentLength, t.bytesTransferred, GetTickCount() - t.startTick);
        t.transferRate = t.statistics.transferRate;
        OnTransferProgress(this, t.contentType, t.contentLength, t.bytesTransferred, t.statistics.elapsedTime,
                           t.statistics.remainingTime, t.statistics.percentDone, t.transferRate,
                           t.stream.get());
      });
    }
    if (cut) break;
  }
  t.buffer = {};
  t.success = complete && !cut && !writeFailed;
  if (t.success && t.announced && *t.announced != 0 && t.stream) t.success = *t.announced == received;
}

void TupCustomHTTP::FinishAbort(Transfer& t, bool onWorker) {
  if (t.aborted.exchange(true)) return;
  t.CloseHandles(!onWorker);
  // A worker that did not end in time still holds the stream: it goes with
  // the transfer, once the worker lets go.
  if (onWorker || t.workerDone) {
    const bool wasOpen = t.outputFileOpen;
    Release(t);
    if (wasOpen && t.deleteOnAbort) {
      // Its Incomplete attributes may make it read-only.
      const std::wstring name = Widen(t.outputFileName);
      SetFileAttributesW(name.c_str(), FILE_ATTRIBUTE_NORMAL);
      DeleteFileW(name.c_str());
    }
  } else {
    t.inUse = false;
  }
  if (Destroying() || !OnTransferAborted) return;
  if (onWorker) {
    CallInMainThread([this] { OnTransferAborted(this); });
  } else {
    OnTransferAborted(this);
  }
}

void TupCustomHTTP::FinishTransfer(Transfer& t) {
  // Released whatever a handler does.
  struct ReleaseAtEnd {
    TupCustomHTTP& http;
    Transfer& t;
    ~ReleaseAtEnd() { http.Release(t); }
  };
  const auto fire = [this](const TupHTTPNotifyEvent& event) {
    if (event) event(this);
  };
  t.CloseHandles(false);
  {
    ReleaseAtEnd release{*this, t};
    if (t.stream) t.stream->SetPosition(0);
    if (t.continueTransfer) {
      if (t.success && !t.stream) {
        fire(OnTransferFailed);
        fire(OnDoneWithoutData);
        return;
      }
      if (t.success && t.outputFileOpen) {
        Release(t);
        if (t.complete != t.incomplete) ApplyFileAttributes(t.outputFileName, t.complete);
      }
      if (t.success) {
        if (OnDone) OnDone(this, t.contentType, t.bytesTransferred, t.stream.get());
      } else {
        if (t.statusCode == HTTP_STATUS_OK || t.statusCode == HTTP_STATUS_PARTIAL_CONTENT) {
          if (OnTransferBroken)
            OnTransferBroken(this, t.contentType, t.contentLength, t.bytesTransferred, t.stream.get());
        } else if (t.statusCode == -1) {
          fire(OnNoResponse);
        } else if (OnHTTPError) {
          OnHTTPError(this, t.statusCode, t.stream.get());
        }
        fire(OnTransferFailed);
      }
    }
  }
  if (!t.continueTransfer) fire(OnDeclined);
}

void TupCustomHTTP::Release(Transfer& t) {
  t.buffer = {};
  if (t.stream) {
    t.stream.reset();
    if (t.outputFileOpen && t.incomplete != TupFileAttributes{TupFileAttribute::atrArchive})
      ApplyFileAttributes(t.outputFileName, t.incomplete);
    t.outputFileOpen = false;
  }
  t.inUse = false;
}

}  // namespace tallivo
