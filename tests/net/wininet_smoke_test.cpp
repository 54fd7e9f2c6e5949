// WinInet against the local test servers (tests/server): what the transfer
// code will rely on, checked under Wine before that code exists. The servers'
// ports come from the environment that tests/server/with-test-servers sets up.
#include <gtest/gtest.h>
#include <windows.h>
// After windows.h, which it needs.
#include <wininet.h>

#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "base/internet_handle_win.h"
#include "base/text_win.h"

namespace tallivo {
namespace {

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

// Without the servers every test here would fail its own way: say why once.
class TestServers : public ::testing::Environment {
 public:
  void SetUp() override {
    const std::string unavailable = Env("TALLIVO_TEST_NET_UNAVAILABLE");
    ASSERT_TRUE(unavailable.empty()) << "the test servers could not be set up: " << unavailable;
    for (const char* name : {"TALLIVO_HTTP_PORT", "TALLIVO_HTTPS_PORT", "TALLIVO_HTTPS_UNTRUSTED_PORT",
                             "TALLIVO_HTTPS_WRONGHOST_PORT", "TALLIVO_HTTPS_REVOKED_PORT"})
      ASSERT_FALSE(Env(name).empty())
          << name << " is not set: run this test under tests/server/with-test-servers";
    const std::string trusted = Env("TALLIVO_TEST_CA_TRUSTED");
    ASSERT_TRUE(trusted == "0" || trusted == "1") << "TALLIVO_TEST_CA_TRUSTED is not set: run this test "
                                                     "under tests/server/with-test-ca or without-test-ca";
  }
};
[[maybe_unused]] const auto* const kTestServers = ::testing::AddGlobalTestEnvironment(new TestServers);

bool TestCaTrusted() {
  return Env("TALLIVO_TEST_CA_TRUSTED") == "1";
}

INTERNET_PORT Port(const char* variable) {
  return static_cast<INTERNET_PORT>(std::stoi(Env(variable)));
}

// What /gen/<size> serves.
std::string Pattern(std::size_t size) {
  std::string bytes(size, '\0');
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>(i % 251);
  return bytes;
}

// The WinInet errors that mean "the server's certificate was not accepted",
// as opposed to a connection or TLS failure.
bool IsCertificateError(DWORD error) {
  static const std::set<DWORD> errors = {ERROR_INTERNET_SEC_CERT_DATE_INVALID,
                                         ERROR_INTERNET_SEC_CERT_CN_INVALID,
                                         ERROR_INTERNET_INVALID_CA,
                                         ERROR_INTERNET_SEC_CERT_ERRORS,
                                         ERROR_INTERNET_SEC_CERT_NO_REV,
                                         ERROR_INTERNET_SEC_CERT_REV_FAILED,
                                         ERROR_INTERNET_SEC_INVALID_CERT,
                                         ERROR_INTERNET_SEC_CERT_REVOKED};
  return errors.count(error) != 0;
}

struct Response {
  std::string failed_call;  // empty when a response came
  DWORD error = 0;          // GetLastError() after failed_call
  DWORD status = 0;
  std::string request_seq;  // the fault server's X-Request-Seq: the request's number in /_log
  std::string body;
};

// One GET, nothing cached, no proxy, no dialogs.
Response Get(const wchar_t* host, INTERNET_PORT port, bool tls, const std::string& path) {
  Response r;
  auto fail = [&r](const char* call) {
    r.error = GetLastError();
    r.failed_call = call;
    return r;
  };
  UniqueInternetHandle session(
      InternetOpenW(L"Tallivo-test", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0));
  if (!session) return fail("InternetOpenW");
  // A server that stops answering fails the case instead of hanging it.
  DWORD timeout_ms = 30000;
  for (DWORD option :
       {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT, INTERNET_OPTION_RECEIVE_TIMEOUT})
    if (!InternetSetOptionW(session.Get(), option, &timeout_ms, sizeof timeout_ms))
      return fail("InternetSetOptionW");
  UniqueInternetHandle connection(
      InternetConnectW(session.Get(), host, port, nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0));
  if (!connection) return fail("InternetConnectW");
  DWORD flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_PRAGMA_NOCACHE |
                INTERNET_FLAG_NO_COOKIES | INTERNET_FLAG_NO_UI;
  if (tls) flags |= INTERNET_FLAG_SECURE;
  const std::wstring object = Widen(path);
  UniqueInternetHandle request(
      HttpOpenRequestW(connection.Get(), L"GET", object.c_str(), nullptr, nullptr, nullptr, flags, 0));
  if (!request) return fail("HttpOpenRequestW");
  if (!HttpSendRequestW(request.Get(), nullptr, 0, nullptr, 0)) return fail("HttpSendRequestW");
  DWORD size = sizeof r.status;
  if (!HttpQueryInfoW(request.Get(), HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &r.status, &size,
                      nullptr))
    return fail("HttpQueryInfoW");
  wchar_t seq[32] = L"X-Request-Seq";
  size = sizeof seq;
  if (HttpQueryInfoW(request.Get(), HTTP_QUERY_CUSTOM, seq, &size, nullptr)) r.request_seq = Narrow(seq);
  std::vector<char> buffer(16 * 1024);
  for (;;) {
    DWORD read = 0;
    if (!InternetReadFile(request.Get(), buffer.data(), static_cast<DWORD>(buffer.size()), &read))
      return fail("InternetReadFile");
    if (read == 0) break;
    r.body.append(buffer.data(), read);
  }
  return r;
}

std::string Describe(const Response& r) {
  if (!r.failed_call.empty()) return r.failed_call + " failed with error " + std::to_string(r.error);
  return "status " + std::to_string(r.status) + ", " + std::to_string(r.body.size()) + " body bytes";
}

enum class Outcome {
  kPattern,                   // 200 and the /gen pattern of `size` bytes
  kStatus,                    // a response with `status`
  kCertificateError,          // HttpSendRequest refuses the certificate
  kPatternWhereTestCaTrusted  // kPattern inside with-test-ca, kCertificateError outside
};

struct Case {
  const char* name;
  const wchar_t* host;
  const char* port_variable;
  bool tls;
  std::string path;
  Outcome outcome;
  DWORD status = 0;
  std::size_t size = 0;
};

class WininetSmoke : public ::testing::TestWithParam<Case> {};

TEST_P(WininetSmoke, GetsWhatTheServerSends) {
  const Case& c = GetParam();
  Outcome outcome = c.outcome;
  if (outcome == Outcome::kPatternWhereTestCaTrusted)
    outcome = TestCaTrusted() ? Outcome::kPattern : Outcome::kCertificateError;
  const Response r = Get(c.host, Port(c.port_variable), c.tls, c.path);
  // Recorded in the test's output: which code Wine gives is worth knowing.
  std::printf("%s %s: %s\n", c.name, c.path.c_str(), Describe(r).c_str());
  switch (outcome) {
    case Outcome::kPattern:
      ASSERT_TRUE(r.failed_call.empty()) << Describe(r);
      EXPECT_EQ(r.status, 200u);
      EXPECT_EQ(r.body.size(), c.size);
      EXPECT_TRUE(r.body == Pattern(c.size)) << "the body is not the /gen pattern";
      break;
    case Outcome::kStatus:
      ASSERT_TRUE(r.failed_call.empty()) << Describe(r);
      EXPECT_EQ(r.status, c.status);
      break;
    case Outcome::kCertificateError:
    case Outcome::kPatternWhereTestCaTrusted:
      EXPECT_EQ(r.failed_call, "HttpSendRequestW") << Describe(r);
      EXPECT_TRUE(IsCertificateError(r.error)) << Describe(r);
      break;
  }
}

// TLS goes to localhost: Wine 8 matches the host name only against the DNS
// names of the certificate, so 127.0.0.1 fails with 12038 (CN invalid) even
// though the certificate names IP:127.0.0.1.
const Case kCases[] = {
    {"HttpGen", L"127.0.0.1", "TALLIVO_HTTP_PORT", false, "/gen/1000", Outcome::kPattern, 0, 1000},
    {"HttpsSignedByTestCa", L"localhost", "TALLIVO_HTTPS_PORT", true, "/gen/1000",
     Outcome::kPatternWhereTestCaTrusted, 0, 1000},
    {"HttpsSelfSigned", L"localhost", "TALLIVO_HTTPS_UNTRUSTED_PORT", true, "/gen/10",
     Outcome::kCertificateError},
    {"HttpsWrongHost", L"localhost", "TALLIVO_HTTPS_WRONGHOST_PORT", true, "/gen/10",
     Outcome::kCertificateError},
    {"HttpAuthWithoutCredentials", L"127.0.0.1", "TALLIVO_HTTP_PORT", false, "/auth/user/secret/gen/10",
     Outcome::kStatus, 401},
};

INSTANTIATE_TEST_SUITE_P(Cases, WininetSmoke, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<Case>& param) {
                           return std::string(param.param.name);
                         });

// The server's log holds the request line as the client sent it.
TEST(WininetSmokeLog, ShowsTheRequestLine) {
  const std::string tag = "wininet-smoke-" + std::to_string(GetCurrentProcessId());
  const Response fetched = Get(L"127.0.0.1", Port("TALLIVO_HTTP_PORT"), false, "/gen/10?tag=" + tag);
  ASSERT_TRUE(fetched.failed_call.empty()) << Describe(fetched);
  ASSERT_FALSE(fetched.request_seq.empty()) << "no X-Request-Seq in the response";
  const Response log = Get(L"127.0.0.1", Port("TALLIVO_HTTP_PORT"), false, "/_log?match=" + tag);
  ASSERT_TRUE(log.failed_call.empty()) << Describe(log);
  EXPECT_EQ(log.status, 200u);
  // This request's own entry, found by its number, not an older one with the same tag.
  const std::size_t entry = log.body.find("#" + fetched.request_seq + " http ");
  ASSERT_NE(entry, std::string::npos) << log.body;
  const std::size_t line = log.body.find('\n', entry) + 1;
  const std::string request_line = "GET /gen/10?tag=" + tag + " HTTP/1.1\n";
  EXPECT_EQ(log.body.compare(line, request_line.size(), request_line), 0) << log.body;
  EXPECT_NE(log.body.find("User-Agent: Tallivo-test", line), std::string::npos) << log.body;
}

}  // namespace
}  // namespace tallivo
