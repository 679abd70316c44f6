// The Windows test build's stand-in for cpp-httplib's server (Linux builds use Debian's
// <httplib.h> 0.11.4, whose definitions live in a Linux library). Only the subset that the tests
// use, with cpp-httplib's names and semantics: GET (and HEAD) routes matched by std::regex_match on
// the decoded path, captures in Request::matches, percent-decoded query parameters, and bodies that
// are fixed, sized by a provider, unsized (ended by closing) or chunked. HTTP/1.1, one request per
// connection ("Connection: close"). Winsock2 and one std::thread per connection; stop() ends the
// connections even while they wait on a client, and listen_after_bind() returns once every
// connection's thread has ended. A provider is called again until it is done or the server stops,
// as in cpp-httplib; one that blocks inside itself holds its connection until it returns.
// Implemented in tests/support/httplib_win32.cpp. Test support only.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <regex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace httplib {

namespace detail {
struct ci {  // case-insensitive order, for header names
  bool operator()(const std::string& a, const std::string& b) const;
};
}  // namespace detail

using Headers = std::multimap<std::string, std::string, detail::ci>;
using Params = std::multimap<std::string, std::string>;
using Match = std::smatch;

class DataSink {
 public:
  DataSink() = default;
  DataSink(const DataSink&) = delete;
  DataSink& operator=(const DataSink&) = delete;

  std::function<bool(const char* data, size_t data_len)> write;  // false once the connection failed
  std::function<void()> done;                                    // the end of an unsized body
  std::function<bool()> is_writable;
};

using ContentProvider = std::function<bool(size_t offset, size_t length, DataSink& sink)>;
using ContentProviderWithoutLength = std::function<bool(size_t offset, DataSink& sink)>;
using ContentProviderResourceReleaser = std::function<void(bool success)>;

struct Request {
  std::string method;
  std::string path;  // percent-decoded, without the query
  Headers headers;
  std::string body;
  std::string remote_addr;
  int remote_port = -1;
  std::string version;
  std::string target;  // as sent
  Params params;
  Match matches;  // of the route's pattern against path

  bool has_header(const std::string& key) const;
  std::string get_header_value(const std::string& key, size_t id = 0) const;
  size_t get_header_value_count(const std::string& key) const;
  void set_header(const std::string& key, const std::string& val);
  bool has_param(const std::string& key) const;
  std::string get_param_value(const std::string& key, size_t id = 0) const;
  size_t get_param_value_count(const std::string& key) const;
};

struct Response {
  std::string version;
  int status = -1;  // -1: 200 once a route took the request, else 404
  std::string reason;
  Headers headers;
  std::string body;
  std::string location;

  bool has_header(const std::string& key) const;
  std::string get_header_value(const std::string& key, size_t id = 0) const;
  size_t get_header_value_count(const std::string& key) const;
  void set_header(const std::string& key, const std::string& val);

  void set_redirect(const std::string& url, int status = 302);
  void set_content(const char* s, size_t n, const std::string& content_type);
  void set_content(const std::string& s, const std::string& content_type);
  void set_content_provider(size_t length, const std::string& content_type, ContentProvider provider,
                            ContentProviderResourceReleaser resource_releaser = nullptr);
  void set_content_provider(const std::string& content_type, ContentProviderWithoutLength provider,
                            ContentProviderResourceReleaser resource_releaser = nullptr);
  void set_chunked_content_provider(const std::string& content_type, ContentProviderWithoutLength provider,
                                    ContentProviderResourceReleaser resource_releaser = nullptr);

  Response() = default;
  Response(const Response&) = default;
  Response& operator=(const Response&) = default;
  Response(Response&&) = default;
  Response& operator=(Response&&) = default;
  ~Response() {
    if (content_provider_resource_releaser_) content_provider_resource_releaser_(content_provider_success_);
  }

  // private members...
  size_t content_length_ = 0;
  ContentProvider content_provider_;
  ContentProviderResourceReleaser content_provider_resource_releaser_;
  bool is_chunked_content_provider_ = false;
  bool content_provider_success_ = false;
};

class Server {
 public:
  using Handler = std::function<void(const Request&, Response&)>;

  Server();
  ~Server();
  Server(const Server&) = delete;
  Server& operator=(const Server&) = delete;

  Server& Get(const std::string& pattern, Handler handler);

  // The port of a listening socket on `host`, or -1.
  int bind_to_any_port(const std::string& host, int socket_flags = 0);
  // Serves until stop(); returns once every connection has ended.
  bool listen_after_bind();
  bool is_running() const { return is_running_; }
  // Safe from any thread, a handler's too; does not wait for listen_after_bind() to return.
  void stop();

 private:
  class Connection;
  void serve(std::uintptr_t socket);
  bool process(Connection& connection);
  bool write_response(Connection& connection, const Request& req, Response& res);

  std::vector<std::pair<std::regex, Handler>> get_handlers_;
  std::uintptr_t svr_sock_;  // a SOCKET; owned by listen_after_bind() once it runs
  void* stop_event_;         // a manual-reset event HANDLE, set by stop()
  std::atomic<bool> stopping_{false};
  std::atomic<bool> is_running_{false};
  std::mutex mutex_;
  struct Worker {
    std::thread thread;
    std::shared_ptr<std::atomic<bool>> finished;
  };
  std::vector<Worker> workers_;
  bool listening_ = false;  // under mutex_
};

}  // namespace httplib
