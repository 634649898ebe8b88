// tarn-cli's link commands run in-process against the simulated controller.
#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <thread>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/port_advice.h"
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
  // A success: on stdout, with nothing on stderr.
  EXPECT_EQ(err.str(), "");
  EXPECT_EQ(out.str().find("tarn-cli: Записанно успешно.\n"), 0u) << out.str();
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
#ifdef __SANITIZE_THREAD__
  // The child runs the command in the forked copy of this threaded process,
  // which ThreadSanitizer cannot follow; the other builds run it.
  GTEST_SKIP() << "a command run in a forked threaded process";
#endif
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
  // Joining the device's group is the remedy only for a serial group; a
  // terminal given to root (as in many containers) gets what to check.
  const std::string port = sim.SlavePath();
  const std::string remedy =
      IsSerialPortGroup(name)
          ? "tarn-cli: доступ к " + port + " дают права группы " + name + ": sudo usermod -aG " +
                name + " $USER, затем войдите в систему заново\n"
          : "tarn-cli: нет прав доступа к " + port + ": устройство принадлежит группе " + name +
                ", а не группе последовательных портов; проверьте права устройства (ls -l " +
                port + ") и правила udev\n";
  EXPECT_NE(text.find(remedy), std::string::npos) << text;
  EXPECT_EQ(text.find("sudo usermod -aG root"), std::string::npos) << text;
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

// ---------------------------------------------------------------------------
// Ctrl+C and SIGTERM in the middle of a transfer, with tarn-cli as a process
// of its own and the controller at its real line rate.

constexpr std::chrono::seconds kPatience{10};

// What the port's next user finds: its line settings and whether it is
// still held exclusively.
struct PortState {
  bool opened = false;
  int exclusive = -1;
  termios line{};
  bool lockable = false;
};

PortState InspectPort(const std::string& path) {
  PortState state;
  const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) return state;
  state.opened = true;
  ::ioctl(fd, TIOCGEXCL, &state.exclusive);
  ::tcgetattr(fd, &state.line);
  state.lockable = ::flock(fd, LOCK_EX | LOCK_NB) == 0;
  ::close(fd);
  return state;
}

bool SameLine(const termios& a, const termios& b) {
  return a.c_iflag == b.c_iflag && a.c_oflag == b.c_oflag && a.c_cflag == b.c_cflag &&
         a.c_lflag == b.c_lflag && std::memcmp(a.c_cc, b.c_cc, sizeof a.c_cc) == 0 &&
         ::cfgetispeed(&a) == ::cfgetispeed(&b) && ::cfgetospeed(&a) == ::cfgetospeed(&b);
}

struct InterruptCase {
  const char* name;
  std::vector<std::string> args;  // "@" stands for the test's image file
  int signal;
  std::uint8_t waitFor;  // the signal comes once the controller has seen
  int requests;          //   this many of these requests
  std::uint8_t neverAll;  // and the transfer never completes: fewer than
  int allOfThem;          //   this many of these
  sim::Faults faults = {};
};

void PrintTo(const InterruptCase& c, std::ostream* os) {
  *os << c.name;
}

const InterruptCase kInterrupts[] = {
    {"identity", {"identity"}, SIGINT, kCommandReadBlock, 4, kCommandReadBlock, 32},
    {"read", {"read", "@"}, SIGINT, kCommandReadBlock, 6, kCommandReadBlock, 32},
    {"read_sigterm", {"read", "@"}, SIGTERM, kCommandReadBlock, 6, kCommandReadBlock, 32},
    {"write", {"write", "@"}, SIGINT, kCommandWriteBlock, 5, kCommandWriteBlock, 40},
    {"show", {"show"}, SIGTERM, kCommandReadBlock, 4, kCommandReadBlock, 32},
    {"diff", {"diff", "@"}, SIGINT, kCommandReadBlock, 4, kCommandReadBlock, 32},
    // During the search, while a silent controller is asked who it is.
    {"scan", {"read", "@"}, SIGINT, kCommandIdentify, 1, kCommandTransferStart, 1, {.silent = true}},
};

class Interrupts : public Cli, public ::testing::WithParamInterface<InterruptCase> {};

