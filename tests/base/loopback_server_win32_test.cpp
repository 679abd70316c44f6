// The loopback server on Windows (tests/support/win32/httplib.h standing in for cpp-httplib),
// seen through WinINet, the client that the lookup and setup layers use there.
#include "loopback_server.h"

#include <windows.h>

#include <wininet.h>

#include <chrono>
#include <future>
#include <memory>
#include <thread>

#include <gtest/gtest.h>

#include "base/text.h"

namespace tarnwick {
namespace {

using namespace std::chrono_literals;

struct InternetHandleCloser {
  void operator()(HINTERNET handle) const { InternetCloseHandle(handle); }
};
using InternetHandle = std::unique_ptr<void, InternetHandleCloser>;

constexpr wchar_t agent[] = L"Tarnwick-test/1.0";

InternetHandle openUrl(HINTERNET session, const std::wstring& url) {
  return InternetHandle(InternetOpenUrlW(
      session, url.c_str(), nullptr, 0,
      INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_NO_UI | INTERNET_FLAG_NO_COOKIES,
      0));
}

struct Reply {
  DWORD status = 0;
  std::string contentType;
  std::string body;
};

Reply fetch(const std::wstring& url) {
  Reply reply;
  InternetHandle session(InternetOpenW(agent, INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0));
  InternetHandle request = openUrl(session.get(), url);
  if (!request) return reply;
  DWORD size = sizeof reply.status;
  HttpQueryInfoW(request.get(), HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &reply.status, &size,
                 nullptr);
  wchar_t type[256] = {};
  size = sizeof type;
  if (HttpQueryInfoW(request.get(), HTTP_QUERY_CONTENT_TYPE, type, &size, nullptr))
    reply.contentType = wideToUtf8(type);
  char buffer[16384];
  DWORD read = 0;
  while (InternetReadFile(request.get(), buffer, sizeof buffer, &read) && read > 0)
    reply.body.append(buffer, read);
  return reply;
}

// ~300 KB that differ along their length, so that a piece out of place shows.
const std::string& bigBody() {
  static const std::string body = [] {
    std::string text;
    for (int i = 0; text.size() < 300000; ++i) text += std::to_string(i) + ",";
    return text;
  }();
  return body;
}

class LoopbackServerWin32 : public ::testing::Test {
 protected:
  void SetUp() override {
    auto& s = server.server();
    s.Get("/plain", [](const httplib::Request&, httplib::Response& res) {
      res.set_content("plain words", "text/plain; charset=utf-8");
    });
    s.Get("/gone", [](const httplib::Request&, httplib::Response& res) {
      res.status = 404;
      res.set_content("not here", "text/plain");
    });
    s.Get("/old", [](const httplib::Request&, httplib::Response& res) { res.set_redirect("/plain"); });
    s.Get(R"(/items/(\d+)/detail)", [](const httplib::Request& req, httplib::Response& res) {
      res.set_content("item " + std::string(req.matches[1]) + " size " + req.get_param_value("size") + " " +
                          (req.has_param("missing") ? "?" : "-"),
                      "text/plain");
    });
    s.Get("/agent", [](const httplib::Request& req, httplib::Response& res) {
      res.set_content(req.has_header("user-agent") ? req.get_header_value("User-Agent") : "none",
                      "text/plain");
    });
    s.Get("/chunked", [](const httplib::Request&, httplib::Response& res) {
      res.set_chunked_content_provider(
          "application/octet-stream", [](size_t offset, httplib::DataSink& sink) {
            if (offset >= bigBody().size()) {
              sink.done();
              return true;
            }
            return sink.write(bigBody().data() + offset, std::min<size_t>(30000, bigBody().size() - offset));
          });
    });
    s.Get("/sized", [](const httplib::Request&, httplib::Response& res) {
      res.set_content_provider(bigBody().size(), "application/octet-stream",
                               [](size_t offset, size_t length, httplib::DataSink& sink) {
                                 return sink.write(bigBody().data() + offset,
                                                   std::min<size_t>(length, 70000));
                               });
    });
    s.Get("/unsized", [](const httplib::Request&, httplib::Response& res) {
      res.set_content_provider("text/plain", [](size_t offset, httplib::DataSink& sink) {
        if (offset > 0) sink.done();
        return offset > 0 || sink.write("until the end", 13);
      });
    });
    // Part of a body, then nothing more until the server stops.
    s.Get("/stall", [](const httplib::Request&, httplib::Response& res) {
      res.set_chunked_content_provider("text/plain", [](size_t offset, httplib::DataSink& sink) {
        if (offset == 0) return sink.write("partial", 7);
        while (sink.is_writable()) std::this_thread::sleep_for(1ms);
        return false;
      });
    });
    server.start();
  }
  test::LoopbackServer server;
};

TEST_F(LoopbackServerWin32, AnswersAsCppHttplibDoes) {
  struct Case {
    std::string path;
    DWORD status;
    std::string contentType;
    std::string body;
  } cases[] = {
      {"/plain", 200, "text/plain; charset=utf-8", "plain words"},
      {"/gone", 404, "text/plain", "not here"},
      {"/nowhere", 404, "", ""},                                  // no route
      {"/old", 200, "text/plain; charset=utf-8", "plain words"},  // the redirect, followed
      {"/items/42/detail?size=3%20kB&x=y+z", 200, "text/plain", "item 42 size 3 kB -"},
      {"/items/4x/detail", 404, "", ""},  // the pattern matches the whole path or not at all
      {"/agent", 200, "text/plain", "Tarnwick-test/1.0"},
      {"/chunked", 200, "application/octet-stream", bigBody()},
      {"/sized", 200, "application/octet-stream", bigBody()},
      {"/unsized", 200, "text/plain", "until the end"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    Reply reply = fetch(server.wideUrl(c.path));
    EXPECT_EQ(reply.status, c.status);
    if (!c.contentType.empty()) {
      EXPECT_EQ(reply.contentType, c.contentType);
    }
    EXPECT_EQ(reply.body.size(), c.body.size());
    EXPECT_TRUE(reply.body == c.body);
  }
}

// A provider that has sent part of a body and then nothing: stop() ends the connection without
// waiting for it, and the client's read ends.
TEST_F(LoopbackServerWin32, StopEndsABodyStalledMidway) {
  InternetHandle session(InternetOpenW(agent, INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0));
  InternetHandle request = openUrl(session.get(), server.wideUrl("/stall"));
  ASSERT_TRUE(request);
  char buffer[7];
  DWORD read = 0;
  ASSERT_TRUE(InternetReadFile(request.get(), buffer, sizeof buffer, &read));
  ASSERT_EQ(std::string(buffer, read), "partial");

  auto rest = std::async(std::launch::async, [&] {
    char more[64];
    DWORD got = 0;
    return InternetReadFile(request.get(), more, sizeof more, &got) ? got : DWORD(-1);
  });
  auto started = std::chrono::steady_clock::now();
  server.stop();
  EXPECT_LT(std::chrono::steady_clock::now() - started, 2s);
  ASSERT_EQ(rest.wait_for(30s), std::future_status::ready);
  DWORD got = rest.get();
  EXPECT_TRUE(got == 0 || got == DWORD(-1)) << got << " more bytes";  // the end, or an error
}

}  // namespace
}  // namespace tarnwick
