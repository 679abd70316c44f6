// The Windows stand-in for cpp-httplib's server: see win32/httplib.h.
#include <windows.h>
#include <winsock2.h>
#include <ws2tcpip.h>

#include <httplib.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>

namespace httplib {
namespace {

// cpp-httplib's defaults: a client silent or not reading for this long loses its connection.
constexpr DWORD readTimeoutMs = 5000;
constexpr DWORD writeTimeoutMs = 5000;
constexpr std::size_t headerLimit = 64 * 1024;

bool hasCrLf(const std::string& s) {
  return s.find_first_of("\r\n") != std::string::npos;
}

template <typename Map>
std::string valueOf(const Map& map, const std::string& key, size_t id) {
  auto range = map.equal_range(key);
  auto it = range.first;
  for (; it != range.second && id > 0; ++it, --id) {
  }
  return it == range.second ? std::string() : it->second;
}

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string decodeUrl(const std::string& s, bool plusIsSpace) {
  std::string out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '%' && i + 2 < s.size() && hexDigit(s[i + 1]) >= 0 && hexDigit(s[i + 2]) >= 0) {
      out += static_cast<char>(hexDigit(s[i + 1]) * 16 + hexDigit(s[i + 2]));
      i += 2;
    } else {
      out += plusIsSpace && s[i] == '+' ? ' ' : s[i];
    }
  }
  return out;
}

std::string trim(const std::string& s) {
  std::size_t begin = s.find_first_not_of(" \t"), end = s.find_last_not_of(" \t");
  return begin == std::string::npos ? std::string() : s.substr(begin, end - begin + 1);
}

const char* reasonFor(int status) {
  switch (status) {
    case 200:
      return "OK";
    case 204:
      return "No Content";
    case 206:
      return "Partial Content";
    case 301:
      return "Moved Permanently";
    case 302:
      return "Found";
    case 303:
      return "See Other";
    case 304:
      return "Not Modified";
    case 307:
      return "Temporary Redirect";
    case 308:
      return "Permanent Redirect";
    case 400:
      return "Bad Request";
    case 403:
      return "Forbidden";
    case 404:
      return "Not Found";
    case 500:
      return "Internal Server Error";
    case 503:
      return "Service Unavailable";
    default:
      return status < 400 ? "OK" : "Error";
  }
}

}  // namespace

bool detail::ci::operator()(const std::string& a, const std::string& b) const {
  return std::lexicographical_compare(
      a.begin(), a.end(), b.begin(), b.end(),
      [](unsigned char x, unsigned char y) { return std::tolower(x) < std::tolower(y); });
}

bool Request::has_header(const std::string& key) const {
  return headers.count(key) > 0;
}
std::string Request::get_header_value(const std::string& key, size_t id) const {
  return valueOf(headers, key, id);
}
size_t Request::get_header_value_count(const std::string& key) const {
  return headers.count(key);
}
void Request::set_header(const std::string& key, const std::string& val) {
  if (!hasCrLf(key) && !hasCrLf(val)) headers.emplace(key, val);
}
bool Request::has_param(const std::string& key) const {
  return params.count(key) > 0;
}
std::string Request::get_param_value(const std::string& key, size_t id) const {
  return valueOf(params, key, id);
}
size_t Request::get_param_value_count(const std::string& key) const {
  return params.count(key);
}

bool Response::has_header(const std::string& key) const {
  return headers.count(key) > 0;
}
std::string Response::get_header_value(const std::string& key, size_t id) const {
  return valueOf(headers, key, id);
}
size_t Response::get_header_value_count(const std::string& key) const {
  return headers.count(key);
}
void Response::set_header(const std::string& key, const std::string& val) {
  if (!hasCrLf(key) && !hasCrLf(val)) headers.emplace(key, val);
}

void Response::set_redirect(const std::string& url, int stat) {
  if (hasCrLf(url)) return;
  set_header("Location", url);
  status = 300 <= stat && stat < 400 ? stat : 302;
}

void Response::set_content(const char* s, size_t n, const std::string& content_type) {
  body.assign(s, n);
  headers.erase("Content-Type");
  set_header("Content-Type", content_type);
}

