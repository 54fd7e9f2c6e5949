// TupCustomHTTP: fetches one HTTP, HTTPS or file URL per transfer on a worker
// thread, into a file or into memory, and reports on the main thread.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "net/http_options.h"
#include "net/http_settings.h"
#include "net/stream.h"
#include "net/worker_thread_win.h"

namespace tallivo {

class TupCustomHTTP;

enum class TupRequestMethod { rmAuto, rmGet, rmPost };

using TupHTTPNotifyEvent = std::function<void(TupCustomHTTP* sender)>;
using TupHeaderReceivedEvent = std::function<void(
    TupCustomHTTP* sender, int statusCode, const std::string& rawHeaders, const std::string& contentType,
    const std::string& contentLanguage, const std::string& contentEncoding, std::uint32_t contentLength,
    const std::string& location, double date, double lastModified, double expires, const std::string& eTag,
    bool& continueTransfer)>;
using TupDoneEvent = std::function<void(TupCustomHTTP* sender, const std::string& contentType,
                                        std::uint32_t totalBytes, TupStream* stream)>;
using TupTransferProgressEvent =
    std::function<void(TupCustomHTTP* sender, const std::string& contentType, std::uint32_t totalBytes,
                       std::uint32_t bytesTransferred, std::int32_t elapsedTime, std::int32_t remainingTime,
                       std::uint8_t percentDone, float transferRate, TupStream* stream)>;
using TupStatusTextEvent =
    std::function<void(TupCustomHTTP* sender, int statusCode, const std::string& statusText)>;
using TupRedirectingEvent = std::function<void(TupCustomHTTP* sender, const std::string& newURL)>;
using TupTransferBrokenEvent =
    std::function<void(TupCustomHTTP* sender, const std::string& contentType, std::uint32_t contentLength,
                       std::uint32_t bytesTransferred, TupStream* stream)>;
using TupHTTPErrorEvent = std::function<void(TupCustomHTTP* sender, int statusCode, TupStream* stream)>;
using TupHTTPPasswordRequestEvent =
    std::function<void(TupCustomHTTP* sender, const std::string& realm, bool& tryAgain)>;
using TupHTTPProxyAuthenticationEvent = std::function<void(TupCustomHTTP* sender, std::string& proxyUsername,
                                                           std::string& proxyPassword, bool& tryAgain)>;
using TupHTTPWaitTimeoutEvent = std::function<void(TupCustomHTTP* sender, bool& terminate)>;

class TupCustomHTTP : public TupLoginComponent {
 public:
  static constexpr std::uint32_t kDefaultTransferBufferSize = 4096;
  static constexpr std::uint32_t kMinTransferBufferSize = 255;
  static constexpr std::uint32_t kMaxTransferBufferSize = 2147483647;
  // A body into memory larger than this ends the transfer as broken: a
  // server cannot make the program hold more than it asked for.
  static constexpr std::uint32_t kDefaultMaxMemorySize = 4 * 1024 * 1024;

  explicit TupCustomHTTP(ui::TComponent* owner);
  // Stops a running transfer without events and releases everything.
  ~TupCustomHTTP() override;
  static const ui::ClassInfo& StaticClass();
  const ui::ClassInfo& Class() const override { return StaticClass(); }

  // False, changing nothing, while a transfer is in use. With `wait`, returns
  // once it has ended, or false when the wait ran out and it was ended.
  bool StartTransfer(bool wait);
  // Nothing unless a transfer runs. Soft: the worker stops at its next check
  // point; immediately: the transfer's blocking calls are made to return and
  // it is finished here.
  void AbortTransfer(bool deleteOutputFile, bool immediately);
  bool IsTransferring() const;
  // Frees the current transfer's body stream and buffer (an output file is
  // closed and keeps its Incomplete attributes) and ends its use.
  void ReleaseTransferData();
  void CloseInternetHandles();
  std::string URLFileName() const;
  std::string URLHostName() const;

