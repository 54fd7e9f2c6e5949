// The HTTP component in process against the local test servers
// (tests/server): what each kind of answer, fault and stop makes it report,
// on which thread, and what it leaves on disk.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "base/text_win.h"
#include "net/custom_http_win.h"
#include "net/file_utils_win.h"
#include "tests/driver/driver_win.h"
#include "ui/application_win.h"

namespace tallivo {
namespace {

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

std::string Http(const std::string& path) {
  return "http://127.0.0.1:" + Env("TALLIVO_HTTP_PORT") + path;
}

// What /gen/<size> serves, from `offset` on.
std::string Pattern(std::size_t size, std::size_t offset = 0) {
  std::string bytes(size, '\0');
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((offset + i) % 251);
  return bytes;
}

std::string ReadFile(const std::string& name) {
  std::string bytes;
  if (FILE* f = _wfopen(Widen(name).c_str(), L"rb")) {
    char block[4096];
    for (std::size_t n; (n = fread(block, 1, sizeof block, f)) > 0;) bytes.append(block, n);
    fclose(f);
  }
  return bytes;
}

DWORD Attributes(const std::string& name) {
  return GetFileAttributesW(Widen(name).c_str());
}

std::string StreamText(TupStream* stream) {
  if (!stream) return "(none)";
  std::string bytes(static_cast<std::size_t>(stream->Size()), '\0');
  stream->SetPosition(0);
  bytes.resize(stream->Read(bytes.data(), bytes.size()));
  return bytes;
}

// Every event, in order, as a short text; the body a result event was given.
struct Recorder {
  std::vector<std::string> events;
  std::string body = "(no result)";
  bool offMainThread = false;  // a main-thread event that ran elsewhere
  bool done = false;
  DWORD mainThread = GetCurrentThreadId();
  std::vector<std::string> realms;
  std::function<void(bool&)> answerPassword;
  std::function<void(std::string&, std::string&, bool&)> answerProxy;
  bool continueTransfer = true;
  std::uint32_t received = 0;  // as the last progress step said

  void Add(const std::string& event, bool result = false) {
    if (GetCurrentThreadId() != mainThread) offMainThread = true;
    if (event != "progress" || events.empty() || events.back() != "progress") events.push_back(event);
    done = done || result;
  }

