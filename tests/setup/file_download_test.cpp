#include "setup/file_download.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <filesystem>
#include <thread>

#include "base/curl_library_posix.h"
#include "base/job_control.h"
#include "base/shared_library.h"
#include "base/text.h"
#include "loopback_server.h"
#include "sandbox.h"
#include "setup/setup_overrides.h"
#include "setup_test_support.h"

namespace tarnwick {
namespace {
namespace fs = std::filesystem;
using test::ChannelTap;
using test::LoopbackServer;
using test::Recorded;
using test::Sandbox;

constexpr std::size_t mebibyte = 1048576;

// A gate the server's handlers wait at until the test opens it (or a bound passes, so that a
// failing test cannot hang the server's shutdown).
class Gate {
 public:
  void open() {
    std::lock_guard guard(lock_);
    open_ = true;
    changed_.notify_all();
  }
  void wait() {
    std::unique_lock guard(lock_);
    changed_.wait_for(guard, std::chrono::seconds(10), [this] { return open_; });
  }

 private:
  std::mutex lock_;
  std::condition_variable changed_;
  bool open_ = false;
};

class DownloadFile : public ::testing::Test {
 protected:
  void SetUp() override {
    cancelRequested = false;
    folder_ = Sandbox::current().makeFolder("downloads");
    body_ = std::string(200000, 'x');
    for (std::size_t i = 0; i < body_.size(); ++i) body_[i] = static_cast<char>('a' + i % 26);
    auto& s = server_.server();
    s.Get("/file", [this](const httplib::Request& req, httplib::Response& res) {
      userAgent_ = req.get_header_value("User-Agent");
      res.set_content(body_, "application/octet-stream");
    });
    s.Get("/missing", [](const httplib::Request&, httplib::Response& res) {
      res.status = 404;
      res.set_content("no such build", "text/plain");
    });
    s.Get("/moved", [](const httplib::Request&, httplib::Response& res) { res.set_redirect("/file"); });
    s.Get("/circle", [](const httplib::Request&, httplib::Response& res) { res.set_redirect("/circle"); });
    s.Get("/truncated", [](const httplib::Request&, httplib::Response& res) {
      res.set_content_provider(100000, "application/octet-stream",
                               [](std::size_t, std::size_t, httplib::DataSink& sink) {
                                 std::string half(50000, 'h');
                                 sink.write(half.data(), half.size());
                                 return false;  // the connection ends early
                               });
    });
    s.Get("/unsized", [this](const httplib::Request&, httplib::Response& res) {
      res.set_chunked_content_provider(
          "application/octet-stream", [this](std::size_t offset, httplib::DataSink& sink) {
            if (offset >= body_.size()) {
              sink.done();
              return true;
            }
            sink.write(body_.data() + offset, std::min<std::size_t>(30000, body_.size() - offset));
            return true;
          });
    });
    // One byte every 50 ms: never silent, done only after five seconds.
    s.Get("/trickle", [](const httplib::Request&, httplib::Response& res) {
      res.set_chunked_content_provider("application/octet-stream",
                                       [](std::size_t offset, httplib::DataSink& sink) {
                                         if (offset >= 100) {
                                           sink.done();
                                           return true;
                                         }
                                         std::this_thread::sleep_for(std::chrono::milliseconds(50));
                                         return sink.write("t", 1);
                                       });
    });
    // 1 MiB of 3 MiB, then the rest once the test opens the gate.
    s.Get("/paused", [this](const httplib::Request&, httplib::Response& res) {
      res.set_content_provider(3 * mebibyte, "application/octet-stream",
                               [this](std::size_t offset, std::size_t, httplib::DataSink& sink) {
                                 if (offset == mebibyte) gate_.wait();
                                 std::string piece(offset < mebibyte ? mebibyte : 2 * mebibyte, 'p');
                                 return sink.write(piece.data(), piece.size());
                               });
    });
    server_.start();
  }
  void TearDown() override {
    gate_.open();
    server_.stop();
    cancelRequested = false;
    setup::setTransferLimitsForTesting({});
  }

  std::wstring target(const char* name = "tool") const { return fromPath(folder_ / name); }
  bool fetch(const std::string& path, const char* name = "tool", bool executable = false) {
    return downloadFile(server_.wideUrl(path), target(name), L"Widget", executable);
  }
  std::vector<std::wstring> errors(ChannelTap& tap) {
    std::vector<std::wstring> out;
    for (const std::wstring& line : tap.texts(WM_APP_LOG))
      if (startsWith(line, L"Error: ")) out.push_back(line);
    return out;
  }
  bool leftovers() const {
    return fs::exists(folder_ / "tool.part") || fs::exists(folder_ / "fresh") ||
           fs::exists(folder_ / "fresh.part");
  }