void Response::set_content(const std::string& s, const std::string& content_type) {
  set_content(s.data(), s.size(), content_type);
}

void Response::set_content_provider(size_t length, const std::string& content_type, ContentProvider provider,
                                    ContentProviderResourceReleaser resource_releaser) {
  set_header("Content-Type", content_type);
  content_length_ = length;
  if (length > 0) content_provider_ = std::move(provider);
  content_provider_resource_releaser_ = std::move(resource_releaser);
  is_chunked_content_provider_ = false;
}

void Response::set_content_provider(const std::string& content_type, ContentProviderWithoutLength provider,
                                    ContentProviderResourceReleaser resource_releaser) {
  set_header("Content-Type", content_type);
  content_length_ = 0;
  content_provider_ = [provider = std::move(provider)](size_t offset, size_t, DataSink& sink) {
    return provider(offset, sink);
  };
  content_provider_resource_releaser_ = std::move(resource_releaser);
  is_chunked_content_provider_ = false;
}

void Response::set_chunked_content_provider(const std::string& content_type,
                                            ContentProviderWithoutLength provider,
                                            ContentProviderResourceReleaser resource_releaser) {
  set_content_provider(content_type, std::move(provider), std::move(resource_releaser));
  is_chunked_content_provider_ = true;
}

// One accepted socket, non-blocking, its events waited on together with the server's stop event.
class Server::Connection {
 public:
  Connection(SOCKET socket, HANDLE stop) : socket_(socket), stop_(stop), event_(WSACreateEvent()) {
    WSAEventSelect(socket_, event_, FD_READ | FD_WRITE | FD_CLOSE);
  }
  ~Connection() {
    ::shutdown(socket_, SD_SEND);  // an orderly end: whatever was sent arrives, then the end of it
    ::closesocket(socket_);
    WSACloseEvent(event_);
  }

  bool send(const char* data, std::size_t size) {
    while (size > 0) {
      if (stopped()) return false;
      int sent = ::send(socket_, data, static_cast<int>(std::min<std::size_t>(size, 1 << 20)), 0);
      if (sent > 0) {
        data += sent;
        size -= static_cast<std::size_t>(sent);
      } else if (sent == 0 || WSAGetLastError() != WSAEWOULDBLOCK || !wait(writeTimeoutMs)) {
        return false;
      }
    }
    return true;
  }
  bool send(const std::string& text) { return send(text.data(), text.size()); }

  // Some bytes, or 0 at the end, an error, a time-out or stop().
  std::size_t receive(char* buffer, std::size_t size) {
    for (;;) {
      if (stopped()) return 0;
      int got = ::recv(socket_, buffer, static_cast<int>(size), 0);
      if (got >= 0) return static_cast<std::size_t>(got);
      if (WSAGetLastError() != WSAEWOULDBLOCK || !wait(readTimeoutMs)) return 0;
    }
  }

  bool stopped() const { return WaitForSingleObject(stop_, 0) == WAIT_OBJECT_0; }

 private:
  // Until the socket has news or the server stops (false, as on a time-out).
  bool wait(DWORD timeoutMs) {
    HANDLE handles[] = {event_, stop_};
    if (WaitForMultipleObjects(2, handles, FALSE, timeoutMs) != WAIT_OBJECT_0) return false;
    WSANETWORKEVENTS events;
    WSAEnumNetworkEvents(socket_, event_, &events);  // resets the event
    return true;
  }

  SOCKET socket_;
  HANDLE stop_;
  WSAEVENT event_;
};

Server::Server() : svr_sock_(INVALID_SOCKET), stop_event_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
  WSADATA data;
  WSAStartup(MAKEWORD(2, 2), &data);
}

Server::~Server() {
  stop();
  for (auto& worker : workers_)  // only when listen_after_bind() never ran
    if (worker.thread.joinable()) worker.thread.join();
  CloseHandle(stop_event_);
  WSACleanup();
}

Server& Server::Get(const std::string& pattern, Handler handler) {
  get_handlers_.emplace_back(std::regex(pattern), std::move(handler));
  return *this;
}

