// tarn-cli's link commands run in-process against the simulated controller.
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "link/controller_link.h"
#include "model/definition_loader.h"
#include "model/image_file.h"
#include "model/page_layout.h"
#include "resources/embedded.h"
#include "sim/simulator.h"
#include "tools/cli_app.h"

namespace tarn {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

constexpr int kDone = 0;
constexpr int kFailed = 1;
constexpr uid_t kNobody = 65534;

class Cli : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(sim.Start()) << sim.LastError();
    ::setenv("TARN_PORTS", sim.SlavePath().c_str(), 1);
    dir = fs::temp_directory_path() / ("tarn-cli-test-" + std::to_string(::getpid()));
    fs::create_directories(dir);
  }
  // tarn-cli keeps the controller's quiet time and the mandated waits too.
  void TearDown() override {
    ::unsetenv("TARN_PORTS");
    fs::remove_all(dir);
    const std::vector<sim::LineTiming> timings = sim.Timings();
    for (const std::string& fault : sim::QuietTimeFaults(timings)) ADD_FAILURE() << fault;
    for (const std::string& fault : sim::MandatedWaitFaults(timings)) ADD_FAILURE() << fault;
  }

  // tarn-cli COMMAND ARGS..., in this process.
  int Run(const std::string& command, std::vector<std::string> args) {
    args.insert(args.begin(), command);
    out.str("");
    err.str("");
    return RunCli(args, out, err);
  }

  std::string File(const std::string& name) const { return (dir / name).string(); }

  static void Save(const std::string& path, const Bytes& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
  }
  static Bytes Load(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(file), {});
  }
  Bytes ControllerImage() const {
    const auto image = sim.GetImage();
    return Bytes(image.begin(), image.end());
  }

  sim::Simulator sim{sim::Options{.pacing = false}};
  fs::path dir;
  std::ostringstream out, err;
};

TEST_F(Cli, ReadSavesTheControllersImage) {
  ASSERT_EQ(Run("read", {File("backup.bin")}), kDone) << err.str();
  EXPECT_EQ(Load(File("backup.bin")), ControllerImage());
  EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
}

TEST_F(Cli, FailedReadLeavesTheOldFileAlone) {
  const Bytes old(512, 0xAB);
  Save(File("backup.bin"), old);
  sim.SetFaults({.silentOn = 20});  // in the middle of the ReadBlocks
  EXPECT_EQ(Run("read", {File("backup.bin")}), kFailed);
  EXPECT_EQ(Load(File("backup.bin")), old);
  // The read failure's message text, then the closing reason.
  EXPECT_NE(err.str().find("Ошибка чтения данных."), std::string::npos) << err.str();
  EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
}

TEST_F(Cli, WriteStoresTheFileAndVerifiesIt) {
  Bytes image = ControllerImage();
  image[200] = 0x5A;
  image[511] = 0xA5;
  Save(File("edited.bin"), image);
  ASSERT_EQ(Run("write", {File("edited.bin")}), kDone) << err.str();
  EXPECT_EQ(ControllerImage(), image);
  EXPECT_NE(out.str().find("verified"), std::string::npos);
}

TEST_F(Cli, NoVerifySkipsTheReadBack) {
  Save(File("same.bin"), ControllerImage());
  ASSERT_EQ(Run("write", {"--no-verify", File("same.bin")}), kDone) << err.str();
  EXPECT_EQ(sim.RequestCount(kCommandReadBlock), 1);  // the identity check only
}

TEST_F(Cli, VerifyNamesTheFirstAddressThatDiffers) {
  // The controller acknowledges the block at address 26 but keeps its bytes.
  sim.SetReplyHook([](std::span<const std::uint8_t> request) -> std::optional<Bytes> {
    if (request[0] == kCommandWriteBlock && request[2] == 26) return Bytes{0xF3, 0x00, 0xF3};
    return std::nullopt;
  });
  Bytes image = ControllerImage();
  image[30] ^= 0xFF;
  Save(File("edited.bin"), image);
  EXPECT_EQ(Run("write", {File("edited.bin")}), kFailed);
  EXPECT_NE(err.str().find("address 30 "), std::string::npos) << err.str();
  // A failed write: no success text before the failure line.
  EXPECT_EQ(err.str().find("Записанно успешно."), std::string::npos) << err.str();
  EXPECT_EQ(err.str().find("tarn-cli: verify:"), 0u) << err.str();
}

