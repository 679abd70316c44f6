// Libraries loaded on first use instead of at start-up: linking them would make the window wait
// for them and their own dependencies (TLS, LDAP, Kerberos, ...) before it can appear. A loaded
// library stays loaded until the process ends, so its functions stay valid on every thread.
#pragma once

#include <string>

namespace tarnwick {

class SharedLibrary {
 public:
  // Loads `fileName` (e.g. "libcurl.so.4"). `label` names the library in error().
  SharedLibrary(std::string label, std::string fileName);

  // Empty while the library and every function bound so far were found; otherwise the first
  // reason, e.g. "libcurl could not be loaded: libcurl.so.4: cannot open shared object file".
  [[nodiscard]] const std::string& error() const { return error_; }

  // Points `function` at the library's function `name`, or at null (and sets error()) when the
  // library is not loaded or lacks it.
  template <class Function>
  void bind(Function*& function, const char* name) {
    function = reinterpret_cast<Function*>(symbol(name));
  }

 private:
  void* symbol(const char* name);
  // `fileName`, or its replacement for tests.
  static std::string fileToLoad(const std::string& fileName);

  std::string label_;
  void* handle_ = nullptr;
  std::string error_;
};

// For tests only: later SharedLibrary objects asked for `fileName` load `replacement` instead
// (e.g. a name that does not exist, to see a feature fail cleanly). Libraries already loaded
// keep what they loaded; each test process starts with none.
void replaceSharedLibraryForTesting(const std::string& fileName, const std::string& replacement);

}  // namespace tarnwick
