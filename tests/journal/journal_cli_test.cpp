// tarn-cli and the journal, on SQLite and on the PostgreSQL server the suite
// starts: a read, two values changed, a write; the history names the write
// and its two values; the image it replaced is the one read, and writing it
// back gives the controller that image byte for byte.
#include <algorithm>
#include <fstream>
#include <iterator>
#include <sstream>

#include "journal_fixture.h"
#include "model/image_file.h"
#include "sim/simulator.h"
#include "tools/cli_app.h"

namespace tarn::testing {
namespace {

constexpr int kDone = 0;
constexpr int kFailed = 1;
constexpr int kUsage = 2;

class CliJournal : public ::testing::TestWithParam<Backend> {
 protected:
  void SetUp() override {
    ASSERT_TRUE(sim.Start()) << sim.LastError();
    setenv("TARN_PORTS", sim.SlavePath().c_str(), 1);
  }
  void TearDown() override { unsetenv("TARN_PORTS"); }

  int Run(std::vector<std::string> args) {
    out.str("");
    err.str("");
    return RunCli(args, out, err);
  }

  std::string File(const std::string& name) const { return (temp.dir / name).string(); }

  static std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);) lines.push_back(line);
    return lines;
  }

  sim::Simulator sim{sim::Options{.pacing = false}};
  TempFolder temp;
  std::ostringstream out;
  std::ostringstream err;
};

TEST_P(CliJournal, AWriteIsListedWithItsChangesAndCanBeUndone) {
  TARN_NEW_JOURNAL_OR_SKIP(GetParam(), temp.dir, location);
  setenv("TARN_JOURNAL", location.c_str(), 1);
  ASSERT_EQ(Run({"read", File("read.bin")}), kDone) << err.str();
  ASSERT_EQ(Run({"history"}), kDone) << err.str();  // one entry: the read
  ASSERT_EQ(Lines(out.str()).size(), 2u) << out.str();
  ASSERT_EQ(std::filesystem::copy_file(File("read.bin"), File("new.bin")), true);
  ASSERT_EQ(Run({"set", File("new.bin"), "37=90", "38=60"}), kDone) << err.str();
  ASSERT_EQ(Run({"write", File("new.bin")}), kDone) << err.str();
  EXPECT_EQ(err.str().find("Журнал"), std::string::npos) << err.str();

  ASSERT_EQ(Run({"history", "21070035"}), kDone) << err.str();
  const std::vector<std::string> table = Lines(out.str());
  ASSERT_EQ(table.size(), 4u) << out.str();  // heading, write, set, read
  std::istringstream newest(table[1]);
  std::string id, time, kind, serial, module, user, changes, result;
  newest >> id >> time >> kind >> serial >> module >> user >> changes >> result;
  EXPECT_EQ(kind, "write");
  EXPECT_EQ(changes, "2");
  EXPECT_EQ(result, "verified");

  ASSERT_EQ(Run({"history", "show", id}), kDone) << err.str();
  const std::vector<std::string> shown = Lines(out.str());
  ASSERT_GE(shown.size(), 2u);
  EXPECT_EQ(shown[shown.size() - 2], "Vehicle\tТекущий процент\t80\t90");
  EXPECT_EQ(shown[shown.size() - 1], "Vehicle\tОграничения батареи\t70\t60");

  ASSERT_EQ(Run({"history", "export", "--before", id, File("before.bin")}), kDone) << err.str();
  std::string error;
  EXPECT_EQ(LoadImageFile(File("before.bin"), &error)->bytes,
            LoadImageFile(File("read.bin"), &error)->bytes);
  ASSERT_EQ(Run({"write", File("before.bin")}), kDone) << err.str();
  ASSERT_EQ(Run({"read", File("again.bin")}), kDone) << err.str();
  EXPECT_EQ(LoadImageFile(File("again.bin"), &error)->bytes,
            LoadImageFile(File("read.bin"), &error)->bytes);

  ASSERT_EQ(Run({"history", "--json"}), kDone) << err.str();
  EXPECT_EQ(out.str().front(), '[');
  EXPECT_NE(out.str().find("\"kind\": \"write\", \"module_name\": \"AQX48B01\""),
            std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Backends, CliJournal,
                         ::testing::Values(Backend::Sqlite, Backend::Postgres), BackendName);

// A journal that cannot be opened: read, set and write each do their work
// and say so once.
class CliJournalOff : public CliJournal {};

TEST_F(CliJournalOff, NeverStopsACommandAndIsReportedOncePerRun) {
  const std::string blocker = File("in-the-way");
  std::ofstream(blocker) << "x";
  setenv("TARN_JOURNAL", (blocker + "/journal.sqlite").c_str(), 1);
  const std::vector<std::vector<std::string>> runs = {
      {"read", File("read.bin")},
      {"set", File("read.bin"), "37=90"},
      {"write", File("read.bin")},
  };
  for (const auto& args : runs) {
    EXPECT_EQ(Run(args), kDone) << args[0] << ": " << err.str();
    int notices = 0;
    for (const std::string& line : Lines(err.str())) {
      notices += line.starts_with("tarn-cli: Журнал обслуживания отключён: ");
    }
    EXPECT_EQ(notices, 1) << args[0] << ": " << err.str();
  }
  EXPECT_EQ(sim.GetImage()[37], 90);
}

// What the history commands refuse, each with a one-line reason.
TEST(CliHistory, RefusesWithAReason) {
  TempFolder temp;
  const std::string location = (temp.dir / "journal.sqlite").string();
  setenv("TARN_JOURNAL", location.c_str(), 1);
  struct Case {
    std::vector<std::string> args;
    int exit;
    const char* says;
  };
  const Case cases[] = {
      {{"history", "show", "77"}, kFailed, "no entry 77"},
      {{"history", "show", "x"}, kUsage, "usage: tarn-cli history"},
      {{"history", "export", "1"}, kUsage, "usage: tarn-cli history"},
      {{"history", "export", "1", (temp.dir / "out.bin").string()}, kFailed, "no entry 1"},
  };
  for (const Case& c : cases) {
    std::ostringstream out;
    std::ostringstream err;
    EXPECT_EQ(RunCli(c.args, out, err), c.exit) << c.args[1];
    const std::string said = err.str();
    EXPECT_NE(said.find(c.says), std::string::npos) << said;
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
  }
  EXPECT_FALSE(std::filesystem::exists(temp.dir / "out.bin"));
  // A journal that cannot be opened is a failure of the command itself.
  setenv("TARN_JOURNAL", (temp.dir / "journal.sqlite" / "x").c_str(), 1);
  std::ostringstream out;
  std::ostringstream err;
  EXPECT_EQ(RunCli({"history"}, out, err), kFailed);
  EXPECT_NE(err.str().find("cannot be opened"), std::string::npos) << err.str();
}

}  // namespace
}  // namespace tarn::testing
