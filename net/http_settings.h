// The settings objects the HTTP component owns and stores in its form: proxy,
// byte range, time-outs, the attributes of its output file, and the log-in it
// stores scrambled as "LInfo". Portable.
#pragma once

#include <cstdint>
#include <string>

#include "net/file_attributes.h"
#include "net/http_options.h"
#include "ui/component.h"
#include "ui/published.h"

namespace tallivo {

class TupHTTPProxy : public ui::TPersistent {
 public:
  static const ui::ClassInfo& StaticClass();
  const ui::ClassInfo& Class() const override { return StaticClass(); }
  // nullptr: the defaults; another proxy: its settings; anything else throws.
  void Assign(const ui::TPersistent* source) override;

  TupHTTPAccessType AccessType() const { return accessType_; }
  void SetAccessType(TupHTTPAccessType v) { accessType_ = v; }
  int ProxyPort() const { return proxyPort_; }
  void SetProxyPort(int v) { proxyPort_ = v; }
  const std::string& ProxyServer() const { return proxyServer_; }
  void SetProxyServer(std::string v) { proxyServer_ = std::move(v); }
  const std::string& ProxyBypass() const { return proxyBypass_; }
  void SetProxyBypass(std::string v) { proxyBypass_ = std::move(v); }
  const std::string& ProxyUsername() const { return proxyUsername_; }
  void SetProxyUsername(std::string v) { proxyUsername_ = std::move(v); }
  const std::string& ProxyPassword() const { return proxyPassword_; }
  void SetProxyPassword(std::string v) { proxyPassword_ = std::move(v); }

 private:
  TupHTTPAccessType accessType_ = TupHTTPAccessType::atPreconfig;
  int proxyPort_ = 8080;
  std::string proxyServer_;
  std::string proxyBypass_ = "127.0.0.1;";
  std::string proxyUsername_;
  std::string proxyPassword_;
};

// Bytes from StartRange to EndRange; both 0: the whole body.
class TupHTTPRange : public ui::TPersistent {
 public:
  static const ui::ClassInfo& StaticClass();
  const ui::ClassInfo& Class() const override { return StaticClass(); }
  void Assign(const ui::TPersistent* source) override;

  std::uint32_t StartRange() const { return startRange_; }
  void SetStartRange(std::uint32_t v) { startRange_ = v; }
  std::uint32_t EndRange() const { return endRange_; }
  void SetEndRange(std::uint32_t v) { endRange_ = v; }

 private:
  std::uint32_t startRange_ = 0;
  std::uint32_t endRange_ = 0;
};

// Milliseconds; 0 leaves WinInet's own time-out in force.
class TupHTTPTimeouts : public ui::TPersistent {
 public:
  static const ui::ClassInfo& StaticClass();
  const ui::ClassInfo& Class() const override { return StaticClass(); }
  void Assign(const ui::TPersistent* source) override;

  std::uint32_t ConnectTimeout() const { return connect_; }
  void SetConnectTimeout(std::uint32_t v) { connect_ = v; }
  std::uint32_t ReceiveTimeout() const { return receive_; }
  void SetReceiveTimeout(std::uint32_t v) { receive_ = v; }
  std::uint32_t SendTimeout() const { return send_; }
  void SetSendTimeout(std::uint32_t v) { send_ = v; }

 private:
  std::uint32_t connect_ = 0;
  std::uint32_t receive_ = 0;
  std::uint32_t send_ = 0;
};

// Incomplete while an output file is written or left unfinished; Complete
// once the transfer succeeded.
class TupOutputFileAttributes : public ui::TPersistent {
 public:
  static const ui::ClassInfo& StaticClass();
  const ui::ClassInfo& Class() const override { return StaticClass(); }
  void Assign(const ui::TPersistent* source) override;

  static constexpr TupFileAttributes kDefaultComplete{TupFileAttribute::atrArchive};
  static constexpr TupFileAttributes kDefaultIncomplete{TupFileAttribute::atrArchive,
                                                        TupFileAttribute::atrTemporary};

  TupFileAttributes Complete() const { return complete_; }
  void SetComplete(TupFileAttributes v) { complete_ = v; }
  TupFileAttributes Incomplete() const { return incomplete_; }
  void SetIncomplete(TupFileAttributes v) { incomplete_ = v; }

 private:
  TupFileAttributes complete_ = kDefaultComplete;
  TupFileAttributes incomplete_ = kDefaultIncomplete;
};

// The HTTP log-in, stored only as the scrambled "LInfo" block, and only
// when there is one.
class TupLoginComponent : public ui::TComponent {
 public:
  explicit TupLoginComponent(ui::TComponent* owner) : TComponent(owner) {}
  static const ui::ClassInfo& StaticClass();
  const ui::ClassInfo& Class() const override { return StaticClass(); }

  const std::string& HTTPUsername() const { return username_; }
  void SetHTTPUsername(std::string v) { username_ = std::move(v); }
  const std::string& HTTPPassword() const { return password_; }
  void SetHTTPPassword(std::string v) { password_ = std::move(v); }

 private:
  std::string username_;
  std::string password_;
};

}  // namespace tallivo

namespace tallivo::ui {
template <>
const EnumNames& EnumNamesOf<TupHTTPAccessType>();
template <>
const EnumNames& EnumNamesOf<TupFileAttribute>();
}  // namespace tallivo::ui