  void Wire(TupCustomHTTP& http) {
    http.OnHeaderReceived = [this](TupCustomHTTP*, int status, const std::string&, const std::string&,
                                   const std::string&, const std::string&, std::uint32_t length,
                                   const std::string&, double, double, double, const std::string&, bool& go) {
      Add("header " + std::to_string(status) +
          (status == 200 || status == 206 ? " " + std::to_string(length) : ""));
      go = continueTransfer;
    };
    http.OnTransferProgress = [this](TupCustomHTTP*, const std::string&, std::uint32_t, std::uint32_t got,
                                     std::int32_t, std::int32_t, std::uint8_t, float, TupStream*) {
      Add("progress");
      received = got;
    };
    http.OnDone = [this](TupCustomHTTP*, const std::string&, std::uint32_t total, TupStream* stream) {
      body = StreamText(stream);
      Add("done " + std::to_string(total), true);
    };
    http.OnTransferBroken = [this](TupCustomHTTP*, const std::string&, std::uint32_t length,
                                   std::uint32_t got, TupStream* stream) {
      body = StreamText(stream);
      Add("broken " + std::to_string(length) + " " + std::to_string(got));
    };
    http.OnHTTPError = [this](TupCustomHTTP*, int status, TupStream* stream) {
      body = StreamText(stream);
      Add("error " + std::to_string(status));
    };
    http.OnNoResponse = [this](TupCustomHTTP*) { Add("no response"); };
    http.OnTransferFailed = [this](TupCustomHTTP*) { Add("failed", true); };
    http.OnDeclined = [this](TupCustomHTTP*) { Add("declined", true); };
    http.OnTransferAborted = [this](TupCustomHTTP*) { Add("aborted", true); };
    http.OnDoneWithoutData = [this](TupCustomHTTP*) { Add("without data"); };
    http.OnServerPasswordRequest = [this](TupCustomHTTP*, const std::string& realm, bool& tryAgain) {
      Add("password");
      realms.push_back(realm);
      if (answerPassword) answerPassword(tryAgain);
    };
    http.OnProxyAuthenticationRequest = [this](TupCustomHTTP*, std::string& user, std::string& password,
                                               bool& tryAgain) {
      Add("proxy password");
      if (answerProxy) answerProxy(user, password, tryAgain);
    };
  }
};

class HttpTransfer : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(Env("TALLIVO_HTTP_PORT").empty()) << "run this test under tests/server/with-test-servers";
    ui::Application().Initialize();
    recorder_.Wire(http_);
    output_ = GetTempDirectory() + "tallivo-http-" + std::to_string(GetCurrentProcessId()) + ".bin";
    DeleteFileW(Widen(output_).c_str());
  }
  void TearDown() override {
    SetFileAttributesW(Widen(output_).c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileW(Widen(output_).c_str());
  }
  // Starts a transfer and handles messages until its last event.
  void Run(const std::string& url) {
    http_.SetURL(url);
    ASSERT_TRUE(http_.StartTransfer(false));
    ASSERT_TRUE(test::PumpUntil([&] { return recorder_.done && !http_.IsTransferring(); }));
  }

  TupCustomHTTP http_{nullptr};
  Recorder recorder_;
  std::string output_;
};

using Events = std::vector<std::string>;

TEST_F(HttpTransfer, ReportsEachKindOfAnswer) {
  const std::string missing = GetTempDirectory() + "tallivo-no-such-file.txt";
  const std::string local = GetTempDirectory() + "tallivo-local.txt";
  FILE* f = _wfopen(Widen(local).c_str(), L"wb");
  ASSERT_NE(f, nullptr);
  fputs("tallivo", f);
  fclose(f);
  const std::string none = "(none)";
  const std::string noResult = "(no result)";
  struct Case {
    const char* name;
    std::string url;
    bool toFile;
    Events events;
    std::string body;      // what the result event's stream held
    std::string fileBody;  // the output file afterwards; empty: there is none
    std::function<void(TupCustomHTTP&, Recorder&)> setUp = {};
  } cases[] = {
      {"into memory",
       Http("/gen/5000"),
       false,
       {"header 200 5000", "progress", "done 5000"},
       Pattern(5000),
       ""},
      {"into a file",
       Http("/gen/5000"),
       true,
       {"header 200 5000", "progress", "done 5000"},
       none,
       Pattern(5000)},
      {"a range, 206",
       Http("/gen/1000"),
       true,
       {"header 206 100", "progress", "done 100"},
       none,
       Pattern(100, 100),
       [](TupCustomHTTP& h, Recorder&) {
         h.Range().SetStartRange(100);
         h.Range().SetEndRange(199);
       }},
      {"no Content-Length",
       Http("/gen/3000?len=0"),
       false,
       {"header 200 0", "progress", "done 3000"},
       Pattern(3000),
       ""},
      // The stream keeps the announced size; only the start of it arrived.
      {"fewer bytes than announced",
       Http("/gen/600?announce=1000"),
       false,
       {"header 200 1000", "progress", "broken 1000 600", "failed"},
       Pattern(600) + std::string(400, '\0'),
       ""},
      // Refused before a byte is read or a byte of memory is set aside.
      {"2^62 bytes announced",
       Http("/gen/4096?announce=4611686018427387904"),
       false,
       {"header 200 4294967295", "broken 4294967295 0", "failed"},
       "",
       ""},
      {"2^62 bytes announced, into a file",
       Http("/gen/4096?announce=4611686018427387904"),
       true,
       {"header 200 4294967295", "broken 4294967295 0", "failed"},
       none,
       ""},
      {"more than memory may take",
       Http("/gen/70000?len=0"),
       false,
       {"header 200 0", "progress", "broken 0 69632", "failed"},
       Pattern(65536),
       "",
       [](TupCustomHTTP& h, Recorder&) { h.SetMaxMemorySize(65536); }},
      {"declined",
       Http("/gen/5000"),
       true,
       {"header 200 5000", "declined"},
       noResult,
       "",
       [](TupCustomHTTP&, Recorder& r) { r.continueTransfer = false; }},
      {"404 with a body, never into the file",
       Http("/status/404"),
       true,
       {"header 404", "progress", "error 404", "failed"},
       "<html>",
       ""},
      {"no server", "http://127.0.0.1:1/gen/10", false, {"no response", "failed"}, noResult, ""},
      {"an existing local file", "file:///" + local, false, {"progress", "done 7"}, "tallivo", ""},
      {"a missing local file", "file:///" + missing, false, {"error 404", "failed"}, "", ""},
      {"the output file cannot be created",
       Http("/gen/5000"),
       true,
       {"header 200 5000", "broken 5000 0", "failed"},
       none,
       "",
       [](TupCustomHTTP& h, Recorder&) { h.SetOutputFileName(GetTempDirectory() + "no-such-dir\\x.bin"); }},
  };

  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TupCustomHTTP http(nullptr);
    Recorder recorder;
    recorder.Wire(http);
    http.SetOutputFileName(c.toFile ? output_ : "");
    // Read-only while incomplete, as Wine keeps that attribute.
    http.OutputFileAttributes().SetIncomplete({TupFileAttribute::atrArchive, TupFileAttribute::atrReadOnly});
    if (c.setUp) c.setUp(http, recorder);
    http.SetURL(c.url);
    ASSERT_TRUE(http.StartTransfer(false));
    ASSERT_TRUE(test::PumpUntil([&] { return recorder.done && !http.IsTransferring(); }));
    EXPECT_EQ(recorder.events, c.events);
    if (c.body == "<html>") {
      EXPECT_NE(recorder.body.find("<html>"), std::string::npos) << recorder.body;
    } else {
      EXPECT_EQ(recorder.body, c.body);
    }
    EXPECT_FALSE(recorder.offMainThread);
    const std::string name = http.OutputFileName();
    if (c.fileBody.empty()) {
      EXPECT_EQ(Attributes(name), INVALID_FILE_ATTRIBUTES) << "an output file where none belongs";
    } else {
      EXPECT_EQ(ReadFile(name), c.fileBody);
      // Read-only until complete.
      const DWORD complete = recorder.events.back().starts_with("done") ? 0 : FILE_ATTRIBUTE_READONLY;
      EXPECT_EQ(Attributes(name) & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE),
                complete | FILE_ATTRIBUTE_ARCHIVE);
    }
    if (std::string(c.name) == "the output file cannot be created") {
      EXPECT_NE(http.OutputFileError().find("Cannot create file"), std::string::npos);
    }
    SetFileAttributesW(Widen(output_).c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileW(Widen(output_).c_str());
  }
  DeleteFileW(Widen(local).c_str());
}

