// tarn-cli monitor with the adapter out for two seconds: one row per poll
// throughout, polls succeed again by themselves after the return, and the
// summary and the exit status count the failed ones.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <regex>
#include <sstream>
#include <thread>

#include "link/controller_link.h"
#include "monitor/live_fixtures.h"
#include "sim/simulator.h"
#include "tools/cli_monitor.h"

namespace tarn {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

TEST(CliMonitorReconnect, RecordsThroughTheGapAndCountsTheFailedPolls) {
  constexpr int kSeconds = 7;
  testing::TempDir dir{"tarn-cli-monitor-reconnect"};
  const fs::path alias = dir / "usb-adapter";
  const fs::path file = dir / "gap.csv";
  sim::Simulator first(sim::Options{.pacing = false});
  ASSERT_TRUE(first.Start()) << first.LastError();
  fs::create_symlink(first.SlavePath(), alias);
  ::setenv("TARN_PORTS", alias.c_str(), 1);

  sim::Simulator second(sim::Options{.pacing = false});
  std::ostringstream out, err;
  int status = -1;
  std::thread run([&] {
    status = RunMonitor({.csvPath = file.string(), .seconds = kSeconds}, out, err, {});
  });
  ASSERT_TRUE(first.WaitForReplies(12, 5s));  // the scan, the read and some polls
  std::this_thread::sleep_for(1s);
  fs::remove(alias);
  first.Stop();
  std::this_thread::sleep_for(2s);
  ASSERT_TRUE(second.Start()) << second.LastError();
  fs::create_symlink(second.SlavePath(), alias);
  run.join();
  ::unsetenv("TARN_PORTS");

  EXPECT_EQ(status, 1) << err.str();
  const testing::CsvFile csv = testing::ReadCsv(file);
  ASSERT_TRUE(csv.valid) << csv.problem;
  ASSERT_EQ(csv.records.size(), 1u + 5u * kSeconds);
  int failed = 0;
  int failedAfterReturn = 0;
  bool back = false;
  for (std::size_t row = 1; row < csv.records.size(); ++row) {
    const bool ok = csv.records[row][2] == "Success!";
    if (!ok) ++failed;
    if (ok && failed > 0) back = true;
    if (!ok && back) ++failedAfterReturn;
  }
  // Two seconds out and up to a second and a half to get back: 10 to 18
  // failed polls; after the first good one, none.
  EXPECT_GE(failed, 10);
  EXPECT_LE(failed, 18);
  EXPECT_TRUE(back);
  EXPECT_EQ(failedAfterReturn, 0);
  EXPECT_GE(second.RequestCount(kCommandLiveData1), 5);
  const std::regex summary("Recorded " + std::to_string(5 * kSeconds) + " polls, " +
                           std::to_string(failed) +
                           " failed: port gone \\d\\d:\\d\\d:\\d\\d-\\d\\d:\\d\\d:\\d\\d, into ");
  EXPECT_TRUE(std::regex_search(out.str(), summary)) << out.str();
  EXPECT_NE(err.str().find("Connection lost: " + alias.string() + " (device removed)"),
            std::string::npos)
      << err.str();
  EXPECT_NE(err.str().find("Connection restored"), std::string::npos) << err.str();
  for (const std::string& fault : sim::QuietTimeFaults(second.Timings())) ADD_FAILURE() << fault;
}

}  // namespace
}  // namespace tarn