TEST_P(Interrupts, LeaveThePortAsItWasAndNoHalfFile) {
  const InterruptCase& c = GetParam();
  const bool fileIsOutput = c.args.front() == "read";
  const std::string image = File("image.bin");
  if (!fileIsOutput) Save(image, ControllerImage());
  const PortState before = InspectPort(sim.SlavePath());
  ASSERT_TRUE(before.opened);
  sim.SetPacing(true);
  sim.SetFaults(c.faults);

  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    std::vector<std::string> args = {"tarn-cli"};
    for (const std::string& arg : c.args) args.push_back(arg == "@" ? image : arg);
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    const int devNull = ::open("/dev/null", O_WRONLY);
    ::dup2(devNull, STDOUT_FILENO);
    ::execv(TARN_CLI_PATH, argv.data());
    ::_exit(127);
  }
  const auto deadline = std::chrono::steady_clock::now() + kPatience;
  while (sim.RequestCount(c.waitFor) < c.requests && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds{5});
  }
  const bool reached = sim.RequestCount(c.waitFor) >= c.requests;
  ::kill(child, c.signal);
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(reached) << "the transfer never got that far";
  ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
  EXPECT_EQ(WEXITSTATUS(status), 128 + c.signal);
  EXPECT_LT(sim.RequestCount(c.neverAll), c.allOfThem) << "the interrupt came too late";

  const PortState after = InspectPort(sim.SlavePath());
  ASSERT_TRUE(after.opened) << "a second open of the port failed";
  EXPECT_EQ(after.exclusive, 0) << "the port is still held exclusively";
  EXPECT_TRUE(after.lockable);
  EXPECT_TRUE(SameLine(after.line, before.line)) << "the line settings were not put back";
  // An interrupted read leaves neither the file nor a temporary beside it.
  const auto entries = std::distance(fs::directory_iterator(dir), fs::directory_iterator());
  EXPECT_EQ(entries, fileIsOutput ? 0 : 1);
}

INSTANTIATE_TEST_SUITE_P(Link, Interrupts, ::testing::ValuesIn(kInterrupts),
                         [](const auto& param) { return std::string(param.param.name); });

// ---------------------------------------------------------------------------
// The advice for ports refused for lack of permission names a group only
// when joining it is the remedy.

struct AdviceCase {
  const char* name;
  std::vector<std::pair<std::string, std::string>> ports;  // refused port, its group
  std::vector<std::string> lines;                          // what the advice says
};

TEST(PermissionAdvice, NamesOnlySerialGroups) {
  const auto join = [](const std::string& port, const std::string& group) {
    return "доступ к " + port + " дают права группы " + group + ": sudo usermod -aG " + group +
           " $USER, затем войдите в систему заново";
  };
  const auto check = [](const std::string& port, const std::string& group) {
    return "нет прав доступа к " + port + ": устройство принадлежит группе " + group +
           ", а не группе последовательных портов; проверьте права устройства (ls -l " + port +
           ") и правила udev";
  };
  const AdviceCase cases[] = {
      {"dialout", {{"/dev/ttyUSB0", "dialout"}}, {join("/dev/ttyUSB0", "dialout")}},
      {"uucp", {{"/dev/ttyS0", "uucp"}}, {join("/dev/ttyS0", "uucp")}},
      {"tty", {{"/dev/pts/3", "tty"}}, {join("/dev/pts/3", "tty")}},
      {"root", {{"/dev/ttyUSB0", "root"}}, {check("/dev/ttyUSB0", "root")}},
      {"look-alike", {{"/dev/ttyUSB0", "dialout2"}}, {check("/dev/ttyUSB0", "dialout2")}},
      {"no group",
       {{"/dev/ttyUSB0", ""}},
       {"нет прав доступа к /dev/ttyUSB0: проверьте владельца устройства и права на него"}},
      {"one line per group",
       {{"/dev/ttyUSB0", "dialout"}, {"/dev/ttyUSB1", "dialout"}, {"/dev/ttyACM0", "root"}},
       {join("/dev/ttyUSB0", "dialout"), check("/dev/ttyACM0", "root")}},
      {"nothing refused", {}, {}},
  };
  for (const AdviceCase& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<PortAttempt> attempts = {{"/dev/ttyUSB9", PortOutcome::Busy, {}, kNoIdentifyByte},
                                         {"/dev/ttyUSB8", PortOutcome::NoAnswer, {}, 0}};
    for (const auto& [port, group] : c.ports) {
      attempts.push_back({port, PortOutcome::NoPermission, "Permission denied", kNoIdentifyByte});
    }
    const auto groupOf = [&c](const std::string& port) {
      for (const auto& [name, group] : c.ports) {
        if (name == port) return group;
      }
      return std::string("dialout");  // never asked for ports refused otherwise
    };
    std::string expected;
    for (const std::string& line : c.lines) expected += (expected.empty() ? "" : "\n") + line;
    EXPECT_EQ(res::EncodeUtf8(PermissionAdvice(attempts, groupOf)), expected);
  }
}

