#include "lookup/tool_locator.h"

#include <memory>
#include <mutex>

namespace tarnwick {
namespace {

std::mutex locatorLock;
// Shared so that a locator replaced while a worker is calling it stays alive for that call.
std::shared_ptr<const ToolLocator> currentLocator;

}  // namespace

void setToolLocator(ToolLocator locator) {
  auto replacement = locator ? std::make_shared<const ToolLocator>(std::move(locator)) : nullptr;
  std::lock_guard guard(locatorLock);
  currentLocator = std::move(replacement);
}

std::wstring locateTool(std::wstring_view fileName) {
  std::shared_ptr<const ToolLocator> locator;
  {
    std::lock_guard guard(locatorLock);
    locator = currentLocator;
  }
  return locator ? (*locator)(fileName) : searchPathForTool(fileName);
}

}  // namespace tarnwick