TEST_F(Cli, VerifiedWriteTellsItsSuccess) {
  Save(File("same.bin"), ControllerImage());
  ASSERT_EQ(Run("write", {File("same.bin")}), kDone) << err.str();
  EXPECT_EQ(err.str(), "tarn-cli: Записанно успешно.\n");
}

// What read does with the file it is given.
TEST_F(Cli, ReadKeepsAPrivateBackupPrivate) {
  Save(File("backup.bin"), Bytes(512, 0));
  fs::permissions(File("backup.bin"), fs::perms::owner_read | fs::perms::owner_write);
  ASSERT_EQ(Run("read", {File("backup.bin")}), kDone) << err.str();
  EXPECT_EQ(Load(File("backup.bin")), ControllerImage());
  EXPECT_EQ(fs::status(File("backup.bin")).permissions(),
            fs::perms::owner_read | fs::perms::owner_write);
}

TEST_F(Cli, ReadThroughALinkWritesItsTargetAndKeepsTheLink) {
  fs::create_directories(dir / "store");
  Save(File("store/backup.bin"), Bytes(512, 0));
  fs::create_symlink("store/backup.bin", dir / "latest.bin");
  ASSERT_EQ(Run("read", {File("latest.bin")}), kDone) << err.str();
  EXPECT_TRUE(fs::is_symlink(dir / "latest.bin"));
  EXPECT_EQ(Load(File("store/backup.bin")), ControllerImage());
  EXPECT_EQ(std::distance(fs::directory_iterator(dir / "store"), fs::directory_iterator()), 1);
}

struct BadFile {
  const char* name;
  const char* file;  // under the test's folder
  const char* reason;
};

void PrintTo(const BadFile& c, std::ostream* os) {
  *os << c.name;
}

const BadFile kBadFiles[] = {
    {"folder", "", ": это папка, а не файл"},
    {"missing folder", "no-such-folder/backup.bin", ": папка "},
};

class BadReadFiles : public Cli, public ::testing::WithParamInterface<BadFile> {};

// Found out before the controller is asked.
TEST_P(BadReadFiles, AreRefusedBeforeAnyTraffic) {
  const std::string path = File(GetParam().file);
  EXPECT_EQ(Run("read", {path}), kFailed);
  EXPECT_NE(err.str().find(path + GetParam().reason), std::string::npos) << err.str();
  EXPECT_EQ(sim.TotalRequests(), 0);
}

INSTANTIATE_TEST_SUITE_P(Link, BadReadFiles, ::testing::ValuesIn(kBadFiles),
                         [](const auto& param) { return "case" + std::to_string(param.index); });

TEST_F(Cli, FolderToWriteIsReportedAsAFolder) {
  EXPECT_EQ(Run("write", {dir.string()}), kFailed);
  EXPECT_EQ(err.str(), "tarn-cli: " + dir.string() + ": это папка, а не файл\n");
  EXPECT_EQ(sim.TotalRequests(), 0);
}

struct RefusedWrite {
  const char* name;
  Bytes (*file)(const Bytes& controller);
  sim::Faults faults;
  bool connects;  // whether the controller is asked at all
};

void PrintTo(const RefusedWrite& c, std::ostream* os) {
  *os << c.name;
}

const RefusedWrite kRefused[] = {
    {"short file", [](const Bytes& c) { return Bytes(c.begin(), c.begin() + 511); }, {}, false},
    {"long file",
     [](const Bytes& c) {
       Bytes b = c;
       b.push_back(0);
       return b;
     },
     {},
     false},
    {"other module name",
     [](const Bytes& c) {
       Bytes b = c;
       b[7] ^= 1;
       return b;
     },
     {},
     true},
    {"name unreadable", [](const Bytes& c) { return c; }, {.silentOn = 3}, true},
};

class RefusedWrites : public Cli, public ::testing::WithParamInterface<RefusedWrite> {};

