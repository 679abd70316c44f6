#include "app/job_gate.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "pipeline/format_tables.h"

namespace tarnwick {
namespace {

TEST(JobGate, AHeldJobRunsOnlyOnceTheGateOpensAndGetsItsRequest) {
  JobGate gate;
  std::atomic<bool> ran{false};
  std::wstring url;
  JobGate::Job job = gate.holding([&](DownloadRequest request) {
    url = request.url;
    ran = true;
  });
  DownloadRequest request;
  request.kind = 1;
  request.url = L"https://youtu.be/abcdefghijk";
  std::thread worker(job, request);
  EXPECT_FALSE(ran.load());
  EXPECT_FALSE(gate.isOpen());
  gate.open();
  worker.join();
  EXPECT_TRUE(ran.load());
  EXPECT_EQ(url, L"https://youtu.be/abcdefghijk");
}

TEST(JobGate, OnceOpenEveryJobRunsAtOnceAndOpeningTwiceIsHarmless) {
  JobGate gate;
  gate.open();
  gate.open();
  int runs = 0;
  JobGate::Job job = gate.holding([&](DownloadRequest) { ++runs; });
  job(DownloadRequest{});
  job(DownloadRequest{});
  EXPECT_EQ(runs, 2);
}

TEST(JobGate, AHeldJobOutlivesItsGate) {
  JobGate::Job job;
  std::thread worker;
  std::atomic<bool> ran{false};
  {
    JobGate gate;
    job = gate.holding([&](DownloadRequest) { ran = true; });
    worker = std::thread(job, DownloadRequest{});
    gate.open();
  }
  worker.join();
  EXPECT_TRUE(ran.load());
}

}  // namespace
}  // namespace tarnwick
