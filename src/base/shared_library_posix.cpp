#include "base/shared_library.h"

#include <dlfcn.h>

namespace tarnwick {
namespace {

// dlerror's text for the last failure on this thread.
std::string lastLoaderError() {
  const char* text = dlerror();
  return text ? text : "unknown reason";
}

}  // namespace

SharedLibrary::SharedLibrary(std::string label, std::string fileName) : label_(std::move(label)) {
  // Local binding: the library's symbols must not stand in for anyone else's.
  handle_ = dlopen(fileToLoad(fileName).c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle_) error_ = label_ + " could not be loaded: " + lastLoaderError();
}

void* SharedLibrary::symbol(const char* name) {
  if (!handle_) return nullptr;
  dlerror();  // clears an older failure
  void* address = dlsym(handle_, name);
  if (!address && error_.empty()) error_ = label_ + " lacks " + name + ": " + lastLoaderError();
  return address;
}

}  // namespace tarnwick
