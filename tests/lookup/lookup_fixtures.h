// Helpers shared by the lookup tests: pictures (test_pictures.h), the lookup hosts
// pointed at a loopback server for the length of a test, and a stand-in for yt-dlp.
#pragma once

#define TARNWICK_LOOKUP_INTERNAL
#include <stdlib.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "base/text.h"
#include "lookup/lookup_testing.h"
#include "loopback_server.h"
#include "sandbox.h"
#include "test_pictures.h"

namespace tarnwick::test {

// Points the three lookup hosts at `server` and keeps proxies out of the loopback traffic.
class LoopbackHosts {
 public:
  explicit LoopbackHosts(const LoopbackServer& server) {
    for (const char* name :
         {"http_proxy", "https_proxy", "HTTP_PROXY", "HTTPS_PROXY", "ALL_PROXY", "all_proxy"})
      ::unsetenv(name);
    std::wstring base = utf8ToWide(server.url(""));
    testing::setLookupHosts({base, base, base});
  }
  ~LoopbackHosts() { testing::resetLookupHosts(); }
  LoopbackHosts(const LoopbackHosts&) = delete;
  LoopbackHosts& operator=(const LoopbackHosts&) = delete;
};

// A stand-in for yt-dlp named `name` in `folder` (the sandbox's bin/ when empty): it appends each
// argument as one line to the file it answers, prints `output` as it stands and exits with
// `exitCode`.
inline std::filesystem::path writeYtDlpStandIn(const std::string& output, int exitCode = 0,
                                               const std::filesystem::path& folder = {},
                                               const std::string& name = "yt-dlp") {
  Sandbox& sandbox = Sandbox::current();
  std::filesystem::path argsFile = sandbox.root() / (name + "-args.txt");
  std::filesystem::remove(argsFile);
  std::string script = "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\" >> '" + argsFile.string() +
                       "'; done\n/bin/cat <<'END_OF_OUTPUT'\n" + output + "END_OF_OUTPUT\nexit " +
                       std::to_string(exitCode) + "\n";
  sandbox.writeScript(name, script, folder);
  return argsFile;
}

// The arguments a stand-in recorded, one per line; empty when it never ran.
inline std::vector<std::string> recordedArguments(const std::filesystem::path& argsFile) {
  std::vector<std::string> arguments;
  std::istringstream lines(readFile(argsFile));
  for (std::string line; std::getline(lines, line);) arguments.push_back(line);
  return arguments;
}

}  // namespace tarnwick::test