// ---------------------------------------------------------------------------
// identity shows the module name and customer as the pages do: a byte the
// character of its code, control characters as escapes.

TEST_F(Cli, IdentityShowsEveryByteOfTheNames) {
  struct Case {
    Bytes name;      // bytes 0-7
    Bytes customer;  // bytes 8-11
    const char* nameShown;
    const char* customerShown;
  };
  const Case cases[] = {
      {{'A', 'Q', 'X', '4', '8', 'B', 0xC4, '1'}, {'D', 'E', 'M', 'O'}, "AQX48B\xC3\x84" "1", "DEMO"},
      {{'A', 'Q', 'X', '4', '8', 'B', '0', 0xFF}, {'D', 0x07, 'M', 0x85}, "AQX48B0\xC3\xBF",
       "D\\x07M\\x85"},
      {{'A', 'Q', 'X', '4', '8', 0x7F, '0', '1'}, {'D', 'E', 0, 'O'}, "AQX48\\x7f01", "DE"},
  };
  for (const Case& c : cases) {
    sim.SetImageBytes(kAddrModuleName, c.name);
    sim.SetImageBytes(kAddrCustomer, c.customer);
    ASSERT_EQ(Run("identity", {}), kDone) << err.str();
    EXPECT_NE(out.str().find(std::string("Module name:      ") + c.nameShown + "\n"),
              std::string::npos)
        << out.str();
    EXPECT_NE(out.str().find(std::string("Customer:         ") + c.customerShown + "\n"),
              std::string::npos)
        << out.str();
    EXPECT_EQ(out.str().find('?'), std::string::npos) << out.str();
  }
}

// ---------------------------------------------------------------------------
// A read-only file is refused as an editor refuses it, unless --force.

TEST_F(Cli, ReadOnlyFilesAreReplacedOnlyWithForce) {
  const fs::perms readOnly = fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read;
  struct Case {
    const char* command;
    bool force;
    int status;
  };
  const Case cases[] = {
      {"read", false, kFailed}, {"read", true, kDone}, {"set", false, kFailed}, {"set", true, kDone}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.command) + (c.force ? " --force" : ""));
    const std::string path = File("locked.bin");
    if (fs::exists(path)) fs::permissions(path, fs::perms::owner_all);
    Bytes old = ControllerImage();
    old[100] ^= 0x55;
    Save(path, old);
    fs::permissions(path, readOnly);
    sim.ResetCounters();
    std::vector<std::string> args;
    if (c.force) args.push_back("--force");
    args.push_back(path);
    if (std::string(c.command) == "set") args.push_back("25=20");
    EXPECT_EQ(Run(c.command, args), c.status) << err.str();
    if (c.force) {
      EXPECT_NE(Load(path), old);
      EXPECT_TRUE(err.str().empty()) << err.str();
    } else {
      EXPECT_EQ(Load(path), old);
      EXPECT_EQ(err.str().find(path + " is read-only"), std::string("tarn-cli: ").size())
          << err.str();
      EXPECT_EQ(sim.TotalRequests(), 0);
    }
    // Replaced or not, the file keeps the bits its owner gave it.
    EXPECT_EQ(fs::status(path).permissions(), readOnly);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
  }
}

// ---------------------------------------------------------------------------
// write refuses values the pages would refuse, before anything is sent.

