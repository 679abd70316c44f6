#define TARNWICK_LOOKUP_INTERNAL
#include "lookup/http_get.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <thread>

#include "lookup/http_transfer.h"
#include "lookup/lookup_testing.h"
#include "loopback_server.h"

namespace tarnwick {
namespace {

// Proxies stay out of the loopback traffic (libcurl and Wine's WinINet both read these).
void clearProxyVariables() {
  for (const char* name : {"http_proxy", "HTTP_PROXY", "ALL_PROXY", "all_proxy"}) {
#ifdef _WIN32
    _putenv_s(name, "");
#else
    ::unsetenv(name);
#endif
  }
}

class HttpGet : public ::testing::Test {
 protected:
  void SetUp() override { clearProxyVariables(); }
  void TearDown() override {
    server.stop();
    testing::resetHttpTimeouts();
  }
  std::wstring url(const std::string& path) { return server.wideUrl(path); }
  test::LoopbackServer server;
};

TEST_F(HttpGet, FetchesTheBodyWithOurUserAgent) {
  std::string agent;
  server.server().Get("/ok", [&](const httplib::Request& req, httplib::Response& res) {
    agent = req.get_header_value("User-Agent");
    res.set_content(std::string("a\0b\xff", 4), "application/octet-stream");
  });
  server.start();
  std::string body = "stale";
  std::uint32_t status = 7;
  ASSERT_TRUE(httpGet(url("/ok"), body, &status));
  EXPECT_EQ(status, 200u);
  EXPECT_EQ(body, std::string("a\0b\xff", 4));
  EXPECT_EQ(agent, "Tarnwick/1.0");
}

TEST_F(HttpGet, ErrorStatusIsFalseButKeepsTheBody) {
  server.server().Get("/gone", [](const httplib::Request&, httplib::Response& res) {
    res.status = 404;
    res.set_content("<h1>not here</h1>", "text/html");
  });
  server.server().Get("/empty", [](const httplib::Request&, httplib::Response& res) { res.status = 204; });
  server.start();
  std::string body;
  std::uint32_t status = 0;
  EXPECT_FALSE(httpGet(url("/gone"), body, &status));
  EXPECT_EQ(status, 404u);
  EXPECT_EQ(body, "<h1>not here</h1>");
  EXPECT_FALSE(httpGet(url("/empty"), body, &status));  // success means exactly 200
  EXPECT_EQ(status, 204u);
}

TEST_F(HttpGet, FollowsRedirectsWithoutCookiesAndGivesUpOnLoops) {
  std::string cookieSeen = "none";
  server.server().Get("/old", [](const httplib::Request&, httplib::Response& res) {
    res.set_header("Set-Cookie", "session=1; Path=/");
    res.set_redirect("/new", 302);
  });
  server.server().Get("/new", [&](const httplib::Request& req, httplib::Response& res) {
    cookieSeen = req.has_header("Cookie") ? req.get_header_value("Cookie") : "none";
    res.set_content("moved here", "text/plain");
  });
  server.server().Get("/loop",
                      [](const httplib::Request&, httplib::Response& res) { res.set_redirect("/loop"); });
  server.start();
  std::string body;
  std::uint32_t status = 0;
  ASSERT_TRUE(httpGet(url("/old"), body, &status));
  EXPECT_EQ(status, 200u);
  EXPECT_EQ(body, "moved here");
  EXPECT_EQ(cookieSeen, "none");
  EXPECT_FALSE(httpGet(url("/loop"), body, &status));
  EXPECT_EQ(status, 302u);
}

TEST_F(HttpGet, RefusesSchemesOtherThanHttp) {
  std::string body;
  std::uint32_t status = 9;
  EXPECT_FALSE(httpGet(L"file:///etc/hostname", body, &status));
  EXPECT_EQ(status, 0u);
  EXPECT_TRUE(body.empty());
}

TEST_F(HttpGet, NoServerGivesFalseAndStatusZero) {
  server.server().Get("/", [](const httplib::Request&, httplib::Response&) {});
  server.start();
  std::wstring address = url("/");
  server.stop();
  std::string body;
  std::uint32_t status = 9;
  EXPECT_FALSE(httpGet(address, body, &status));
  EXPECT_EQ(status, 0u);
}

TEST_F(HttpGet, StalledTransferEndsAtTheTimeOutAsAFailure) {
  std::mutex lock;
  std::condition_variable released;
  bool release = false;
  server.server().Get("/stall", [&](const httplib::Request&, httplib::Response& res) {
    res.set_chunked_content_provider("image/jpeg", [&](std::size_t offset, httplib::DataSink& sink) {
      if (offset == 0) return sink.write("partial", 7);
      std::unique_lock guard(lock);
      released.wait(guard, [&] { return release; });
      return false;
    });
  });
  server.start();
  testing::setHttpTimeouts(std::chrono::seconds(2), std::chrono::milliseconds(500));
  std::string body;
  std::uint32_t status = 0;
  auto started = std::chrono::steady_clock::now();
  EXPECT_FALSE(httpGet(url("/stall"), body, &status));  // truncated: not reported as success
  auto took = std::chrono::steady_clock::now() - started;
  EXPECT_EQ(status, 200u);
  EXPECT_EQ(body, "partial");
  EXPECT_LT(took, std::chrono::seconds(10));  // the injected time-out, not the 15 s default
  {
    std::lock_guard guard(lock);
    release = true;
  }
  released.notify_all();
  server.stop();  // the handler uses this test's locals
}

TEST_F(HttpGet, ATricklingTransferEndsAtTheDeadlineAsAFailure) {
  // One byte every 50 ms is never silent; it would be complete after five seconds.
  server.server().Get("/trickle", [](const httplib::Request&, httplib::Response& res) {
    res.set_chunked_content_provider("image/jpeg", [](std::size_t offset, httplib::DataSink& sink) {
      if (offset >= 100) {
        sink.done();
        return true;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
      return sink.write("t", 1);
    });
  });
  server.start();
  testing::setHttpTimeouts(std::chrono::seconds(2), std::chrono::seconds(2));
  testing::setHttpDeadline(std::chrono::milliseconds(400));
  std::string body;
  std::uint32_t status = 0;
  EXPECT_FALSE(httpGet(url("/trickle"), body, &status));
  EXPECT_EQ(status, 200u);
  EXPECT_LT(body.size(), 100u);
}

TEST_F(HttpGet, ChunkedBodyOverTheLimitIsAbandonedAtTheLimit) {
  server.server().Get("/endless", [](const httplib::Request&, httplib::Response& res) {
    res.set_chunked_content_provider("image/jpeg", [](std::size_t offset, httplib::DataSink& sink) {
      static const std::string chunk(1 << 16, 'x');
      if (offset >= httpBodyLimit + (std::size_t(4) << 20)) {
        sink.done();
        return true;
      }
      return sink.write(chunk.data(), chunk.size());
    });
  });
  server.start();
  std::string body;
  std::uint32_t status = 0;
  EXPECT_FALSE(httpGet(url("/endless"), body, &status));
  EXPECT_EQ(status, 200u);
  EXPECT_LE(body.size(), httpBodyLimit);
  EXPECT_GE(body.size(), httpBodyLimit - (std::size_t(1) << 20));
  server.stop();
}

TEST_F(HttpGet, AnnouncedOversizeBodyIsRefusedAtOnce) {
  server.server().Get("/huge", [](const httplib::Request&, httplib::Response& res) {
    res.set_content_provider(
        httpBodyLimit + 1, "image/jpeg", [](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
          static const std::string chunk(1 << 16, 'y');
          return sink.write(chunk.data(), std::min(length, chunk.size())) && offset < httpBodyLimit;
        });
  });
  server.start();
  std::string body;
  EXPECT_FALSE(httpGet(url("/huge"), body));
  EXPECT_TRUE(body.empty());
  server.stop();
}

TEST_F(HttpGet, BodyOfExactlyTheLimitIsAccepted) {
  server.server().Get("/full", [](const httplib::Request&, httplib::Response& res) {
    res.set_content(std::string(httpBodyLimit, 'z'), "application/octet-stream");
  });
  server.start();
  std::string body;
  EXPECT_TRUE(httpGet(url("/full"), body));
  EXPECT_EQ(body.size(), httpBodyLimit);
}

TEST(HttpAddresses, OnlyWebAddressesAndNeverDownFromHttps) {
  const struct {
    const wchar_t* from;
    const wchar_t* to;
    bool followed;
  } cases[] = {
      {L"http://a.example/x", L"http://b.example/y", true},
      {L"http://a.example/x", L"HTTPS://b.example/y", true},
      {L"https://a.example/x", L"https://b.example/y", true},
      {L"HTTPS://a.example/x", L"http://a.example/x", false},
      {L"https://a.example/x", L"ftp://a.example/x", false},
      {L"http://a.example/x", L"file:///C:/Windows/win.ini", false},
      {L"http://a.example/x", L"", false},
      {L"http://a.example/x", L"http:/", false},
  };
  for (const auto& c : cases) EXPECT_EQ(mayFollowRedirect(c.from, c.to), c.followed) << c.to;
}

}  // namespace
}  // namespace tarnwick
