// What only the Linux side has: libcurl loaded at run time, and a server in a process of its own.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>

#include "base/curl_library_posix.h"
#include "base/shared_library.h"
#include "lookup/http_get.h"
#include "loopback_server.h"

namespace tarnwick {
namespace {

class HttpGet : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* name : {"http_proxy", "HTTP_PROXY", "ALL_PROXY", "all_proxy"}) ::unsetenv(name);
  }
  void TearDown() override { server.stop(); }
  std::wstring url(const std::string& path) { return server.wideUrl(path); }
  test::LoopbackServer server;
};

long maxResidentKiB() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

// Serves from a child process, so that only the client's memory counts in this process's peak
// size (the server copies every chunk it sends). Forked before this process starts any thread.
class ForkedServer {
 public:
  explicit ForkedServer(const std::function<void(httplib::Server&)>& configure) {
    int portPipe[2], stopPipe[2];
    if (::pipe(portPipe) != 0 || ::pipe(stopPipe) != 0) return;
    pid_ = ::fork();
    if (pid_ == 0) {
      ::close(portPipe[0]);
      ::close(stopPipe[1]);
      test::LoopbackServer server;
      configure(server.server());
      server.start();
      int port = server.port();
      char stop = 0;
      if (::write(portPipe[1], &port, sizeof port) == sizeof port) (void)!::read(stopPipe[0], &stop, 1);
      ::_exit(0);  // the parent's exit closed the pipe; nothing of the test main runs here
    }
    ::close(portPipe[1]);
    ::close(stopPipe[0]);
    stop_ = stopPipe[1];
    if (::read(portPipe[0], &port_, sizeof port_) != sizeof port_) port_ = 0;
    ::close(portPipe[0]);
  }
  ~ForkedServer() {
    if (stop_ >= 0) ::close(stop_);
    if (pid_ > 0) ::waitpid(pid_, nullptr, 0);
  }
  std::wstring url(const std::string& path) const {
    return L"http://127.0.0.1:" + std::to_wstring(port_) + std::wstring(path.begin(), path.end());
  }
  int port() const { return port_; }

 private:
  pid_t pid_ = -1;
  int stop_ = -1;
  int port_ = 0;
};

TEST_F(HttpGet, BodyOverTheLimitIsAbandonedWithoutBufferingIt) {
  ForkedServer endless([](httplib::Server& server) {
    server.Get("/endless", [](const httplib::Request&, httplib::Response& res) {
      res.set_chunked_content_provider("image/jpeg", [](std::size_t offset, httplib::DataSink& sink) {
        constexpr std::size_t offered = std::size_t(768) << 20;
        static const std::string chunk(1 << 16, 'x');
        if (offset >= offered) {
          sink.done();
          return true;
        }
        return sink.write(chunk.data(), chunk.size());
      });
    });
  });
  ASSERT_NE(endless.port(), 0);
  long before = maxResidentKiB();
  std::string body;
  std::uint32_t status = 0;
  EXPECT_FALSE(httpGet(endless.url("/endless"), body, &status));
  long grownMiB = (maxResidentKiB() - before) / 1024;
  EXPECT_EQ(status, 200u);
  EXPECT_LE(body.size(), httpBodyLimit);
  EXPECT_GE(body.size(), httpBodyLimit - (std::size_t(1) << 20));
  // Without the limit this process would hold the whole offered body (768 MiB).
  EXPECT_LT(grownMiB, 160) << "peak resident size grew by " << grownMiB << " MiB";
  RecordProperty("grown_mib", static_cast<int>(grownMiB));
}

TEST_F(HttpGet, WithoutLibcurlEveryFetchIsFalseWithStatusZero) {
  replaceSharedLibraryForTesting(curlFileName, "libtarnwick-absent.so.0");
  server.server().Get(
      "/ok", [](const httplib::Request&, httplib::Response& res) { res.set_content("fine", "text/plain"); });
  server.start();
  for (int attempt = 0; attempt < 2; ++attempt) {  // the second finds the failure remembered
    std::string body = "stale";
    std::uint32_t status = 7;
    EXPECT_FALSE(httpGet(url("/ok"), body, &status));
    EXPECT_EQ(status, 0u);
    EXPECT_TRUE(body.empty());
  }
}

}  // namespace
}  // namespace tarnwick