TEST_P(RefusedWrites, SendNoBlock) {
  const RefusedWrite& c = GetParam();
  Save(File("image.bin"), c.file(ControllerImage()));
  sim.SetFaults(c.faults);
  EXPECT_EQ(Run("write", {File("image.bin")}), kFailed);
  EXPECT_EQ(sim.RequestCount(kCommandWriteBlock), 0);
  EXPECT_EQ(sim.TotalRequests() > 0, c.connects);
  EXPECT_FALSE(err.str().empty());
}

INSTANTIATE_TEST_SUITE_P(Link, RefusedWrites, ::testing::ValuesIn(kRefused),
                         [](const auto& param) { return "case" + std::to_string(param.index); });

TEST_F(Cli, IdentityPrintsTheHeader) {
  ASSERT_EQ(Run("identity", {}), kDone) << err.str();
  const std::string text = out.str();
  EXPECT_NE(text.find("Module name:      AQX48B01"), std::string::npos) << text;
  EXPECT_NE(text.find("Customer:         DEMO"), std::string::npos);
  EXPECT_NE(text.find("Serial number:    21070035"), std::string::npos);
  EXPECT_NE(text.find("Software version: 01090000"), std::string::npos);
}

TEST_F(Cli, NoControllerIsAFailureWithTheMessage) {
  sim.SetFaults({.silent = true});
  EXPECT_EQ(Run("identity", {}), kFailed);
  EXPECT_NE(err.str().find("Отсутствует питание контроллера"), std::string::npos) << err.str();
}

TEST_F(Cli, NoControllerListsWhatEachPortGaveAfterTheMessage) {
  sim.SetFaults({.silent = true});
  ::setenv("TARN_PORTS", ("/dev/tarn-no-such-port:" + sim.SlavePath()).c_str(), 1);
  EXPECT_EQ(Run("identity", {}), kFailed);
  const std::string text = err.str();
  const std::string expected =
      "tarn-cli: Отсутствует питание контроллера или отсоединен кабель RS232.\n"
      "  /dev/tarn-no-such-port: нет такого устройства (No such file or directory)\n"
      "  " + sim.SlavePath() + ": открыт, но контроллер не ответил\n"
      "tarn-cli: no controller answered on any serial port";
  EXPECT_EQ(text.substr(0, expected.size()), expected) << text;
}

// Run as a user outside the group that owns the device: the port's line says
// so and the remedy names the group.
TEST_F(Cli, PortWithoutPermissionGetsTheRemedy) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to become a user without access";
  int pipeFds[2];
  ASSERT_EQ(::pipe(pipeFds), 0);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    ::close(pipeFds[0]);
    const bool dropped = ::setgroups(0, nullptr) == 0 && ::setgid(kNobody) == 0 &&
                         ::setuid(kNobody) == 0;
    const int status = dropped ? Run("identity", {}) : -1;
    const std::string text = err.str();
    [[maybe_unused]] ssize_t n = ::write(pipeFds[1], text.data(), text.size());
    ::_exit(status);
  }
  ::close(pipeFds[1]);
  std::string text;
  char buffer[512];
  for (ssize_t n; (n = ::read(pipeFds[0], buffer, sizeof(buffer))) > 0;) text.append(buffer, n);
  ::close(pipeFds[0]);
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), kFailed) << text;
  EXPECT_NE(text.find("  " + sim.SlavePath() + ": нет прав доступа (Permission denied)\n"),
            std::string::npos)
      << text;
  struct stat device {};
  ASSERT_EQ(::stat(sim.SlavePath().c_str(), &device), 0);
  const group* owner = ::getgrgid(device.st_gid);
  ASSERT_NE(owner, nullptr);
  const std::string name = owner->gr_name;
  EXPECT_NE(text.find("tarn-cli: доступ к " + sim.SlavePath() + " дают права группы " + name +
                      ": sudo usermod -aG " + name + " $USER, затем войдите в систему заново\n"),
            std::string::npos)
      << text;
}