int Server::bind_to_any_port(const std::string& host, int) {
  std::lock_guard guard(mutex_);
  if (svr_sock_ != INVALID_SOCKET || listening_) return -1;
  addrinfo hints{}, *found = nullptr;
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_PASSIVE;
  if (getaddrinfo(host.c_str(), "0", &hints, &found) != 0 || !found) return -1;
  SOCKET s = ::socket(found->ai_family, SOCK_STREAM, IPPROTO_TCP);
  bool ok = s != INVALID_SOCKET && ::bind(s, found->ai_addr, static_cast<int>(found->ai_addrlen)) == 0 &&
            ::listen(s, SOMAXCONN) == 0;
  freeaddrinfo(found);
  sockaddr_storage address{};
  int length = sizeof address;
  if (!ok || ::getsockname(s, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    if (s != INVALID_SOCKET) ::closesocket(s);
    return -1;
  }
  svr_sock_ = s;
  stopping_ = false;
  ResetEvent(stop_event_);
  auto port = address.ss_family == AF_INET6 ? reinterpret_cast<sockaddr_in6&>(address).sin6_port
                                            : reinterpret_cast<sockaddr_in&>(address).sin_port;
  return ntohs(port);
}

bool Server::listen_after_bind() {
  SOCKET listener;
  {
    std::lock_guard guard(mutex_);
    if (svr_sock_ == INVALID_SOCKET || stopping_ || listening_) return false;
    listening_ = true;
    listener = svr_sock_;
  }
  WSAEVENT accepting = WSACreateEvent();
  WSAEventSelect(listener, accepting, FD_ACCEPT);
  is_running_ = true;
  HANDLE handles[] = {accepting, stop_event_};
  while (WaitForMultipleObjects(2, handles, FALSE, INFINITE) == WAIT_OBJECT_0 && !stopping_) {
    WSAResetEvent(accepting);
    for (SOCKET s; (s = ::accept(listener, nullptr, nullptr)) != INVALID_SOCKET;) {
      std::lock_guard guard(mutex_);
      // Threads that have ended are joined as new ones start, so that they do not pile up.
      auto ended = std::partition(workers_.begin(), workers_.end(), [](Worker& w) { return !*w.finished; });
      for (auto it = ended; it != workers_.end(); ++it) it->thread.join();
      workers_.erase(ended, workers_.end());
      auto finished = std::make_shared<std::atomic<bool>>(false);
      workers_.push_back({std::thread([this, s, finished] {
                            serve(s);
                            *finished = true;
                          }),
                          finished});
    }
  }
  WSACloseEvent(accepting);
  {
    std::lock_guard guard(mutex_);
    ::closesocket(listener);
    svr_sock_ = INVALID_SOCKET;
  }
  // stop() has ended every wait on a client; handlers and providers end as they return.
  for (auto& worker : workers_) worker.thread.join();
  workers_.clear();
  std::lock_guard guard(mutex_);
  listening_ = false;
  is_running_ = false;
  return true;
}

void Server::stop() {
  std::lock_guard guard(mutex_);
  stopping_ = true;
  SetEvent(stop_event_);
  if (!listening_ && svr_sock_ != INVALID_SOCKET) {  // bound, never served
    ::closesocket(svr_sock_);
    svr_sock_ = INVALID_SOCKET;
  }
}

void Server::serve(std::uintptr_t socket) {
  Connection connection(socket, stop_event_);
  process(connection);
}

bool Server::process(Connection& connection) {
  // The request line and headers, then a body of Content-Length bytes if any.
  std::string received;
  char buffer[16 * 1024];
  std::size_t end;
  while ((end = received.find("\r\n\r\n")) == std::string::npos) {
    std::size_t got = received.size() < headerLimit ? connection.receive(buffer, sizeof buffer) : 0;
    if (got == 0) return false;
    received.append(buffer, got);
  }
  Request req;
  std::size_t lineEnd = received.find("\r\n");
  std::string line = received.substr(0, lineEnd);
  std::size_t space1 = line.find(' '), space2 = line.rfind(' ');
  if (space1 == std::string::npos || space2 == space1)
    return connection.send("HTTP/1.1 400 Bad Request\r\nConnection: close\r\nContent-Length: 0\r\n\r\n");
  req.method = line.substr(0, space1);
  req.target = line.substr(space1 + 1, space2 - space1 - 1);
  req.version = line.substr(space2 + 1);
  for (std::size_t at = lineEnd + 2; at < end;) {
    std::size_t next = received.find("\r\n", at);
    std::string header = received.substr(at, next - at);
    std::size_t colon = header.find(':');
    if (colon != std::string::npos)
      req.headers.emplace(trim(header.substr(0, colon)), trim(header.substr(colon + 1)));
    at = next + 2;
  }
  std::size_t query = req.target.find('?');
  req.path = decodeUrl(req.target.substr(0, query), false);
  if (query != std::string::npos) {
    std::string text = req.target.substr(query + 1);
    for (std::size_t at = 0; at <= text.size();) {
      std::size_t amp = std::min(text.find('&', at), text.size());
      std::string pair = text.substr(at, amp - at);
      std::size_t eq = pair.find('=');
      if (!pair.empty())
        req.params.emplace(decodeUrl(pair.substr(0, eq), true),
                           eq == std::string::npos ? std::string() : decodeUrl(pair.substr(eq + 1), true));
      at = amp + 1;
    }
  }
  req.body = received.substr(end + 4);
  std::size_t length = std::strtoull(req.get_header_value("Content-Length").c_str(), nullptr, 10);
  while (req.body.size() < length) {
    std::size_t got = connection.receive(buffer, sizeof buffer);
    if (got == 0) return false;
    req.body.append(buffer, got);
  }

  Response res;
  bool routed = false;
  if (req.method == "GET" || req.method == "HEAD") {
    for (auto& [pattern, handler] : get_handlers_) {
      if (!std::regex_match(req.path, req.matches, pattern)) continue;
      try {
        handler(req, res);
      } catch (...) {
        res.status = 500;
      }
      routed = true;
      break;
    }
  }
  if (res.status == -1) res.status = routed ? 200 : 404;
  return write_response(connection, req, res);
}

bool Server::write_response(Connection& connection, const Request& req, Response& res) {
  bool hasBody = !res.body.empty() || res.content_length_ > 0 || res.content_provider_;
  if (hasBody && !res.has_header("Content-Type")) res.set_header("Content-Type", "text/plain");
  if (!res.has_header("Connection")) res.set_header("Connection", "close");
  if (!res.content_provider_)
    res.set_header("Content-Length", std::to_string(res.body.size()));
  else if (res.content_length_ > 0)
    res.set_header("Content-Length", std::to_string(res.content_length_));
  else if (res.is_chunked_content_provider_)
    res.set_header("Transfer-Encoding", "chunked");
  std::string head = "HTTP/1.1 " + std::to_string(res.status) + " " +
                     (res.reason.empty() ? reasonFor(res.status) : res.reason) + "\r\n";
  for (const auto& [key, value] : res.headers) head += key + ": " + value + "\r\n";
  head += "\r\n";
  if (!connection.send(head)) return false;
  if (req.method == "HEAD") return true;
  if (!res.content_provider_) return connection.send(res.body);

  // As cpp-httplib: the provider is called until the body is complete (sized), done() (unsized,
  // chunked), the provider returns false, a write fails, or the server stops.
  std::size_t offset = 0;
  bool ok = true, more = true, chunked = res.is_chunked_content_provider_;
  DataSink sink;
  sink.write = [&](const char* data, size_t size) {
    if (ok && size > 0) {
      char prefix[24];
      std::snprintf(prefix, sizeof prefix, "%zx\r\n", size);
      ok = (!chunked || connection.send(prefix, std::strlen(prefix))) && connection.send(data, size) &&
           (!chunked || connection.send("\r\n", 2));
      if (ok) offset += size;
    }
    return ok;
  };
  sink.done = [&] {
    if (chunked && more && ok) ok = connection.send("0\r\n\r\n", 5);
    more = false;
  };
  sink.is_writable = [&] { return ok && !connection.stopped(); };
  std::size_t total = res.content_length_;
  while ((total > 0 ? offset < total : more) && !connection.stopped()) {
    if (!res.content_provider_(offset, total > 0 ? total - offset : 0, sink) || !ok) return false;
  }
  res.content_provider_success_ = !connection.stopped();
  return res.content_provider_success_;
}

}  // namespace httplib
