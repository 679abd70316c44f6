#include "base/child_process_win32.h"

#include <cwctype>
#include <memory>
#include <vector>

namespace tarnwick::win32 {
namespace {

constexpr std::wstring_view pythonEncoding = L"PYTHONIOENCODING=utf-8";

bool isPythonEncoding(std::wstring_view entry) {
  constexpr std::wstring_view name = L"PYTHONIOENCODING=";
  if (entry.size() < name.size()) return false;
  for (std::size_t i = 0; i < name.size(); ++i)
    if (std::towupper(entry[i]) != name[i]) return false;
  return true;
}

HANDLE openNullDevice() {
  SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
  return CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inheritable, OPEN_EXISTING, 0,
                     nullptr);
}

HANDLE makeKillOnCloseJob() {
  HANDLE job = CreateJobObjectW(nullptr, nullptr);
  if (!job) return nullptr;
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
  limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
  SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof limits);
  return job;
}

// The list of handles the child may inherit. Without it, bInheritHandles would hand the child
// every inheritable handle of the process, among them another runner's pipe end, which would then
// keep that runner reading until this child ends.
class InheritOnly {
 public:
  explicit InheritOnly(std::initializer_list<HANDLE> handles) : handles_(handles) {
    SIZE_T size = 0;
    InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
    storage_ = std::make_unique<char[]>(size);
    list_ = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(storage_.get());
    if (!InitializeProcThreadAttributeList(list_, 1, 0, &size)) {
      list_ = nullptr;
      return;
    }
    if (!UpdateProcThreadAttribute(list_, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, handles_.data(),
                                   handles_.size() * sizeof(HANDLE), nullptr, nullptr)) {
      DeleteProcThreadAttributeList(list_);
      list_ = nullptr;
    }
  }
  ~InheritOnly() {
    if (list_) DeleteProcThreadAttributeList(list_);
  }
  InheritOnly(const InheritOnly&) = delete;
  InheritOnly& operator=(const InheritOnly&) = delete;

  [[nodiscard]] LPPROC_THREAD_ATTRIBUTE_LIST list() const { return list_; }

 private:
  std::vector<HANDLE> handles_;
  std::unique_ptr<char[]> storage_;
  LPPROC_THREAD_ATTRIBUTE_LIST list_ = nullptr;
};

}  // namespace

std::wstring childEnvironment() {
  std::wstring block;
  if (wchar_t* parent = GetEnvironmentStringsW()) {
    for (const wchar_t* entry = parent; *entry; entry += std::wstring_view(entry).size() + 1) {
      std::wstring_view text(entry);
      if (isPythonEncoding(text)) continue;
      block.append(text);
      block += L'\0';
    }
    FreeEnvironmentStringsW(parent);
  }
  block.append(pythonEncoding);
  block += L'\0';
  block += L'\0';  // the block ends with an empty entry
  return block;
}

DWORD startHeldChild(std::wstring& commandLine, std::wstring_view workingDirectory, HANDLE output,
                     HeldChild& child) {
  HANDLE nullDevice = openNullDevice();
  std::wstring environment = childEnvironment();
  std::wstring folder(workingDirectory);

  STARTUPINFOEXW startup{};
  startup.StartupInfo.cb = sizeof startup;
  startup.StartupInfo.dwFlags = STARTF_USESTDHANDLES;
  startup.StartupInfo.hStdInput = nullDevice;
  startup.StartupInfo.hStdOutput = output;
  startup.StartupInfo.hStdError = output;
  InheritOnly inherit =
      nullDevice == INVALID_HANDLE_VALUE ? InheritOnly{output} : InheritOnly{nullDevice, output};
  startup.lpAttributeList = inherit.list();
  DWORD flags = CREATE_NO_WINDOW | CREATE_SUSPENDED | CREATE_UNICODE_ENVIRONMENT;
  if (startup.lpAttributeList) flags |= EXTENDED_STARTUPINFO_PRESENT;

  PROCESS_INFORMATION started{};
  BOOL ok = CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, flags, environment.data(),
                           folder.empty() ? nullptr : folder.c_str(), &startup.StartupInfo, &started);
  DWORD error = ok ? 0 : GetLastError();
  if (nullDevice != INVALID_HANDLE_VALUE) CloseHandle(nullDevice);
  if (!ok) return error == 0 ? ERROR_GEN_FAILURE : error;

  child.process = started.hProcess;
  child.thread = started.hThread;
  child.job = makeKillOnCloseJob();
  // Still suspended: nothing has run yet that could start a process outside the job.
  if (child.job) AssignProcessToJobObject(child.job, child.process);
  return 0;
}

void releaseHeldChild(HeldChild& child) {
  if (!child.thread) return;
  ResumeThread(child.thread);
  CloseHandle(child.thread);
  child.thread = nullptr;
}

void closeChild(HeldChild& child) {
  if (child.thread) CloseHandle(child.thread);
  if (child.process) CloseHandle(child.process);
  if (child.job) CloseHandle(child.job);
  child = {};
}

}  // namespace tarnwick::win32
