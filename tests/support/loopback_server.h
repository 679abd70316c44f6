// An in-process HTTP server on 127.0.0.1 with a free port, for tests.
#pragma once

#include <httplib.h>

#include <string>
#include <thread>

namespace tarnwick::test {

class LoopbackServer {
 public:
  LoopbackServer() = default;
  ~LoopbackServer() { stop(); }
  LoopbackServer(const LoopbackServer&) = delete;
  LoopbackServer& operator=(const LoopbackServer&) = delete;

  // Register handlers on server() first, then start().
  httplib::Server& server() { return server_; }
  void start();
  void stop();

  [[nodiscard]] int port() const { return port_; }
  // "http://127.0.0.1:<port>" + path
  [[nodiscard]] std::string url(const std::string& path = "/") const;
  [[nodiscard]] std::wstring wideUrl(const std::string& path = "/") const;

 private:
  httplib::Server server_;
  std::thread thread_;
  int port_ = 0;
};

}  // namespace tarnwick::test
