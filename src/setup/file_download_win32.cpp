#include <windows.h>

#include <urlmon.h>
#include <wininet.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <optional>
#include <thread>

#include "base/com_win32.h"
#include "base/job_control.h"
#include "base/text.h"
#include "setup/file_system.h"
#include "setup/file_transfer.h"
#include "setup/setup_overrides.h"

namespace tarnwick::setup {
namespace fs = std::filesystem;
namespace {

constexpr int maxRedirects = 10;
// How often the watch over a transfer looks at the clock and the cancel flag.
constexpr std::chrono::milliseconds watchInterval{100};

using Clock = std::chrono::steady_clock;

bool isHttps(std::wstring_view url) {
  return startsWith(asciiLower(url.substr(0, 8)), L"https://");
}

std::wstring seconds(std::chrono::milliseconds limit) {
  return formatFixed(static_cast<double>(limit.count()) / 1000.0, 0) + L" s";
}

std::wstring describe(HRESULT result) {
  wchar_t hex[16];
  swprintf(hex, 16, L"0x%08lX", static_cast<unsigned long>(result));
  switch (result) {
    case INET_E_CANNOT_CONNECT: return L"cannot connect, " + std::wstring(hex);
    case INET_E_RESOURCE_NOT_FOUND: return L"server not found, " + std::wstring(hex);
    case INET_E_CONNECTION_TIMEOUT: return L"timed out, " + std::wstring(hex);
    default: return L"URLMon error " + std::wstring(hex);
  }
}

// The body's length as the response headers announce it, unless an encoding changes it on the way.
std::optional<std::uint64_t> announcedLength(std::wstring_view headers) {
  std::optional<std::uint64_t> length;
  while (!headers.empty()) {
    std::size_t end = headers.find(L'\n');
    std::wstring line = asciiLower(trimText(headers.substr(0, end)));
    headers = end == std::wstring_view::npos ? std::wstring_view() : headers.substr(end + 1);
    if (startsWith(line, L"content-encoding:")) return std::nullopt;
    if (startsWith(line, L"content-length:"))
      if (std::optional<long long> value = parseInteger(std::wstring_view(line).substr(15)); value && *value >= 0)
        length = static_cast<std::uint64_t>(*value);
  }
  return length;
}

// URLMon's callbacks for one transfer, and the watch that ends it on a time-out or a cancel even
// while no data arrives (URLMon calls back only when something happens).
class Transfer final : public IBindStatusCallback, public IHttpNegotiate {
 public:
  Transfer(std::wstring url, std::uint64_t maxBytes, DownloadProgress* progress)
      : url_(std::move(url)), maxBytes_(maxBytes), progress_(progress) {}

