// The download job under Wine with stand-ins for yt-dlp.exe, ffmpeg.exe and deno.exe
// (helpers/tool_stand_in_win32.cpp) on the sandbox PATH: what yt-dlp receives, and a cancel.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "base/command_line.h"
#include "base/job_control.h"
#include "base/process_runner.h"
#include "base/text.h"
#include "channel_recorder.h"
#include "download_command_table.h"
#include "pipeline/download_job.h"
#include "pipeline/job_record.h"
#include "sandbox.h"

namespace tarnwick::test {
namespace {

namespace fs = std::filesystem;

// One run of a stand-in, as it recorded itself.
struct ToolRun {
  DWORD pid = 0;
  std::wstring folder;
  std::wstring commandLine;
  std::vector<std::wstring> arguments;  // as the C runtime parsed them, without the program
};

std::vector<std::wstring> namesIn(const fs::path& folder) {
  std::vector<std::wstring> names;
  std::error_code error;
  for (const auto& entry : fs::recursive_directory_iterator(folder, error))
    if (!entry.is_directory()) names.push_back(fs::relative(entry.path(), folder).wstring());
  std::sort(names.begin(), names.end());
  return names;
}

// The stand-ins are built into "stand_ins" beside this test.
fs::path standInFolder() {
  std::wstring own(32768, L'\0');
  own.resize(GetModuleFileNameW(nullptr, own.data(), static_cast<DWORD>(own.size())));
  return fs::path(own).parent_path() / L"stand_ins";
}

class StandInDownload : public ::testing::Test {
 protected:
  void SetUp() override {
    Sandbox& sandbox = Sandbox::current();
    for (const char* tool : {"yt-dlp.exe", "ffmpeg.exe", "deno.exe"})
      fs::copy_file(standInFolder() / tool, sandbox.bin() / tool);
    records = sandbox.makeFolder("records");
    _wputenv_s(L"TARNWICK_STAND_IN_RECORDS", records.c_str());
    cancelRequested = false;
  }

  // The runs of `tool` so far, in no particular order; each record is gone once read.
  std::vector<ToolRun> takeRuns(const std::wstring& tool) {
    std::vector<ToolRun> runs;
    for (const std::wstring& name : namesIn(records)) {
      if (!name.starts_with(tool + L"-")) continue;
      std::wstring text = utf8ToWide(readFile(records / name));
      std::vector<std::wstring> lines;
      for (std::size_t start = 0, end; (end = text.find(L'\n', start)) != std::wstring::npos; start = end + 1)
        lines.push_back(text.substr(start, end - start));
      EXPECT_GE(lines.size(), 2u) << wideToUtf8(name);
      if (lines.size() < 2) continue;
      ToolRun run{static_cast<DWORD>(std::stoul(name.substr(tool.size() + 1))),
                  lines[0],
                  lines[1],
                  {lines.begin() + 2, lines.end()}};
      runs.push_back(std::move(run));
      fs::remove(records / name);
    }
    return runs;
  }

  std::wstring tool(const char* name) { return fromPath(Sandbox::current().bin() / name); }

  // The job's outcome (-1 when its last message is not one JOB_DONE).
  int outcome() {
    std::vector<Recorded>& all = recorder.messages();
    if (all.empty() || all.back().id != WM_APP_JOB_DONE) return -1;
    return static_cast<int>(all.back().wParam);
  }