TEST_F(HttpTransfer, NothingPastTheAnnouncedLengthIsTaken) {
  // WinInet may stop at the announced length itself or hand out what came
  // with it; either way the file holds the announced bytes only, and a
  // longer body is no success.
  http_.SetOutputFileName(output_);
  Run(Http("/gen/1000?announce=600"));
  if (recorder_.events.back() == "failed") {
    EXPECT_EQ(recorder_.events, (Events{"header 200 600", "progress", "broken 600 1000", "failed"}));
  } else {
    EXPECT_EQ(recorder_.events, (Events{"header 200 600", "progress", "done 600"}));
  }
  EXPECT_EQ(ReadFile(output_), Pattern(600));
}

TEST_F(HttpTransfer, AsksForCredentialsUntilTheHandlerStops) {
  // A wrong password, asked again, then the right one.
  int asked = 0;
  recorder_.answerPassword = [&](bool& tryAgain) {
    ++asked;
    http_.SetHTTPUsername("user");
    http_.SetHTTPPassword(asked == 1 ? "wrong" : "secret");
    tryAgain = asked <= 2;
  };
  Run(Http("/auth/user/secret/gen/100"));
  EXPECT_EQ(recorder_.events, (Events{"password", "password", "header 200 100", "progress", "done 100"}));
  EXPECT_EQ(recorder_.realms, (std::vector<std::string>{"Tallivo test", "Tallivo test"}));
}