  fs::path folder_;
  std::string body_;
  std::string userAgent_;
  Gate gate_;
  LoopbackServer server_;
};

TEST_F(DownloadFile, StoresTheBodyAndPostsStartTextsProgressAndSizes) {
  ChannelTap tap;
  ASSERT_TRUE(fetch("/file"));
  EXPECT_EQ(test::readFile(folder_ / "tool"), body_);
  EXPECT_FALSE(fs::exists(folder_ / "tool.part"));
  EXPECT_EQ(userAgent_, "Tarnwick/1.0");

  std::vector<Recorded> all = tap.messages();
  ASSERT_GE(all.size(), 5u);
  EXPECT_EQ(all[0].id, WM_APP_LOG);
  EXPECT_EQ(all[0].text, L"Setting up: downloading Widget \u2026");
  EXPECT_EQ(all[1].id, WM_APP_PROGRESS);
  EXPECT_EQ(all[1].lParam, 1);
  EXPECT_EQ(all[2].id, WM_APP_STATUS);
  EXPECT_EQ(all[2].text, L"Setting up: downloading Widget \u2026");
  // Then pairs of progress and status, each tenth of a percent at most once, ending complete.
  std::uintptr_t last = 0;
  for (std::size_t i = 3; i < all.size(); i += 2) {
    ASSERT_EQ(all[i].id, WM_APP_PROGRESS);
    EXPECT_EQ(all[i].lParam, 0);
    if (i > 3) {
      EXPECT_GT(all[i].wParam, last);
    }
    last = all[i].wParam;
    ASSERT_LT(i + 1, all.size());
    EXPECT_EQ(all[i + 1].id, WM_APP_STATUS);
    EXPECT_TRUE(startsWith(all[i + 1].text, L"Setting up: downloading Widget  \u00B7  0."));
    EXPECT_TRUE(endsWith(all[i + 1].text, L" / 0.2 MB")) << wideToUtf8(all[i + 1].text);
  }
  EXPECT_EQ(last, 1000u);
}

TEST_F(DownloadFile, ShowsTenthsOfAPercentAndMegabytesWithADot) {
  // A German user's locale must not turn the sizes into "1,0 / 3,0".
  std::setlocale(LC_ALL, "de_DE.UTF-8");
  bool sawThird = false;
  ChannelTap tap([&](const Recorded& r) {
    if (r.id == WM_APP_PROGRESS && r.lParam == 0 && r.wParam == 333) sawThird = true;
    if (sawThird && r.id == WM_APP_STATUS) gate_.open();
  });
  ASSERT_TRUE(fetch("/paused"));
  std::setlocale(LC_ALL, "C");
  EXPECT_EQ(fs::file_size(folder_ / "tool"), 3 * mebibyte);

  std::vector<Recorded> all = tap.messages();
  std::size_t third = 0;
  while (third < all.size() && !(all[third].id == WM_APP_PROGRESS && all[third].wParam == 333)) ++third;
  ASSERT_LT(third + 1, all.size());
  EXPECT_EQ(all[third + 1].text, L"Setting up: downloading Widget  \u00B7  1.0 / 3.0 MB");
  std::size_t progressPosts = 0;
  for (const Recorded& r : all) progressPosts += r.id == WM_APP_PROGRESS && r.lParam == 0;
  EXPECT_LE(progressPosts, 1001u);
}

TEST_F(DownloadFile, FollowsRedirectsButNotForever) {
  ChannelTap tap;
  ASSERT_TRUE(fetch("/moved"));
  EXPECT_EQ(test::readFile(folder_ / "tool"), body_);
  EXPECT_FALSE(fetch("/circle", "fresh"));
  EXPECT_EQ(
      errors(tap),
      std::vector<std::wstring>{
          L"Error: download of Widget failed (curl error 47: Number of redirects hit maximum amount)."});
  EXPECT_FALSE(leftovers());
}

TEST_F(DownloadFile, AFailureNamesTheReasonAndKeepsTheOlderFile) {
  test::writeFile(folder_ / "tool", "older build");
  ChannelTap tap;
  EXPECT_FALSE(fetch("/missing"));
  // An error page is not progress.
  for (const Recorded& r : tap.messages()) EXPECT_FALSE(r.id == WM_APP_PROGRESS && r.lParam == 0);
  EXPECT_FALSE(fetch("/truncated"));
  test::RefusingPort refusing;
  EXPECT_FALSE(downloadFile(utf8ToWide("http://127.0.0.1:" + std::to_string(refusing.port()) + "/file"),
                            target(), L"Widget"));
  EXPECT_EQ(errors(tap), (std::vector<std::wstring>{
                             L"Error: download of Widget failed (HTTP 404).",
                             L"Error: download of Widget failed (curl error 18: Transferred a partial file).",
                             L"Error: download of Widget failed (curl error 7: Couldn't connect to server).",
                         }));
  EXPECT_EQ(test::readFile(folder_ / "tool"), "older build");
  EXPECT_FALSE(fs::exists(folder_ / "tool.part"));
}

TEST_F(DownloadFile, ABodyWithoutLengthKeepsTheBarIndeterminate) {
  ChannelTap tap;
  ASSERT_TRUE(fetch("/unsized"));
  EXPECT_EQ(test::readFile(folder_ / "tool"), body_);
  std::vector<Recorded> all = tap.messages();
  ASSERT_EQ(all.size(), 3u) << "only the start texts";
  EXPECT_EQ(all[1].lParam, 1);
}

TEST_F(DownloadFile, ASilentServerEndsTheTransfer) {
  setup::setTransferLimitsForTesting({std::chrono::milliseconds(2000), std::chrono::milliseconds(300)});
  ChannelTap tap;
  // Silent in the middle of the body ...
  EXPECT_FALSE(fetch("/paused"));
  gate_.open();
  // ... and silent before answering at all.
  test::RefusingPort mute;
  mute.listenSilently();
  EXPECT_FALSE(downloadFile(utf8ToWide("http://127.0.0.1:" + std::to_string(mute.port()) + "/file"),
                            target("fresh"), L"Widget"));
  std::vector<std::wstring> lines = errors(tap);
  ASSERT_EQ(lines.size(), 2u);
  for (const std::wstring& line : lines)
    EXPECT_EQ(line, L"Error: download of Widget failed (curl error 28: Timeout was reached).");
  EXPECT_FALSE(leftovers());
}

TEST_F(DownloadFile, ATransferEndsAtItsDeadlineAndItsSizeLimit) {
  using std::chrono::milliseconds;
  struct Case {
    const char* path;
    setup::TransferLimits limits;
    bool ok;
    const wchar_t* reason;
  };
  const Case cases[] = {
      // A byte every 50 ms is never silent, but the whole transfer has its deadline.
      {"/trickle",
       {milliseconds(2000), milliseconds(2000), milliseconds(400)},
       false,
       L"curl error 28: Timeout was reached"},
      {"/file",
       {milliseconds(2000), milliseconds(2000), milliseconds(60000), 199999},
       false,
       L"larger than 0.2 MB"},  // announced
      {"/unsized",
       {milliseconds(2000), milliseconds(2000), milliseconds(60000), 199999},
       false,
       L"larger than 0.2 MB"},  // found out on the way
      {"/unsized", {milliseconds(2000), milliseconds(2000), milliseconds(60000), 200000}, true, L""},
      {"/file", {milliseconds(2000), milliseconds(2000), milliseconds(60000), 200000}, true, L""},
  };
  for (const Case& c : cases) {
    setup::setTransferLimitsForTesting(c.limits);
    test::writeFile(folder_ / "tool", "older build");
    ChannelTap tap;
    EXPECT_EQ(fetch(c.path), c.ok) << c.path;
    EXPECT_EQ(test::readFile(folder_ / "tool"), c.ok ? body_ : "older build") << c.path;
    EXPECT_FALSE(fs::exists(folder_ / "tool.part"));
    std::vector<std::wstring> expected;
    if (!c.ok) expected.push_back(L"Error: download of Widget failed (" + std::wstring(c.reason) + L").");
    EXPECT_EQ(errors(tap), expected) << c.path;
  }
}

TEST_F(DownloadFile, AConnectionThatCannotBeMadeTimesOut) {
  setup::setTransferLimitsForTesting({std::chrono::milliseconds(300), std::chrono::milliseconds(60000)});
  test::RefusingPort full;
  full.listenFull();
  ChannelTap tap;
  EXPECT_FALSE(downloadFile(utf8ToWide("http://127.0.0.1:" + std::to_string(full.port()) + "/file"), target(),
                            L"Widget"));
  EXPECT_EQ(errors(tap), std::vector<std::wstring>{
                             L"Error: download of Widget failed (curl error 28: Timeout was reached)."});
  EXPECT_FALSE(leftovers());
}

TEST_F(DownloadFile, ACancelStopsTheTransferSilentlyAndLeavesNothing) {
  test::writeFile(folder_ / "tool", "older build");
  ChannelTap tap([](const Recorded& r) {
    if (r.id == WM_APP_PROGRESS && r.lParam == 0 && r.wParam > 0) cancelRequested = true;
  });
  EXPECT_FALSE(fetch("/paused"));
  EXPECT_TRUE(errors(tap).empty());
  EXPECT_FALSE(fs::exists(folder_ / "tool.part"));
  EXPECT_EQ(test::readFile(folder_ / "tool"), "older build");
}

TEST_F(DownloadFile, AFailedRenameKeepsThePartAndNamesTheDestination) {
  fs::create_directories(folder_ / "tool" / "busy");  // a folder cannot be replaced by a file
  ChannelTap tap;
  EXPECT_FALSE(fetch("/file"));
  EXPECT_EQ(errors(tap), std::vector<std::wstring>{L"Error: could not write " + target()});
  EXPECT_EQ(test::readFile(folder_ / "tool.part"), body_);
  EXPECT_TRUE(fs::is_directory(folder_ / "tool" / "busy"));
}

TEST_F(DownloadFile, AnExecutableIsMarkedSoBeforeItAppears) {
  ChannelTap tap;
  ASSERT_TRUE(fetch("/file", "tool", true));
  EXPECT_NE(fs::status(folder_ / "tool").permissions() & fs::perms::owner_exec, fs::perms::none);
  ASSERT_TRUE(fetch("/file", "plain"));
  EXPECT_EQ(fs::status(folder_ / "plain").permissions() & fs::perms::owner_exec, fs::perms::none);
}

TEST_F(DownloadFile, WithoutLibcurlTheDownloadFailsWithTheReasonAndKeepsTheOlderFile) {
  replaceSharedLibraryForTesting(curlFileName, "libtarnwick-absent.so.0");
  test::writeFile(folder_ / "tool", "older build");
  ChannelTap tap;
  EXPECT_FALSE(fetch("/file"));
  std::vector<std::wstring> lines = errors(tap);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_TRUE(startsWith(lines[0],
                         L"Error: download of Widget failed (libcurl could not be loaded: "
                         L"libtarnwick-absent.so.0: "))
      << wideToUtf8(lines[0]);
  EXPECT_TRUE(endsWith(lines[0], L")."));
  EXPECT_EQ(test::readFile(folder_ / "tool"), "older build");
  EXPECT_FALSE(fs::exists(folder_ / "tool.part"));
}

TEST(DownloadFileTls, AnUntrustedCertificateIsRefused) {
  const fs::path folder = Sandbox::current().makeFolder("tls");
  const std::string openssl =
      "/usr/bin/openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes "
      "-subj /CN=127.0.0.1 -days 1 -keyout " +
      (folder / "key.pem").string() + " -out " + (folder / "cert.pem").string() + " 2>/dev/null";
  ASSERT_EQ(std::system(openssl.c_str()), 0);
  httplib::SSLServer server((folder / "cert.pem").c_str(), (folder / "key.pem").c_str());
  server.Get("/file", [](const httplib::Request&, httplib::Response& res) {
    res.set_content("secret", "text/plain");
  });
  int port = server.bind_to_any_port("127.0.0.1");
  std::thread thread([&] { server.listen_after_bind(); });
  while (!server.is_running()) std::this_thread::yield();

  ChannelTap tap;
  bool ok = downloadFile(utf8ToWide("https://127.0.0.1:" + std::to_string(port) + "/file"),
                         fromPath(folder / "tool"), L"Widget");
  server.stop();
  thread.join();
  EXPECT_FALSE(ok);
  EXPECT_FALSE(fs::exists(folder / "tool"));
  std::vector<std::wstring> logs = tap.texts(WM_APP_LOG);
  ASSERT_EQ(logs.size(), 2u);
  EXPECT_TRUE(startsWith(logs[1], L"Error: download of Widget failed (curl error 60: "))
      << wideToUtf8(logs[1]);
}

}  // namespace
}  // namespace tarnwick