  ChannelRecorder recorder;
  fs::path records;
};

TEST_F(StandInDownload, YtDlpReceivesTheSharedTableCommandsByteForByte) {
  int index = 0;
  for (const CommandCase& c : downloadCommandTable()) {
    SCOPED_TRACE(wideToUtf8(c.command));
    const fs::path folder = Sandbox::current().makeFolder("save " + std::to_string(++index));
    DownloadRequest request = c.request;
    request.folder = fromPath(folder);
    // An earlier download under the same name: the result replaces it (a plain rename would fail).
    const std::wstring extension = request.audioMode ? audioFormatTable[request.audioFormat].extension
                                                     : videoFormatTable[request.videoFormat].extension;
    const std::wstring result = (request.wholePlaylist ? L"Playlist\\001 - " : L"") +
                                std::wstring(L"Stand-in clip [si1].") + extension;
    fs::create_directories((folder / result).parent_path());
    writeFile(folder / result, "an earlier download");
    recorder.clear();
    downloadJobMain(request);
    EXPECT_EQ(outcome(), 0);

    std::vector<ToolRun> runs = takeRuns(L"yt-dlp");
    ASSERT_EQ(runs.size(), 1u);
    const ToolRun& run = runs[0];
    EXPECT_EQ(toPath(run.folder), folder);  // yt-dlp runs inside the save folder
    std::wstring received = withPlainMarker(
        withToolPlaceholders(run.commandLine, tool("yt-dlp.exe"), tool("ffmpeg.exe"), tool("deno.exe")));
    EXPECT_EQ(received, c.command);
    // And the C runtime's reading of it is the POSIX runner's split of the same text.
    std::vector<std::wstring> split = splitCommandLine(run.commandLine);
    ASSERT_FALSE(split.empty());
    EXPECT_EQ(run.arguments, std::vector<std::wstring>(split.begin() + 1, split.end()));

    // The stand-in's output was read as yt-dlp's: one result under its final name, nothing else.
    EXPECT_EQ(namesIn(folder), std::vector<std::wstring>{result});
    EXPECT_EQ(readFile(folder / result), "a whole clip");
  }
}

TEST_F(StandInDownload, CancelEndsTheWholeToolTreeAndLeavesNoFile) {
  _wputenv_s(L"TARNWICK_STAND_IN_HOLD", L"1");
  const fs::path folder = Sandbox::current().makeFolder("save");
  DownloadRequest request = downloadCommandTable()[0].request;
  request.folder = fromPath(folder);
  std::thread job([&] { downloadJobMain(request); });
  // The stand-in logs its helper's id once the helper runs and its half file is written.
  const bool started = recorder.waitUntil([](const std::vector<Recorded>& all) {
    return std::any_of(all.begin(), all.end(),
                       [](const Recorded& m) { return m.text.starts_with(L"[debug] helper "); });
  });
  std::vector<ToolRun> runs = takeRuns(L"yt-dlp");  // yt-dlp and the helper it started
  std::vector<HANDLE> processes;
  std::vector<bool> runningBeforeCancel;
  for (const ToolRun& run : runs) {
    processes.push_back(OpenProcess(SYNCHRONIZE, FALSE, run.pid));
    runningBeforeCancel.push_back(processes.back() && WaitForSingleObject(processes.back(), 0) ==
                                                          static_cast<DWORD>(WAIT_TIMEOUT));
  }
  const std::vector<std::wstring> namesBeforeCancel = namesIn(folder);
  cancelDownloadJob();
  job.join();

  ASSERT_TRUE(started) << "the stand-in never started its helper";
  EXPECT_EQ(outcome(), 2);
  ASSERT_EQ(runs.size(), 2u);
  EXPECT_EQ(runningBeforeCancel, std::vector<bool>(2, true));
  ASSERT_EQ(namesBeforeCancel.size(), 1u);
  EXPECT_TRUE(namesBeforeCancel[0].ends_with(L".mp4.part")) << wideToUtf8(namesBeforeCancel[0]);
  // The runner returns once the job object is terminated; both processes are ended by then.
  for (HANDLE process : processes) {
    EXPECT_EQ(WaitForSingleObject(process, 0), WAIT_OBJECT_0);
    if (process) CloseHandle(process);
  }
  EXPECT_EQ(namesIn(folder), std::vector<std::wstring>{}) << "the half-written file must go";
  EXPECT_EQ(namesIn(jobRecordsFolder()), std::vector<std::wstring>{});
  _wputenv_s(L"TARNWICK_STAND_IN_HOLD", L"");
}

}  // namespace
}  // namespace tarnwick::test
