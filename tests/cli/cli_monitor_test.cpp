// tarn-cli monitor against the simulated controller: in-process for the
// rows and lines, as its own process for Ctrl+C.
#include "tools/cli_monitor.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <sstream>
#include <thread>

#include "link/controller_link.h"
#include "monitor/live_fixtures.h"
#include "sim/simulator.h"
#include "tools/cli_app.h"

namespace tarn {
namespace {

namespace fs = std::filesystem;
using testing::CsvFile;
using testing::CsvRecord;
using testing::ReadCsv;

constexpr int kDone = 0;
constexpr int kPollsFailed = 1;
constexpr int kTrouble = 2;
constexpr int kUsage = 2;
constexpr std::chrono::seconds kPatience{10};

class CliMonitor : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(sim_.Start()) << sim_.LastError();
    ::setenv("TARN_PORTS", sim_.SlavePath().c_str(), 1);
  }
  void TearDown() override { ::unsetenv("TARN_PORTS"); }

  int Run(const MonitorOptions& options, std::stop_token stop = {}) {
    return RunMonitor(options, out_, err_, stop);
  }
  int RunCommand(std::vector<std::string> args) {
    args.insert(args.begin(), "monitor");
    return RunCli(args, out_, err_);
  }
  // Waits until the recording holds `rows` rows.
  bool WaitForRows(const fs::path& file, std::size_t rows) {
    const auto deadline = std::chrono::steady_clock::now() + kPatience;
    while (std::chrono::steady_clock::now() < deadline) {
      const CsvFile csv = ReadCsv(file);
      if (csv.valid && csv.records.size() >= rows + 1) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds{20});
    }
    return false;
  }

  sim::Simulator sim_{sim::Options{.pacing = false}};
  testing::TempDir dir_{"tarn-cli-monitor"};
  std::ostringstream out_, err_;
};

TEST_F(CliMonitor, TwoSecondsWriteTenRows) {
  const fs::path file = dir_ / "two.csv";
  ASSERT_EQ(Run({.csvPath = file.string(), .seconds = 2}), kDone) << err_.str();
  const CsvFile csv = ReadCsv(file);
  ASSERT_TRUE(csv.valid) << csv.problem;
  ASSERT_EQ(csv.records.size(), 1u + 10u);
  double previous = 0;
  for (std::size_t row = 1; row < csv.records.size(); ++row) {
    EXPECT_EQ(csv.records[row][2], "Success!") << row;
    const double seconds = std::stod(csv.records[row][1]);
    EXPECT_GT(seconds, previous) << row;
    previous = seconds;
  }
  // Exactly the page's traffic: three live-data requests per row.
  for (const std::uint8_t command : {kCommandLiveData1, kCommandLiveData2, kCommandLiveData3}) {
    EXPECT_EQ(sim_.RequestCount(command), 10);
  }
  EXPECT_NE(out_.str().find("Recorded 10 polls into " + file.string()), std::string::npos);
}

TEST_F(CliMonitor, PrintsALinePerPollWithTheShortNames) {
  ASSERT_EQ(Run({.csvPath = {}, .seconds = 1}), kDone) << err_.str();
  std::istringstream lines(out_.str());
  std::string line;
  int polls = 0;
  bool legend = false;
  while (std::getline(lines, line)) {
    if (line.find("  018  ") == 0) legend = true;
    if (line.find(" Success! ") == std::string::npos) continue;
    ++polls;
    EXPECT_NE(line.find(" 000="), std::string::npos) << line;
    EXPECT_NE(line.find(" 016=0x"), std::string::npos) << line;
  }
  EXPECT_TRUE(legend) << out_.str();
  EXPECT_EQ(polls, 5);
}

