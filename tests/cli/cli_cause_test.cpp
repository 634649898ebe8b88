// tarn-cli read, write and identity fail fast when the port goes away or the
// controller falls silent, and name which of the two it was.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "link/controller_link.h"
#include "sim/simulator.h"
#include "tools/cli_app.h"

namespace tarn {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

struct CauseCase {
  const char* name;
  const char* command;
  sim::Faults faults;  // request 1 is the scan's Identify
  const char* cause;
};
// Names the case in test listings instead of dumping its bytes.
void PrintTo(const CauseCase& c, std::ostream* os) { *os << c.name; }

class CliCause : public ::testing::TestWithParam<CauseCase> {
 protected:
  void TearDown() override {
    ::unsetenv("TARN_PORTS");
    fs::remove_all(dir_);
  }
  fs::path dir_ = fs::temp_directory_path() / ("tarn-cli-cause-" + std::to_string(::getpid()));
};

TEST_P(CliCause, FailsFastAndNamesTheCause) {
  const CauseCase& c = GetParam();
  sim::Simulator sim(sim::Options{.pacing = false});
  ASSERT_TRUE(sim.Start()) << sim.LastError();
  ::setenv("TARN_PORTS", sim.SlavePath().c_str(), 1);
  fs::create_directories(dir_);
  const std::string file = (dir_ / "image.bin").string();
  std::vector<std::string> args{c.command};
  if (std::string(c.command) != "identity") args.push_back(file);
  if (std::string(c.command) == "write") {
    const auto image = sim.GetImage();
    std::ofstream(file, std::ios::binary)
        .write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(image.size()));
  }
  sim.SetFaults(c.faults);
  std::ostringstream out, err;
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(RunCli(args, out, err), 1);
  EXPECT_LT(std::chrono::steady_clock::now() - start, 3s);
  const std::string last = err.str().substr(err.str().rfind("tarn-cli: "));
  EXPECT_NE(last.find(std::string("(") + c.cause + ")"), std::string::npos) << last;
  if (std::string(c.command) == "read") {
    EXPECT_FALSE(fs::exists(file));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cli, CliCause,
    ::testing::Values(
        CauseCase{"readUnplugged", "read", {.hangUpAfter = 10}, "device removed"},
        CauseCase{"readSilent", "read",
                  {.silentCommand = kCommandReadBlock, .silentCount = 100}, "no answer"},
        CauseCase{"readGarbled", "read", {.badChecksumOn = 6}, "bad reply"},
        CauseCase{"writeUnplugged", "write", {.hangUpAfter = 12}, "device removed"},
        CauseCase{"identityUnplugged", "identity", {.hangUpAfter = 2}, "device removed"}),
    [](const auto& p) { return std::string(p.param.name); });

}  // namespace
}  // namespace tarn
