#include "net/http_settings.h"

#include "net/login_info.h"

namespace tallivo {

namespace ui {
template <>
const EnumNames& EnumNamesOf<TupHTTPAccessType>() {
  static const EnumNames names{{"atPreconfig", "atDirect", "atUseProxy"}};
  return names;
}
template <>
const EnumNames& EnumNamesOf<TupFileAttribute>() {
  static const EnumNames names{
      {"atrArchive", "atrHidden", "atrReadOnly", "atrSystem", "atrTemporary", "atrOffline"}};
  return names;
}
}  // namespace ui

// ---- Proxy -----------------------------------------------------------------------------------------

const ui::ClassInfo& TupHTTPProxy::StaticClass() {
  using P = TupHTTPProxy;
  const auto withProxy = [](const ui::TPersistent& p) {
    return static_cast<const P&>(p).AccessType() == TupHTTPAccessType::atUseProxy;
  };
  static const ui::ClassInfo info(
      "TupHTTPProxy", nullptr, nullptr,
      {
          ui::Property<P>("AccessType", &P::AccessType, &P::SetAccessType, TupHTTPAccessType::atPreconfig),
          ui::Property<P>("ProxyPort", &P::ProxyPort, &P::SetProxyPort, 8080),
          // The proxy's address matters only with a proxy; a reloaded bypass is the default again.
          [&] {
            ui::PropInfo p =
                ui::Property<P>("ProxyServer", &P::ProxyServer, &P::SetProxyServer, std::string());
            p.stored = [withProxy](const ui::TPersistent& o) {
              return withProxy(o) && !static_cast<const P&>(o).ProxyServer().empty();
            };
            return p;
          }(),
          [&] {
            ui::PropInfo p =
                ui::Property<P>("ProxyBypass", &P::ProxyBypass, &P::SetProxyBypass, std::string());
            p.stored = [withProxy](const ui::TPersistent& o) {
              return withProxy(o) && !static_cast<const P&>(o).ProxyBypass().empty();
            };
            return p;
          }(),
          ui::Property<P>("ProxyUsername", &P::ProxyUsername, &P::SetProxyUsername, std::string()),
          ui::Property<P>("ProxyPassword", &P::ProxyPassword, &P::SetProxyPassword, std::string()),
      });
  return info;
}

void TupHTTPProxy::Assign(const ui::TPersistent* source) {
  if (!source) {
    accessType_ = TupHTTPAccessType::atPreconfig;
    proxyPort_ = 8080;
    proxyServer_.clear();
    proxyBypass_ = "127.0.0.1;";
    proxyUsername_.clear();
    proxyPassword_.clear();
    return;
  }
  const auto* other = dynamic_cast<const TupHTTPProxy*>(source);
  if (!other) return TPersistent::Assign(source);
  accessType_ = other->accessType_;
  proxyPort_ = other->proxyPort_;
  proxyServer_ = other->proxyServer_;
  proxyBypass_ = other->proxyBypass_;
  proxyUsername_ = other->proxyUsername_;
  proxyPassword_ = other->proxyPassword_;
}

// ---- Range and time-outs ---------------------------------------------------------------------------

const ui::ClassInfo& TupHTTPRange::StaticClass() {
  using R = TupHTTPRange;
  static const ui::ClassInfo info("TupHTTPRange", nullptr, nullptr,
                                  {
                                      ui::Property<R>("StartRange", &R::StartRange, &R::SetStartRange, 0u),
                                      ui::Property<R>("EndRange", &R::EndRange, &R::SetEndRange, 0u),
                                  });
  return info;
}

void TupHTTPRange::Assign(const ui::TPersistent* source) {
  const auto* other = dynamic_cast<const TupHTTPRange*>(source);
  if (source && !other) return TPersistent::Assign(source);
  startRange_ = other ? other->startRange_ : 0;
  endRange_ = other ? other->endRange_ : 0;
}

const ui::ClassInfo& TupHTTPTimeouts::StaticClass() {
  using T = TupHTTPTimeouts;
  static const ui::ClassInfo info(
      "TupHTTPTimeouts", nullptr, nullptr,
      {
          ui::Property<T>("ConnectTimeout", &T::ConnectTimeout, &T::SetConnectTimeout, 0u),
          ui::Property<T>("ReceiveTimeout", &T::ReceiveTimeout, &T::SetReceiveTimeout, 0u),
          ui::Property<T>("SendTimeout", &T::SendTimeout, &T::SetSendTimeout, 0u),
      });
  return info;
}

void TupHTTPTimeouts::Assign(const ui::TPersistent* source) {
  const auto* other = dynamic_cast<const TupHTTPTimeouts*>(source);
  if (source && !other) return TPersistent::Assign(source);
  connect_ = other ? other->connect_ : 0;
  receive_ = other ? other->receive_ : 0;
  send_ = other ? other->send_ : 0;
}

// ---- Output file attributes ------------------------------------------------------------------------

const ui::ClassInfo& TupOutputFileAttributes::StaticClass() {
  using A = TupOutputFileAttributes;
  static const ui::ClassInfo info(
      "TupOutputFileAttributes", nullptr, nullptr,
      {
          ui::Property<A>("Complete", &A::Complete, &A::SetComplete, kDefaultComplete),
          ui::Property<A>("Incomplete", &A::Incomplete, &A::SetIncomplete, kDefaultIncomplete),
      });
  return info;
}

void TupOutputFileAttributes::Assign(const ui::TPersistent* source) {
  const auto* other = dynamic_cast<const TupOutputFileAttributes*>(source);
  if (source && !other) return TPersistent::Assign(source);
  complete_ = other ? other->complete_ : kDefaultComplete;
  incomplete_ = other ? other->incomplete_ : kDefaultIncomplete;
}

// ---- Log-in ----------------------------------------------------------------------------------------

const ui::ClassInfo& TupLoginComponent::StaticClass() {
  using L = TupLoginComponent;
  static const ui::ClassInfo info("TupLoginComponent", &TComponent::StaticClass(), nullptr, {[] {
                                    ui::PropInfo p;
                                    p.name = "LInfo";
                                    p.kind = ui::PropKind::Binary;
                                    p.get = [](const ui::TPersistent& o) {
                                      const auto& l = static_cast<const L&>(o);
                                      return ui::PropValue(EncodeLInfo({l.HTTPUsername(), l.HTTPPassword()}));
                                    };
                                    p.set = [](ui::TPersistent& o, const ui::PropValue& v) {
                                      auto& l = static_cast<L&>(o);
                                      const auto login = DecodeLInfo(ui::PropTraits<ui::Bytes>::From(v));
                                      l.SetHTTPUsername(login ? login->userName : std::string());
                                      l.SetHTTPPassword(login ? login->password : std::string());
                                    };
                                    p.stored = [](const ui::TPersistent& o) {
                                      const auto& l = static_cast<const L&>(o);
                                      return !l.HTTPUsername().empty() || !l.HTTPPassword().empty();
                                    };
                                    return p;
                                  }()});
  return info;
}

}  // namespace tallivo
