#include "base/shared_library.h"

#include <map>
#include <mutex>

namespace tarnwick {
namespace {

std::mutex replacementsLock;
std::map<std::string, std::string> replacements;

}  // namespace

std::string SharedLibrary::fileToLoad(const std::string& fileName) {
  std::lock_guard guard(replacementsLock);
  auto found = replacements.find(fileName);
  return found == replacements.end() ? fileName : found->second;
}

void replaceSharedLibraryForTesting(const std::string& fileName, const std::string& replacement) {
  std::lock_guard guard(replacementsLock);
  replacements[fileName] = replacement;
}

}  // namespace tarnwick
