#include "lookup/tool_locator.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "base/text.h"
#include "sandbox.h"

namespace tarnwick {
namespace {
namespace fs = std::filesystem;

#ifdef _WIN32
constexpr wchar_t pathSeparator = L';';
void setPath(const std::wstring& value) {
  _wputenv_s(L"PATH", value.c_str());
}
#else
constexpr wchar_t pathSeparator = L':';
void setPath(const std::wstring& value) {
  ::setenv("PATH", wideToUtf8(value).c_str(), 1);
}
#endif

std::wstring pathOf(std::initializer_list<std::wstring> entries) {
  std::wstring path;
  for (const std::wstring& entry : entries)
    path += (path.empty() ? L"" : std::wstring(1, pathSeparator)) + entry;
  return path;
}

// PATH's folders in order; a folder named like the tool, an empty or a relative entry (the
// working folder) never answers; an installed locator replaces the search until it is removed.
TEST(ToolLocator, SearchesPathFoldersInOrderAndYieldsToTheInstalledLocator) {
  const test::Sandbox& sandbox = test::Sandbox::current();
  const std::string name = wideToUtf8(ytDlpFileName);
  const fs::path none = sandbox.makeFolder("none"), first = sandbox.makeFolder("first"),
                 second = sandbox.makeFolder("second"), decoy = sandbox.makeFolder("decoy"),
                 working = sandbox.makeFolder("working");
  fs::create_directories(decoy / name);
  sandbox.writeScript(name, "tool\n", first);
  sandbox.writeScript(name, "tool\n", second);
  sandbox.writeScript(name, "tool\n", working);
  fs::current_path(working);

  const struct {
    std::wstring path;
    fs::path found;  // empty: nothing
  } cases[] = {
      {pathOf({fromPath(none), fromPath(decoy), fromPath(first), fromPath(second)}), first / name},
      {pathOf({fromPath(second), fromPath(first)}), second / name},
      {pathOf({L"", L".", L"working", fromPath(none)}), {}},
      {pathOf({fromPath(none)}), {}},
  };
  for (const auto& c : cases) {
    setPath(c.path);
    std::wstring found = searchPathForTool(ytDlpFileName);
    if (c.found.empty()) {
      EXPECT_EQ(found, L"") << wideToUtf8(c.path);
    } else {
      std::error_code ec;
      EXPECT_TRUE(fs::equivalent(toPath(found), c.found, ec))
          << wideToUtf8(found) << " for " << wideToUtf8(c.path);
    }
    EXPECT_EQ(locateTool(ytDlpFileName), found);
  }
  EXPECT_EQ(searchPathForTool(L""), L"");

  setPath(fromPath(first));
  setToolLocator([](std::wstring_view fileName) { return L"installed:" + std::wstring(fileName); });
  EXPECT_EQ(locateTool(denoFileName), L"installed:" + std::wstring(denoFileName));
  setToolLocator({});
  EXPECT_EQ(locateTool(denoFileName), L"");
  EXPECT_FALSE(locateTool(ytDlpFileName).empty());
}

}  // namespace
}  // namespace tarnwick