TEST_F(Cli, PortsListsTheScanOrder) {
  ::setenv("TARN_PORTS", "/dev/b:/dev/a", 1);
  EXPECT_EQ(Run("ports", {}), kDone);
  EXPECT_EQ(out.str(), "/dev/b\n/dev/a\n");
}

TEST(AtomicFile, FailedWriteLeavesNoTraceAndTheOldFile) {
  const fs::path dir = fs::temp_directory_path() / ("tarn-atomic-" + std::to_string(::getpid()));
  fs::create_directories(dir);
  const Bytes bytes(512, 1);
  std::string error;
  EXPECT_TRUE(WriteFileAtomically((dir / "a.bin").string(), bytes, &error));
  EXPECT_FALSE(WriteFileAtomically((dir / "missing" / "a.bin").string(), bytes, &error));
  EXPECT_FALSE(error.empty());
  EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
  fs::remove_all(dir);
}

// diff answers as diff(1) does: 0 same, 1 different, 2 trouble; export
// writes the CSV table with its byte-order mark.
TEST_F(Cli, DiffExitsAsDiffDoesAndExportWritesTheTable) {
  const Bytes controller = ControllerImage();
  ParameterImage image;
  std::copy(controller.begin(), controller.end(), image.bytes.begin());
  auto defs = std::make_unique<DefinitionSet>();
  ASSERT_EQ(LoadDefinitionSet(image, *defs), LoadResult::Loaded);
  ShownRow changed;
  for (const ShownRow& row : ShownRows(*defs)) {
    if (row.editable && row.shows == Shows::Text && row.def->storage == Storage::Byte) {
      changed = row;
      break;
    }
  }
  ASSERT_NE(changed.def, nullptr);
  Bytes other = controller;
  other[changed.def->address] ^= 0x01;
  // Another generation: the same bytes under a version that selects other
  // definitions.
  Bytes otherGeneration = controller;
  ParameterImage probe = image;
  for (int minor = 0; minor <= 0xFF; ++minor) {
    probe[kAddrVersion + 1] = static_cast<std::uint8_t>(minor);
    int textId = 0;
    if (ChoosePageText(probe, &textId) == LoadResult::Loaded && textId != defs->pageTextId) {
      otherGeneration[kAddrVersion + 1] = probe[kAddrVersion + 1];
      break;
    }
  }
  ASSERT_NE(otherGeneration, controller);
  Save(File("a.bin"), controller);
  Save(File("b.bin"), other);
  Save(File("c.bin"), otherGeneration);
  Save(File("short.bin"), Bytes(controller.begin(), controller.end() - 1));

  struct DiffCase {
    std::vector<std::string> args;
    int exit;
  };
  const DiffCase cases[] = {
      {{File("a.bin"), File("a.bin")}, 0},
      {{File("a.bin")}, 0},  // the controller against its own image
      {{File("a.bin"), File("b.bin")}, 1},
      {{File("b.bin")}, 1},
      {{File("a.bin"), File("c.bin")}, 2},
      {{File("a.bin"), File("short.bin")}, 2},
      {{File("short.bin"), File("a.bin")}, 2},
      {{File("missing.bin"), File("a.bin")}, 2},
      {{}, 2},
  };
  for (const DiffCase& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.args));
    EXPECT_EQ(Run("diff", c.args), c.exit) << err.str();
    const std::string lines = out.str();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), '\n'), c.exit == 1 ? 1 : 0) << lines;
    if (c.exit == 1) {
      EXPECT_NE(lines.find(res::EncodeUtf8(changed.def->name)), std::string::npos) << lines;
    }
  }
  EXPECT_EQ(sim.RequestCount(kCommandWriteBlock), 0);

  ASSERT_EQ(Run("export", {File("b.bin"), File("b.csv")}), 0) << err.str();
  const Bytes csv = Load(File("b.csv"));
  ASSERT_GE(csv.size(), 3u);
  EXPECT_EQ(std::string(csv.begin(), csv.begin() + 3), "\xEF\xBB\xBF");
  EXPECT_EQ(Run("export", {File("short.bin"), File("short.csv")}), 1);
  EXPECT_FALSE(fs::exists(File("short.csv")));
}

}  // namespace
}  // namespace tarn