  // Runs `fetch` (which calls URLMon with this object and answers how many bytes arrived) under
  // the watch; answers why it failed.
  template <typename Fetch>
  std::wstring run(Fetch fetch) {
    started_ = lastActivity_ = Clock::now();
    std::thread watch([this] { watchOver(); });
    std::uint64_t received = 0;
    HRESULT result = fetch(static_cast<IBindStatusCallback*>(this), received);
    {
      std::lock_guard guard(lock_);
      finished_ = true;
    }
    wake_.notify_all();
    watch.join();
    std::lock_guard guard(lock_);
    // A Cancel that came as the last data arrived still counts: the user asked first.
    if (cancelRequested.load()) return L"cancelled";
    if (!reason_.empty()) return reason_;
    if (FAILED(result)) return describe(result);
    if (status_ != 0 && !isSuccessStatus(status_)) return L"HTTP " + std::to_wstring(status_);
    // URLMon takes a connection that closes early for the end of the body.
    if (announcedLength_ && received != *announcedLength_)
      return L"cut short after " + std::to_wstring(received) + L" of " + std::to_wstring(*announcedLength_) + L" bytes";
    return {};
  }

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** object) override {
    if (IsEqualIID(id, IID_IUnknown) || IsEqualIID(id, IID_IBindStatusCallback))
      *object = static_cast<IBindStatusCallback*>(this);
    else if (IsEqualIID(id, IID_IHttpNegotiate))
      *object = static_cast<IHttpNegotiate*>(this);
    else {
      *object = nullptr;
      return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override {
    ULONG left = --references_;
    if (left == 0) delete this;
    return left;
  }

  // IBindStatusCallback
  HRESULT STDMETHODCALLTYPE OnStartBinding(DWORD, IBinding* binding) override {
    std::lock_guard guard(lock_);
    if (binding_) binding_->Release();
    binding_ = binding;
    if (binding_) binding_->AddRef();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetPriority(LONG*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE OnLowResource(DWORD) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnProgress(ULONG received, ULONG total, ULONG status, LPCWSTR text) override {
    if (cancelRequested.load()) return E_ABORT;
    std::unique_lock guard(lock_);
    if (!reason_.empty()) return E_ABORT;
    lastActivity_ = Clock::now();
    switch (status) {
      case BINDSTATUS_REDIRECTING:
        // A download that started encrypted stays encrypted.
        if (isHttps(currentUrl_) && !isHttps(text ? text : L"")) return stop(L"redirected from https to http");
        if (++redirects_ > maxRedirects) return stop(L"more than " + std::to_wstring(maxRedirects) + L" redirects");
        currentUrl_ = text ? text : L"";
        return S_OK;
      case BINDSTATUS_SENDINGREQUEST:
        connected_ = true;
        return S_OK;
      case BINDSTATUS_BEGINDOWNLOADDATA:
      case BINDSTATUS_DOWNLOADINGDATA:
      case BINDSTATUS_ENDDOWNLOADDATA:
        connected_ = true;
        // An announced length over the limit ends the transfer before its data.
        if (total > maxBytes_ || received > maxBytes_) return stop(tooLargeReason(maxBytes_));
        if (!progress_ || (status_ != 0 && !isSuccessStatus(status_))) return S_OK;
        guard.unlock();
        progress_->update(received, total);
        return S_OK;
      default:
        return S_OK;
    }
  }
  HRESULT STDMETHODCALLTYPE OnStopBinding(HRESULT, LPCWSTR) override {
    std::lock_guard guard(lock_);
    if (binding_) binding_->Release();
    binding_ = nullptr;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetBindInfo(DWORD* flags, BINDINFO* info) override {
    // Always from the server: a cached copy of "latest" would be an old release.
    *flags = BINDF_GETNEWESTVERSION | BINDF_NOWRITECACHE | BINDF_PRAGMA_NO_CACHE;
    DWORD size = info->cbSize;
    ZeroMemory(info, size);
    info->cbSize = size;
    info->dwBindVerb = BINDVERB_GET;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE OnDataAvailable(DWORD, DWORD, FORMATETC*, STGMEDIUM*) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnObjectAvailable(REFIID, IUnknown*) override { return S_OK; }

  // IHttpNegotiate
  HRESULT STDMETHODCALLTYPE BeginningTransaction(LPCWSTR, LPCWSTR, DWORD, LPWSTR* additional) override {
    *additional = nullptr;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE OnResponse(DWORD status, LPCWSTR headers, LPCWSTR, LPWSTR* additional) override {
    if (additional) *additional = nullptr;
    std::unique_lock guard(lock_);
    status_ = static_cast<long>(status);
    announcedLength_ = headers ? announcedLength(headers) : std::nullopt;
    // The body of any other answer is an error page, not what we asked for.
    if (!isSuccessStatus(status_)) return stop(L"HTTP " + std::to_wstring(status_));
    return S_OK;
  }

 private:
  ~Transfer() {
    if (binding_) binding_->Release();
  }

  // Under lock_. The first reason wins; URLMon ends the binding when a callback answers E_ABORT.
  HRESULT stop(const std::wstring& reason) {
    if (reason_.empty()) reason_ = reason;
    return E_ABORT;
  }

  void watchOver() {
    const TransferLimits limits = transferLimits();
    std::unique_lock guard(lock_);
    while (!finished_) {
      wake_.wait_for(guard, watchInterval);
      if (finished_) break;
      const Clock::time_point now = Clock::now();
      bool cancelled = cancelRequested.load();
      if (!cancelled && reason_.empty()) {
        if (now - started_ >= limits.whole)
          reason_ = L"timed out: not finished within " + seconds(limits.whole);
        else if (!connected_ && now - started_ >= limits.connect)
          reason_ = L"timed out: no connection within " + seconds(limits.connect);
        else if (connected_ && now - lastActivity_ >= limits.silence)
          reason_ = L"timed out: no data for " + seconds(limits.silence);
      }
      if ((!cancelled && reason_.empty()) || aborted_) continue;
      // The binding's Abort may call back into this object: not under the lock.
      IBinding* binding = binding_;
      if (!binding) continue;
      aborted_ = true;
      binding->AddRef();
      guard.unlock();
      binding->Abort();
      binding->Release();
      guard.lock();
    }
  }

  std::atomic<ULONG> references_{1};
  const std::wstring url_;
  const std::uint64_t maxBytes_;
  DownloadProgress* const progress_;

  std::mutex lock_;  // guards what follows; the watch and URLMon's thread share it
  std::condition_variable wake_;
  IBinding* binding_ = nullptr;
  std::wstring currentUrl_ = url_;
  int redirects_ = 0;
  long status_ = 0;
  std::optional<std::uint64_t> announcedLength_;
  bool connected_ = false;
  bool finished_ = false;
  bool aborted_ = false;
  Clock::time_point started_{};
  Clock::time_point lastActivity_{};
  std::wstring reason_;
};

void setUserAgentOnce() {
  static std::once_flag once;
  std::call_once(once, [] {
    static char agent[] = "Tarnwick/1.0";
    UrlMkSetSessionOption(URLMON_OPTION_USERAGENT, agent, sizeof agent - 1, 0);
  });
}

// URLMon keeps every download in the browser cache as well; a component has no business there.
void forgetCachedCopy(const std::wstring& url) {
  DeleteUrlCacheEntryW(url.c_str());
}

std::wstring download(const std::wstring& url, const fs::path& file, std::uint64_t maxBytes,
                      DownloadProgress* progress) {
  const ComApartment com;  // for as long as the transfer lasts
  setUserAgentOnce();
  forgetCachedCopy(url);
  Transfer* transfer = new Transfer(url, maxBytes, progress);
  std::wstring reason = transfer->run([&](IBindStatusCallback* callback, std::uint64_t& received) {
    HRESULT result = URLDownloadToFileW(nullptr, url.c_str(), file.c_str(), 0, callback);
    std::error_code ec;
    received = fs::file_size(file, ec);
    return result;
  });
  transfer->Release();
  forgetCachedCopy(url);
  // A body that grew past the limit without URLMon saying so.
  std::error_code ec;
  if (reason.empty() && fs::file_size(file, ec) > maxBytes && !ec) reason = tooLargeReason(maxBytes);
  return reason;
}

}  // namespace

TransferResult fetchIntoFile(const std::wstring& url, const fs::path& part, DownloadProgress& progress) {
  // Claims the name first: nothing already there (a link included) is written through.
  std::FILE* claim = createNewFile(part);
  if (!claim || !syncAndClose(claim)) return {{}, true};
  std::wstring reason = download(url, part, transferLimits().maxBytes, &progress);
  if (!reason.empty()) return {reason, false};
  // URLMon copies the body into place; it must be on the disk before it is renamed.
  HANDLE file = CreateFileW(part.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return {{}, true};
  bool flushed = FlushFileBuffers(file);
  CloseHandle(file);
  return {{}, !flushed};
}

TransferResult fetchIntoMemory(const std::wstring& url, std::string& body, std::uint64_t maxBytes) {
  // URLMon delivers into a file; a temporary one stands in for the memory.
  wchar_t folder[MAX_PATH + 1], name[MAX_PATH + 1];
  DWORD length = GetTempPathW(MAX_PATH + 1, folder);
  if (length == 0 || length > MAX_PATH || !GetTempFileNameW(folder, L"tw", 0, name)) return {{}, true};
  const fs::path file(name);
  std::wstring reason = download(url, file, maxBytes, nullptr);
  if (reason.empty()) {
    std::error_code ec;
    std::uintmax_t size = fs::file_size(file, ec);
    std::FILE* in = ec ? nullptr : _wfopen(file.c_str(), L"rb");
    body.resize(in ? size : 0);
    bool read = in && std::fread(body.data(), 1, body.size(), in) == body.size();
    if (in) std::fclose(in);
    if (!read) {
      body.clear();
      reason = L"could not read the temporary file";
    }
  }
  std::error_code ec;
  fs::remove(file, ec);
  return {reason, false};
}

}  // namespace tarnwick::setup