TEST_F(Cli, WriteRefusesValuesOutsideTheirRangeBeforeSendingAnything) {
  const Bytes controller = ControllerImage();
  ParameterImage image;
  std::copy(controller.begin(), controller.end(), image.bytes.begin());
  auto defs = std::make_unique<DefinitionSet>();
  ASSERT_EQ(LoadDefinitionSet(image, *defs), LoadResult::Loaded);
  // An editable one-byte value with room above and below its range.
  const ParamDef* def = nullptr;
  for (const ShownRow& row : ShownRows(*defs)) {
    const ParamDef& d = *row.def;
    if (row.editable && row.shows == Shows::Text && d.storage == Storage::Byte &&
        row.page != PageRows::Com && d.rangeL > 0 && d.rangeH < 255 && d.rangeL < d.rangeH) {
      def = &d;
      break;
    }
  }
  ASSERT_NE(def, nullptr);
  struct Case {
    const char* name;
    int value;
    bool refused;
  };
  const Case cases[] = {
      {"below", def->rangeL - 1, true},
      {"low edge", def->rangeL, false},
      {"high edge", def->rangeH, false},
      {"above", def->rangeH + 1, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Bytes file = controller;
    file[def->address] = static_cast<std::uint8_t>(c.value);
    Save(File("values.bin"), file);
    sim.ResetCounters();
    const Bytes held = ControllerImage();
    const int status = Run("write", {"--no-verify", File("values.bin")});
    if (c.refused) {
      EXPECT_EQ(status, kFailed);
      EXPECT_NE(err.str().find(res::EncodeUtf8(def->name) + " = "), std::string::npos)
          << err.str();
      EXPECT_NE(err.str().find("nothing sent"), std::string::npos) << err.str();
      // Not even the scan's Identify.
      EXPECT_EQ(sim.TotalRequests(), 0);
      EXPECT_TRUE(sim.Requests().empty());
      EXPECT_EQ(ControllerImage(), held);
    } else {
      EXPECT_EQ(status, kDone) << err.str();
      EXPECT_EQ(ControllerImage(), file);
    }
  }
}

// ---------------------------------------------------------------------------
// Every command: what it did on stdout, what went wrong on stderr.

TEST_F(Cli, SuccessGoesToStdoutAndFailureToStderr) {
  Save(File("a.bin"), ControllerImage());
  struct Case {
    const char* command;
    std::vector<std::string> args;
    int status;
  };
  const Case cases[] = {
      {"identity", {}, kDone},
      {"read", {File("b.bin")}, kDone},
      {"read", {File("missing/b.bin")}, kFailed},
      {"write", {File("a.bin")}, kDone},
      {"write", {"--no-verify", File("a.bin")}, kDone},
      {"write", {File("missing.bin")}, kFailed},
      {"show", {}, kDone},
      {"show", {File("a.bin")}, kDone},
      {"show", {File("missing.bin")}, kFailed},
      {"set", {File("a.bin"), "25=20"}, kDone},
      {"set", {File("a.bin"), "no such label=1"}, kFailed},
      {"export", {File("a.bin"), File("a.csv")}, kDone},
      {"export", {File("missing.bin"), File("a.csv")}, kFailed},
      {"ports", {}, kDone},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.command) + " " + ::testing::PrintToString(c.args));
    EXPECT_EQ(Run(c.command, c.args), c.status) << err.str();
    if (c.status == kDone) {
      EXPECT_EQ(err.str(), "");
      EXPECT_NE(out.str(), "");
    } else {
      EXPECT_EQ(out.str(), "");
      EXPECT_NE(err.str(), "");
    }
  }
}

// ---------------------------------------------------------------------------
// --csv-separator for spreadsheets that take the semicolon.

TEST_F(Cli, CsvSeparatorChoosesTheFieldSeparator) {
  Save(File("a.bin"), ControllerImage());
  struct Case {
    std::vector<std::string> options;
    int status;
    const char* header;  // the column captions as written
  };
  const Case cases[] = {
      {{}, kDone, "Page,Label,Value,Range,Unit,Address\r\n"},
      {{"--csv-separator", ","}, kDone, "Page,Label,Value,Range,Unit,Address\r\n"},
      {{"--csv-separator", ";"}, kDone, "Page;Label;Value;Range;Unit;Address\r\n"},
      {{"--csv-separator", "|"}, 2, nullptr},
      {{"--csv-separator", ";;"}, 2, nullptr},
      {{"--csv-separator", ""}, 2, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.options));
    std::vector<std::string> args = c.options;
    args.push_back(File("a.bin"));
    EXPECT_EQ(Run("export", args), c.status) << err.str();
    if (c.header != nullptr) {
      EXPECT_NE(out.str().find(c.header), std::string::npos) << out.str();
    } else {
      EXPECT_NE(err.str().find("usage: tarn-cli export [--csv-separator SEP] FILE [OUT.csv]"),
                std::string::npos)
          << err.str();
    }
  }
  // The monitor's recording takes the same choice.
  ASSERT_EQ(Run("monitor", {"--csv", File("live.csv"), "--csv-separator", ";", "--seconds", "1"}),
            kDone)
      << err.str();
  const Bytes live = Load(File("live.csv"));
  const std::string text(live.begin(), live.end());
  const std::string header = text.substr(0, text.find("\r\n"));
  EXPECT_GT(std::count(header.begin(), header.end(), ';'), 3) << header;
}

}  // namespace
}  // namespace tarn