  // Settings.
  const std::vector<std::string>& ExtraHeaders() const { return extraHeaders_; }
  void SetExtraHeaders(std::vector<std::string> v) { extraHeaders_ = std::move(v); }
  const std::string& AcceptedTypes() const { return acceptedTypes_; }
  void SetAcceptedTypes(std::string v) { acceptedTypes_ = std::move(v); }
  const std::string& AgentName() const { return agentName_; }
  void SetAgentName(std::string v) { agentName_ = std::move(v); }
  const std::string& OutputFileName() const { return outputFileName_; }
  void SetOutputFileName(std::string v) { outputFileName_ = std::move(v); }
  TupOutputFileAttributes& OutputFileAttributes() { return outputFileAttributes_; }
  const std::string& URL() const { return url_; }
  void SetURL(std::string v) { url_ = std::move(v); }
  const std::string& FormData() const { return formData_; }
  void SetFormData(std::string v) { formData_ = std::move(v); }
  const std::string& ReferrerURL() const { return referrerURL_; }
  void SetReferrerURL(std::string v) { referrerURL_ = std::move(v); }
  TupCacheOptions CacheOptions() const { return cacheOptions_; }
  void SetCacheOptions(TupCacheOptions v) { cacheOptions_ = v; }
  TupInternetOptions InternetOptions() const { return internetOptions_; }
  void SetInternetOptions(TupInternetOptions v) { internetOptions_ = v; }
  TupHTTPRange& Range() { return range_; }
  TupHTTPTimeouts& Timeouts() { return timeouts_; }
  std::uint32_t TransferBufferSize() const { return transferBufferSize_; }
  // Kept within 255..2147483647.
  void SetTransferBufferSize(std::uint32_t v);
  std::uint32_t MaxMemorySize() const { return maxMemorySize_; }
  void SetMaxMemorySize(std::uint32_t v) { maxMemorySize_ = v; }
  // The same for a body into OutputFileName; by default only the counters' range.
  std::uint32_t MaxFileSize() const { return maxFileSize_; }
  void SetMaxFileSize(std::uint32_t v) { maxFileSize_ = v; }
  TupRequestMethod RequestMethod() const { return requestMethod_; }
  void SetRequestMethod(TupRequestMethod v) { requestMethod_ = v; }
  TupHTTPProxy& Proxy() { return proxy_; }
  bool WorkOffline() const { return workOffline_; }
  void SetWorkOffline(bool v) { workOffline_ = v; }
  TThreadPriority ThreadPriority() const { return thread_->WorkPriority(); }
  void SetThreadPriority(TThreadPriority v) { thread_->SetWorkPriority(v); }
  bool WaitForThread() const { return thread_->WaitForThread(); }
  void SetWaitForThread(bool v) { thread_->SetWaitForThread(v); }
  DWORD WaitTimeout() const { return thread_->WaitTimeout(); }
  void SetWaitTimeout(DWORD v) { thread_->SetWaitTimeout(v); }

  // The current transfer's state; read on the main thread inside its events
  // or after it ended.
  int StatusCode() const;
  const std::string& ContentType() const;
  std::uint32_t ContentLength() const;
  std::uint32_t BytesTransferred() const;
  std::uint8_t PercentDone() const;
  std::int32_t ElapsedTime() const;
  std::int32_t RemainingTime() const;
  float TransferRate() const;
  // Why the output file could not be created; empty when it could.
  const std::string& OutputFileError() const;

  TupHeaderReceivedEvent OnHeaderReceived;
  TupDoneEvent OnDone;
  TupHTTPNotifyEvent OnDeclined;
  TupTransferProgressEvent OnTransferProgress;
  TupStatusTextEvent OnStatusText;    // on the worker thread
  TupRedirectingEvent OnRedirecting;  // on the worker thread
  TupHTTPNotifyEvent OnTransferFailed;
  TupHTTPNotifyEvent OnTransferAborted;
  TupTransferBrokenEvent OnTransferBroken;
  TupHTTPNotifyEvent OnNoResponse;
  TupHTTPErrorEvent OnHTTPError;
  TupHTTPNotifyEvent OnDoneWithoutData;
  TupHTTPPasswordRequestEvent OnServerPasswordRequest;
  TupHTTPProxyAuthenticationEvent OnProxyAuthenticationRequest;
  TupHTTPWaitTimeoutEvent OnWaitTimeout;

  // One transfer's state, apart from the next one's: a result event may
  // start a new transfer while this one finishes.
  struct Transfer;

 private:
  void TransferBody(Transfer& t);
  void CheckStop(Transfer& t);
  void FinishAbort(Transfer& t, bool onWorker);
  void FinishTransfer(Transfer& t);
  void Release(Transfer& t);
  void CallInMainThread(const std::function<void()>& method);

  std::vector<std::string> extraHeaders_;
  std::string acceptedTypes_ = "text/html, */*";
  std::string agentName_ = "Tallivo TupCustomHTTP";
  std::string outputFileName_;
  TupOutputFileAttributes outputFileAttributes_;
  std::string url_;
  std::string formData_;
  std::string referrerURL_;
  TupCacheOptions cacheOptions_ = kDefaultCacheOptions;
  TupInternetOptions internetOptions_ = kDefaultInternetOptions;
  TupHTTPRange range_;
  TupHTTPTimeouts timeouts_;
  std::uint32_t transferBufferSize_ = kDefaultTransferBufferSize;
  std::uint32_t maxMemorySize_ = kDefaultMaxMemorySize;
  std::uint32_t maxFileSize_ = UINT32_MAX;
  TupRequestMethod requestMethod_ = TupRequestMethod::rmAuto;
  TupHTTPProxy proxy_;
  bool workOffline_ = false;

  TupCustomThread* thread_;  // owned as a component
  std::shared_ptr<Transfer> current_;
};

}  // namespace tallivo