TEST_F(HttpTransfer, GoesThroughAProxyThatAsksForItsOwnCredentials) {
  recorder_.answerProxy = [](std::string& user, std::string& password, bool& tryAgain) {
    user = "proxyuser";
    password = "proxypass";
    tryAgain = true;
  };
  http_.Proxy().SetAccessType(TupHTTPAccessType::atUseProxy);
  http_.Proxy().SetProxyServer("127.0.0.1");
  http_.Proxy().SetProxyPort(std::stoi(Env("TALLIVO_PROXY_PORT")));
  http_.Proxy().SetProxyBypass("");
  // Not to 127.0.0.1: Wine would reuse a kept-alive direct connection there.
  Run("http://localhost:" + Env("TALLIVO_HTTP_PORT") + "/gen/100?via=proxy");
  EXPECT_EQ(recorder_.events, (Events{"proxy password", "header 200 100", "progress", "done 100"}));
  EXPECT_EQ(recorder_.body, Pattern(100));
}

TEST_F(HttpTransfer, FetchesOverHttpsWithTheTestCa) {
  if (Env("TALLIVO_TEST_CA_TRUSTED") != "1") GTEST_SKIP() << "the test CA is not trusted in this run";
  Run("https://localhost:" + Env("TALLIVO_HTTPS_PORT") + "/gen/2000");
  EXPECT_EQ(recorder_.events, (Events{"header 200 2000", "progress", "done 2000"}));
  EXPECT_EQ(recorder_.body, Pattern(2000));
}

TEST_F(HttpTransfer, TellsStatusAndRedirectsOnTheWorker) {
  std::vector<std::string> redirects;
  bool statusOnMain = false, redirectOnMain = false;
  int statuses = 0;
  http_.OnStatusText = [&](TupCustomHTTP*, int, const std::string& text) {
    statusOnMain = statusOnMain || GetCurrentThreadId() == recorder_.mainThread;
    statuses += text.empty() ? 0 : 1;
  };
  http_.OnRedirecting = [&](TupCustomHTTP*, const std::string& url) {
    redirectOnMain = redirectOnMain || GetCurrentThreadId() == recorder_.mainThread;
    redirects.push_back(url);
  };
  Run(Http("/redirect/302/gen/10"));
  EXPECT_EQ(recorder_.events, (Events{"header 200 10", "progress", "done 10"}));
  ASSERT_EQ(redirects.size(), 1u);
  EXPECT_TRUE(redirects[0].ends_with("/gen/10")) << redirects[0];
  EXPECT_GT(statuses, 0);
  EXPECT_FALSE(statusOnMain);
  EXPECT_FALSE(redirectOnMain);
}

TEST_F(HttpTransfer, ASoftStopKeepsThePartialFileUnlessAskedToDeleteIt) {
  http_.SetOutputFileName(output_);
  http_.OutputFileAttributes().SetIncomplete({TupFileAttribute::atrArchive, TupFileAttribute::atrReadOnly});
  for (const bool deleteFile : {false, true}) {
    SCOPED_TRACE(deleteFile);
    recorder_ = Recorder{};
    recorder_.Wire(http_);
    http_.OnTransferProgress = [&](TupCustomHTTP*, const std::string&, std::uint32_t, std::uint32_t got,
                                   std::int32_t, std::int32_t, std::uint8_t, float, TupStream*) {
      recorder_.Add("progress");
      if (got >= 8192) http_.AbortTransfer(deleteFile, false);
    };
    Run(Http("/gen/100000?stall=50000"));
    EXPECT_EQ(recorder_.events, (Events{"header 200 100000", "progress", "aborted"}));
    if (deleteFile) {
      EXPECT_EQ(Attributes(output_), INVALID_FILE_ATTRIBUTES);
    } else {
      EXPECT_EQ(ReadFile(output_), Pattern(8192));
      EXPECT_EQ(Attributes(output_) & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE),
                FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE);
    }
  }
}

