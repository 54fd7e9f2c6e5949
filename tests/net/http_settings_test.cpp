// The HTTP component's settings objects: what their stored form holds, the
// scrambled log-in, and Assign.
#include "net/http_settings.h"

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace tallivo {
namespace {

// The names of the settings the stored form would hold, in order.
std::vector<std::string> Stored(const ui::TPersistent& object) {
  std::vector<std::string> names;
  for (const ui::PropInfo* p : object.Class().AllProperties()) {
    if (p->stored && p->stored(object)) names.push_back(p->name);
  }
  return names;
}

TEST(HttpSettings, TheStoredFormHoldsWhatDiffersFromTheDefaults) {
  struct Case {
    const char* name;
    std::function<void(TupHTTPProxy&)> change;
    std::vector<std::string> stored;
  };
  const std::vector<Case> cases = {
      {"defaults", [](TupHTTPProxy&) {}, {}},
      {"a server without a proxy is not stored",
       [](TupHTTPProxy& p) {
         p.SetProxyServer("proxy.example");
         p.SetProxyBypass("<local>");
       },
       {}},
      {"with a proxy, server and even the default bypass",
       [](TupHTTPProxy& p) {
         p.SetAccessType(TupHTTPAccessType::atUseProxy);
         p.SetProxyServer("proxy.example");
       },
       {"AccessType", "ProxyServer", "ProxyBypass"}},
      {"port and log-in",
       [](TupHTTPProxy& p) {
         p.SetProxyPort(3128);
         p.SetProxyUsername("u");
         p.SetProxyPassword("p");
       },
       {"ProxyPort", "ProxyUsername", "ProxyPassword"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TupHTTPProxy proxy;
    c.change(proxy);
    EXPECT_EQ(Stored(proxy), c.stored);
  }
  TupOutputFileAttributes attributes;
  EXPECT_TRUE(Stored(attributes).empty());
  attributes.SetIncomplete(
      {TupFileAttribute::atrArchive, TupFileAttribute::atrHidden, TupFileAttribute::atrTemporary});
  EXPECT_EQ(Stored(attributes), std::vector<std::string>{"Incomplete"});
}

TEST(HttpSettings, TheLogInIsStoredScrambledAndOnlyWhenThereIsOne) {
  TupLoginComponent login(nullptr);
  const ui::PropInfo* info = login.Class().FindProperty("LInfo");
  ASSERT_NE(info, nullptr);
  EXPECT_FALSE(info->stored(login));
  login.SetHTTPUsername("ab");
  login.SetHTTPPassword("cde");
  ASSERT_TRUE(info->stored(login));
  const auto block = ui::PropTraits<ui::Bytes>::From(info->get(login));
  ASSERT_EQ(block.size(), 7u);
  EXPECT_EQ(block[0], 6);
  for (const char* plain : {"ab", "cde"}) {
    EXPECT_EQ(std::string(block.begin(), block.end()).find(plain), std::string::npos) << "scrambled";
  }
  TupLoginComponent reloaded(nullptr);
  info->set(reloaded, info->get(login));
  EXPECT_EQ(reloaded.HTTPUsername(), "ab");
  EXPECT_EQ(reloaded.HTTPPassword(), "cde");
  // A damaged block leaves the log-in empty rather than half read.
  info->set(reloaded, ui::PropValue(ui::Bytes{9, 1}));
  EXPECT_EQ(reloaded.HTTPUsername(), "");
  EXPECT_EQ(reloaded.HTTPPassword(), "");
}

TEST(HttpSettings, AssignCopiesResetsOrRefuses) {
  TupHTTPProxy proxy;
  proxy.SetAccessType(TupHTTPAccessType::atUseProxy);
  proxy.SetProxyServer("proxy.example");
  proxy.SetProxyBypass("");
  TupHTTPProxy copy;
  copy.Assign(&proxy);
  EXPECT_EQ(copy.AccessType(), TupHTTPAccessType::atUseProxy);
  EXPECT_EQ(copy.ProxyServer(), "proxy.example");
  EXPECT_EQ(copy.ProxyBypass(), "");
  const TupHTTPRange range;
  try {
    copy.Assign(&range);
    ADD_FAILURE() << "assigned a range to a proxy";
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "Cannot assign a TupHTTPRange to a TupHTTPProxy");
  }
  EXPECT_EQ(copy.ProxyServer(), "proxy.example") << "left unchanged";
  copy.Assign(nullptr);
  EXPECT_EQ(copy.AccessType(), TupHTTPAccessType::atPreconfig);
  EXPECT_EQ(copy.ProxyPort(), 8080);
  EXPECT_EQ(copy.ProxyServer(), "");
  EXPECT_EQ(copy.ProxyBypass(), "127.0.0.1;");

  TupOutputFileAttributes attributes;
  attributes.SetComplete({});
  attributes.Assign(nullptr);
  EXPECT_EQ(attributes.Complete(), TupOutputFileAttributes::kDefaultComplete);
  TupHTTPTimeouts timeouts;
  timeouts.SetReceiveTimeout(5);
  TupHTTPTimeouts timeoutsCopy;
  timeoutsCopy.Assign(&timeouts);
  EXPECT_EQ(timeoutsCopy.ReceiveTimeout(), 5u);
  EXPECT_THROW(timeoutsCopy.Assign(&proxy), std::runtime_error);
}

}  // namespace
}  // namespace tallivo