TEST_F(CliMonitor, FailuresAreReportedAndTheControllerIsNotPolled) {
  struct Case {
    const char* what;
    MonitorOptions options;
    sim::Faults faults;
    const char* reason;
  };
  const Case cases[] = {
      {"unwritable file", {.csvPath = (dir_ / "no" / "such.csv").string()}, {}, "such.csv: "},
      {"no controller", {.csvPath = {}, .seconds = 1}, {.silent = true}, "no controller answered"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    sim_.SetFaults(c.faults);
    sim_.ResetCounters();
    err_.str("");
    EXPECT_EQ(Run(c.options), kTrouble);
    EXPECT_NE(err_.str().find(c.reason), std::string::npos) << err_.str();
    EXPECT_EQ(sim_.RequestCount(kCommandLiveData1), 0);
  }
}

// Live data whose thirds differ, so a third filled from another request's
// reply shows.
sim::LiveData DistinctThirds() {
  sim::LiveData data{};
  for (std::size_t i = 0; i < data.size(); ++i) {
    data[i] = static_cast<std::uint8_t>(0x11 * (i / 16 + 1) + i % 16);
  }
  return data;
}

// One reply 2.5 s late: the poll it belongs to fails, at most one more with
// it, no row shows a value the controller did not send, and the exit status
// tells that polls failed while the file is still whole.
TEST_F(CliMonitor, LateReplyCostsAtMostTwoPollsAndNoFalseValues) {
  sim_.SetLiveData(DistinctThirds());
  std::atomic<int> liveData1{0};
  sim_.SetReplyHook(
      [&](std::span<const std::uint8_t> request) -> std::optional<std::vector<std::uint8_t>> {
        if (request[0] == kCommandLiveData1 && ++liveData1 == 4) {
          std::this_thread::sleep_for(std::chrono::milliseconds{2500});
        }
        return std::nullopt;
      });
  const fs::path file = dir_ / "late.csv";
  ASSERT_EQ(Run({.csvPath = file.string(), .seconds = 3}), kPollsFailed) << err_.str();
  const CsvFile csv = ReadCsv(file);
  ASSERT_TRUE(csv.valid) << csv.problem;
  ASSERT_EQ(csv.records.size(), 1u + 15u);
  // Time, seconds and outcome come first; then the values.
  constexpr std::size_t kFirstValue = 3;
  const CsvRecord* reference = nullptr;
  int failed = 0;
  for (std::size_t row = 1; row < csv.records.size(); ++row) {
    if (csv.records[row][2] == "Success!" && reference == nullptr) reference = &csv.records[row];
    if (csv.records[row][2] != "Success!") ++failed;
  }
  ASSERT_NE(reference, nullptr);
  EXPECT_GE(failed, 1);
  EXPECT_LE(failed, 2);
  for (std::size_t row = 1; row < csv.records.size(); ++row) {
    const CsvRecord& record = csv.records[row];
    for (std::size_t column = kFirstValue; column < record.size(); ++column) {
      if (record[column].empty() && record[2] != "Success!") continue;
      EXPECT_EQ(record[column], (*reference)[column])
          << "row " << row << ", " << csv.records[0][column];
    }
  }
  EXPECT_NE(out_.str().find("Recorded 15 polls, " + std::to_string(failed) + " failed, into " +
                            file.string()),
            std::string::npos)
      << out_.str();
}

TEST_F(CliMonitor, ArgumentsAreCheckedBeforeAnythingIsSent) {
  const std::vector<std::vector<std::string>> refused = {
      {"--seconds", "0"}, {"--seconds", "2x"}, {"--seconds", "99999999999"},
      {"--csv"},          {"--csv", ""},       {"a.csv"},
  };
  for (const auto& args : refused) {
    err_.str("");
    EXPECT_EQ(RunCommand(args), kUsage) << ::testing::PrintToString(args);
    EXPECT_NE(err_.str().find("usage: tarn-cli monitor [--csv FILE] [--seconds N]"),
              std::string::npos)
        << err_.str();
  }
  EXPECT_EQ(sim_.TotalRequests(), 0);
  EXPECT_EQ(RunCommand({"--help"}), kDone);
  EXPECT_NE(out_.str().find("--seconds"), std::string::npos);
}

TEST_F(CliMonitor, CtrlCEndsTheProgramWithACompleteFile) {
  const fs::path file = dir_ / "interrupted.csv";
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    ::execl(TARN_CLI_PATH, "tarn-cli", "monitor", "--csv", file.c_str(), nullptr);
    ::_exit(127);
  }
  const bool recorded = WaitForRows(file, 3);
  ::kill(child, SIGINT);
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(recorded);
  ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
  EXPECT_EQ(WEXITSTATUS(status), kDone);
  const CsvFile csv = ReadCsv(file);
  ASSERT_TRUE(csv.valid) << csv.problem;
  EXPECT_GE(csv.records.size(), 4u);
}

// Ctrl+C while a slow controller's reply is still on its way, then another
// command at once: it must get its own answer, not the poll's late one.
TEST_F(CliMonitor, CtrlCDuringALateReplyLeavesTheControllerToTheNextCommand) {
  const fs::path file = dir_ / "slow.csv";
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    ::execl(TARN_CLI_PATH, "tarn-cli", "monitor", "--csv", file.c_str(), nullptr);
    ::_exit(127);
  }
  // The controller turns slow once the poll runs: every reply 1 s late, so
  // the Ctrl+C meets a reply on its way, one that would still come while the
  // next command sets up its port.
  bool recorded = WaitForRows(file, 1);
  sim_.SetFaults({.lateReplyMs = 1000});
  const int requests = sim_.TotalRequests();
  const auto deadline = std::chrono::steady_clock::now() + kPatience;
  while (sim_.TotalRequests() < requests + 2 && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds{5});
  }
  recorded = recorded && sim_.TotalRequests() >= requests + 2;
  ::kill(child, SIGINT);
  // The reply on its way keeps its delay; the identity check after it need not.
  sim_.SetFaults({});
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(recorded);
  ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
  EXPECT_TRUE(ReadCsv(file).valid);
  err_.str("");
  EXPECT_EQ(RunCli({"identity"}, out_, err_), kDone) << err_.str();
}

}  // namespace
}  // namespace tarn
