// tarn-cli monitor against the simulated controller: in-process for the
// rows and lines, as its own process for Ctrl+C.
#include "tools/cli_monitor.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

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
using testing::ReadCsv;

constexpr int kDone = 0;
constexpr int kFailed = 1;
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
    EXPECT_EQ(Run(c.options), kFailed);
    EXPECT_NE(err_.str().find(c.reason), std::string::npos) << err_.str();
    EXPECT_EQ(sim_.RequestCount(kCommandLiveData1), 0);
  }
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

}  // namespace
}  // namespace tarn
