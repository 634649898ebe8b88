// tarn-cli's command line: the overview, each command's help, and usage
// errors that stop before any port is touched.
#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "tools/cli_app.h"

namespace tarn {
namespace {

constexpr int kDone = 0;
constexpr int kUsage = 2;

// The overview as tarn-cli prints it: the commands it has always had, the
// live-data monitor, and the pointer to the commands' own help.
constexpr char kOverview[] =
    "usage: tarn-cli COMMAND [ARGUMENTS]\n"
    "\n"
    "  ports                      list the serial ports in the order they are tried\n"
    "  identity                   print the controller's module name, customer,\n"
    "                             serial number and software version\n"
    "  read FILE                  read the controller's 512-byte image into FILE\n"
    "  write [--no-verify] FILE   write FILE to the controller after checking its\n"
    "                             module name, then read it back and compare\n"
    "  show [FILE]                print the parameters of FILE (or the controller)\n"
    "  set FILE NAME=VALUE...     change values in FILE, range-checked\n"
    "  diff A.bin [B.bin]         print the values that differ between two image\n"
    "                             files, or between the controller and A;\n"
    "                             exit 0 same, 1 different, 2 trouble\n"
    "  export FILE [OUT.csv]      the parameters of FILE as a CSV table for\n"
    "                             spreadsheets (UTF-8), to OUT.csv or stdout\n"
    "  monitor [--csv FILE] [--seconds N]\n"
    "                             poll the live data as the monitor page does and\n"
    "                             print a line per poll, or record them into FILE;\n"
    "                             runs N seconds or until Ctrl+C\n"
    "  history [--json] [SERIAL]  the service journal, newest first; history show ID\n"
    "                             lists an entry's changed values, history export\n"
    "                             [--before] ID FILE writes its image into FILE\n"
    "\n"
    "The controller is found as the tool finds it: every serial port is tried in\n"
    "turn until one answers. TARN_PORTS=PORT[:PORT...] names the ports to try.\n"
    "Exit status: 0 done, 1 failed (the last line on stderr says why), 2 usage,\n"
    "130 interrupted by Ctrl+C (143 by SIGTERM).\n"
    "tarn-cli COMMAND --help explains one command.\n";

struct Outcome {
  int status;
  std::string out;
  std::string err;
};

class CliArguments : public ::testing::Test {
 protected:
  // Nothing these tests run may reach a real port.
  void SetUp() override { ::setenv("TARN_PORTS", "/dev/tarn-no-such-port", 1); }
  void TearDown() override { ::unsetenv("TARN_PORTS"); }

  static Outcome Run(const std::vector<std::string>& args) {
    std::ostringstream out, err;
    const int status = RunCli(args, out, err);
    return {status, out.str(), err.str()};
  }
};

TEST_F(CliArguments, OverviewGoesToStdoutOnRequestAndToStderrOtherwise) {
  EXPECT_EQ(CliOverview(), kOverview);
  for (const char* help : {"--help", "-h", "help"}) {
    const Outcome asked = Run({help});
    EXPECT_EQ(asked.status, kDone) << help;
    EXPECT_EQ(asked.out, kOverview) << help;
    EXPECT_TRUE(asked.err.empty()) << help;
  }
  const Outcome none = Run({});
  EXPECT_EQ(none.status, kUsage);
  EXPECT_EQ(none.err, kOverview);
  const Outcome unknown = Run({"erase"});
  EXPECT_EQ(unknown.status, kUsage);
  EXPECT_EQ(unknown.err, std::string("tarn-cli: unknown command: erase\n") + kOverview);
}

TEST_F(CliArguments, EveryCommandHasItsOwnHelp) {
  const struct {
    const char* command;
    const char* mentions;
  } commands[] = {{"ports", "serial ports"},     {"identity", "module name"},
                  {"read", "FILE"},              {"write", "--no-verify"},
                  {"show", "FILE"},              {"set", "LABEL-OR-ADDRESS=VALUE"},
                  {"history", "--json"}};
  for (const auto& c : commands) {
    const Outcome help = Run({c.command, "--help"});
    EXPECT_EQ(help.status, kDone) << c.command;
    EXPECT_NE(help.out.find(std::string("tarn-cli ") + c.command), std::string::npos) << help.out;
    EXPECT_NE(help.out.find(c.mentions), std::string::npos) << help.out;
    EXPECT_TRUE(help.err.empty()) << c.command << ": " << help.err;
  }
}

TEST_F(CliArguments, WrongArgumentsPrintTheCommandsUsage) {
  const struct {
    std::vector<std::string> args;
    const char* usage;
  } cases[] = {
      {{"ports", "extra"}, "ports"},
      {{"identity", "extra"}, "identity"},
      {{"read"}, "read [--force] FILE"},
      {{"read", "a.bin", "b.bin"}, "read [--force] FILE"},
      {{"write"}, "write [--no-verify] FILE"},
      {{"write", "--verify", "a.bin"}, "write [--no-verify] FILE"},
      {{"show", "a.bin", "b.bin"}, "show [FILE]"},
      {{"set", "a.bin"}, "set [--force] FILE LABEL-OR-ADDRESS=VALUE..."},
  };
  for (const auto& c : cases) {
    const Outcome run = Run(c.args);
    EXPECT_EQ(run.status, kUsage) << c.usage;
    EXPECT_EQ(run.err, std::string("usage: tarn-cli ") + c.usage + "\n");
    EXPECT_TRUE(run.out.empty()) << run.out;
  }
}

}  // namespace
}  // namespace tarn