TEST_F(HttpTransfer, AnImmediateStopEndsAStalledBodyAndTheNextTransferWorks) {
  // Wine's WinInet goes on waiting for a closed handle's data: the server
  // gives up after a while, so that the stopped worker ends.
  http_.SetURL(Http("/gen/100000?stall=5000&stallsecs=2"));
  ASSERT_TRUE(http_.StartTransfer(false));
  ASSERT_TRUE(test::PumpUntil([&] { return recorder_.received > 0; }));
  // In use: a second start changes nothing.
  http_.SetURL(Http("/gen/10"));
  EXPECT_FALSE(http_.StartTransfer(false));
  http_.AbortTransfer(false, true);
  EXPECT_EQ(recorder_.events, (Events{"header 200 100000", "progress", "aborted"}));
  EXPECT_FALSE(http_.IsTransferring());

  recorder_.events.clear();
  recorder_.done = false;
  Run(Http("/gen/10"));
  EXPECT_EQ(recorder_.events, (Events{"header 200 10", "progress", "done 10"}));
  EXPECT_EQ(recorder_.body, Pattern(10));
}

TEST_F(HttpTransfer, AWaitingStartEitherEndsTheTransferOrLetsItRun) {
  // Finished within the wait: every event has fired when it returns.
  http_.SetURL(Http("/gen/10"));
  EXPECT_TRUE(http_.StartTransfer(true));
  EXPECT_EQ(recorder_.events, (Events{"header 200 10", "progress", "done 10"}));

  for (const bool terminate : {true, false}) {
    SCOPED_TRACE(terminate);
    recorder_.events.clear();
    int timeouts = 0;
    http_.OnWaitTimeout = [&](TupCustomHTTP*, bool& end) {
      ++timeouts;
      end = terminate;
    };
    http_.SetWaitTimeout(200);
    http_.SetURL(Http("/gen/100?wait=2"));
    EXPECT_EQ(http_.StartTransfer(true), !terminate);
    EXPECT_EQ(timeouts, 1);
    EXPECT_EQ(http_.IsTransferring(), !terminate);
    if (!terminate) http_.AbortTransfer(false, true);
    EXPECT_FALSE(http_.IsTransferring());
    http_.SetWaitTimeout(0);
  }
}

TEST_F(HttpTransfer, AResultEventStartsTheNextTransfer) {
  // Into memory the handler lets go of the data first; into a file the
  // component has already done so when OnDone comes.
  for (const bool toFile : {false, true}) {
    SCOPED_TRACE(toFile);
    std::vector<std::string> bodies;
    http_.SetOutputFileName(toFile ? output_ : "");
    http_.OnDone = [&](TupCustomHTTP* sender, const std::string&, std::uint32_t, TupStream* stream) {
      bodies.push_back(toFile ? ReadFile(output_) : StreamText(stream));
      if (bodies.size() == 1) {
        if (!toFile) sender->ReleaseTransferData();
        sender->SetURL(Http("/gen/20"));
        EXPECT_TRUE(sender->StartTransfer(false));
      }
    };
    http_.SetURL(Http("/gen/10"));
    ASSERT_TRUE(http_.StartTransfer(false));
    ASSERT_TRUE(test::PumpUntil([&] { return bodies.size() == 2 && !http_.IsTransferring(); }));
    EXPECT_EQ(bodies, (std::vector<std::string>{Pattern(10), Pattern(20)}));
  }
}

TEST_F(HttpTransfer, ManyTransfersLeaveNothingBehind) {
  // Counted one by one: Wine answers GetProcessHandleCount with 0.
  const auto handles = [] {
    DWORD count = 0;
    for (ULONG_PTR value = 4; value < (1u << 14); value += 4) {
      DWORD flags = 0;
      if (GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags)) ++count;
    }
    return count;
  };
  Run(Http("/gen/10"));
  const DWORD before = handles();
  for (int i = 0; i < 100; ++i) {
    recorder_.done = false;
    Run(Http("/gen/10?i=" + std::to_string(i)));
  }
  EXPECT_GT(before, 0u);
  EXPECT_LE(handles(), before);
}

}  // namespace
}  // namespace tallivo
