#include <gtest/gtest.h>

#include "app/localization.h"
#include "app/workers.h"
#include "base/job_control.h"
#include "base/worker_texts.h"
#include "lookup/tool_locator.h"
#include "sandbox.h"
#include "setup/tools_folder.h"
#include "base/text.h"

namespace tarnwick {
namespace {

TEST(WorkerServices, StatusTextsFollowTheActiveLanguage) {
  connectWorkerServices();
  language = 1;
  EXPECT_EQ(workerText(WorkerText::convertingTo, L"MP3"), uiText(fieldConverting - 2, L"MP3"));
  EXPECT_NE(workerText(WorkerText::downloading), englishWorkerText(WorkerText::downloading));
  language = 0;
  EXPECT_EQ(workerText(WorkerText::timeLeft, L"0:05"), L"0:05 left");
  installWorkerTextLookup(nullptr);
}

TEST(WorkerServices, PreviewAndSearchFindToolsLikeTheJob) {
  auto& sandbox = test::Sandbox::current();
  sandbox.writeScript("yt-dlp", "#!/bin/sh\nexit 0\n", toPath(toolsFolder()));
  connectWorkerServices();
  EXPECT_EQ(locateTool(L"yt-dlp"), findTool(L"yt-dlp"));
  EXPECT_FALSE(locateTool(L"yt-dlp").empty());
}

}  // namespace
}  // namespace tarnwick
