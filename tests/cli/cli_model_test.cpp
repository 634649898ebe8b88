#include "tools/cli_app.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "model/parameter_image.h"
#include "resources/embedded.h"

namespace tarn {
namespace {

namespace fs = std::filesystem;

struct CliRun {
  int status;
  std::string out;
  std::string err;
};

// tarn-cli COMMAND ARGS..., in this process.
CliRun Invoke(const std::string& command, std::vector<std::string> args) {
  args.insert(args.begin(), command);
  std::ostringstream out;
  std::ostringstream err;
  const int status = RunCli(args, out, err);
  return {status, out.str(), err.str()};
}

CliRun Show(std::vector<std::string> args) {
  return Invoke("show", std::move(args));
}

CliRun Set(std::vector<std::string> args) {
  return Invoke("set", std::move(args));
}

// An image of a 48 V controller with firmware 01.09 (page text 165).
ParameterImage Backup() {
  ParameterImage image;
  const char module[] = "MQX48TRN";
  std::copy(module, module + kModuleNameSize, image.bytes.begin());
  image[kAddrVersion] = 0x01;
  image[kAddrVersion + 1] = 0x09;
  image[kAddrFlags] = 0x01;  // bit 0 on, bit 1 off
  image[25] = 0;
  image[26] = 40;
  image[37] = 80;
  return image;
}

class CliModelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir_ = fs::temp_directory_path() / ("tarn_cli_model_" + std::string(info->name()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    path_ = (dir_ / "backup.bin").string();
  }
  void TearDown() override { fs::remove_all(dir_); }

  void WriteFile(const ParameterImage& image) {
    std::ofstream(path_, std::ios::binary)
        .write(reinterpret_cast<const char*>(image.bytes.data()), kImageSize);
  }
  std::vector<std::uint8_t> FileBytes() {
    std::ifstream file(path_, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), {}};
  }

  fs::path dir_;
  std::string path_;
};

TEST_F(CliModelTest, ShowPrintsEveryPageAsTheToolShowsIt) {
  WriteFile(Backup());
  const CliRun run = Show({path_});
  ASSERT_EQ(run.status, 0) << run.err;
  const std::string& out = run.out;
  const auto at = [&out](const std::string& text) { return out.find(text); };
  EXPECT_NE(at("page text 165 for software version 0109"), std::string::npos);
  EXPECT_LT(at("\nVehicle\n"), at("\nControl\n"));
  EXPECT_LT(at("\nControl\n"), at("\nMotor\n"));
  EXPECT_LT(at("\nMotor\n"), at("\nCOM\n"));
  for (const char* line : {
           "  020.0  Вперед H-Pedel                    on            0~1           editable\n",
           "  020.1  Торм. H-Pedel                     off           0~1           editable\n",
           "  000    Имя модуля                        MQX48TRN      0~0           read-only\n",
           "  025    Слишком низкое                    40            18~60         editable\n",
           "  037    Текущий процент                   80            20~100        editable\n",
           "  498    J CAN Address                     255           0~253         editable\n",
       }) {
    EXPECT_NE(at(line), std::string::npos) << line;
  }
  EXPECT_EQ(at("Sleep_Time"), std::string::npos) << "hidden rows are not printed";
  EXPECT_EQ(at("hardware code 7W"), std::string::npos);
}

TEST_F(CliModelTest, ShowRefusesLikeTheTool) {
  ParameterImage image = Backup();
  image[kAddrVersion + 1] = 0x03;
  WriteFile(image);
  CliRun run = Show({path_});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find(res::EncodeUtf8(res::String(156))), std::string::npos) << run.err;
  EXPECT_FALSE(res::String(156).empty());

  image = Backup();
  image[kAddrModelCode] = 'q';
  WriteFile(image);
  run = Show({path_});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find(res::EncodeUtf8(res::String(157))), std::string::npos) << run.err;

  image = Backup();
  image[kAddrHardwareCode] = '7';
  image[kAddrHardwareCode + 1] = 'W';
  WriteFile(image);
  run = Show({path_});
  EXPECT_EQ(run.status, 0);
  EXPECT_NE(run.out.find("COM (its page button is hidden: hardware code 7W)"), std::string::npos);

  std::ofstream(path_, std::ios::binary | std::ios::trunc) << "short";
  EXPECT_EQ(Show({path_}).status, 1);
  EXPECT_EQ(Show({path_, "extra"}).status, 2);
}

TEST_F(CliModelTest, SetStoresByLabelAddressAndFlag) {
  WriteFile(Backup());
  const CliRun run = Set({path_, "25=20", "Текущий процент=100", "20.1=on", "Вперед H-Pedel=off",
                          "Макс. скорость=8000"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find("025  Слишком низкое = 20\n"), std::string::npos) << run.out;
  const std::vector<std::uint8_t> bytes = FileBytes();
  ASSERT_EQ(bytes.size(), kImageSize);
  EXPECT_EQ(bytes[25], 0);
  EXPECT_EQ(bytes[26], 20);
  EXPECT_EQ(bytes[37], 100);
  EXPECT_EQ(bytes[kAddrFlags], 0x02);
  EXPECT_EQ(bytes[107], 0x1F);
  EXPECT_EQ(bytes[108], 0x40);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator{}), 1)
      << "no temporary file is left behind";
}

// A private backup reached through a link: the link stays, the target gets
// the value and keeps its permission bits.
TEST_F(CliModelTest, SetWritesALinksTargetAndKeepsItsPermissions) {
  WriteFile(Backup());
  const fs::perms privateBits = fs::perms::owner_read | fs::perms::owner_write;
  fs::permissions(path_, privateBits);
  const fs::path link = dir_ / "latest.bin";
  std::error_code linkError;
  fs::create_symlink(path_, link, linkError);
  if (linkError) {
    // Windows without the privilege (and wine) cannot make file links.
    GTEST_SKIP() << "no symbolic links here: " << linkError.message();
  }
  const CliRun run = Set({link.string(), "25=20"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_EQ(FileBytes()[26], 20);
  EXPECT_EQ(fs::status(path_).permissions(), privateBits);
}

TEST_F(CliModelTest, FolderIsReportedAsAFolder) {
  const CliRun run = Set({dir_.string(), "25=20"});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err, "tarn-cli: " + dir_.string() + ": это папка, а не файл\n");
}

struct RefusedCase {
  const char* what;
  std::vector<std::string> assignments;
  const char* message;
};

TEST_F(CliModelTest, SetRefusesTheWholeCommandAndLeavesTheFile) {
  const std::vector<RefusedCase> cases = {
      {"out of range after a good value",
       {"37=90", "Слишком высокое=61"},
       "Param:Слишком высокое\nThe range should be between 18~60\n"},
      {"empty text is 0", {"37="}, "Param:Текущий процент\nThe range should be between 20~100\n"},
      {"read-only", {"23=48"}, "cannot be edited on its page"},
      {"read-only flag", {"21.1=on"}, "cannot be edited on its page"},
      {"hidden row", {"74=5"}, "no parameter shown on a page"},
      {"unknown label", {"Nothing=1"}, "no parameter shown on a page"},
      {"flag word", {"20.0=yes"}, "takes on or off"},
  };
  for (const RefusedCase& c : cases) {
    WriteFile(Backup());
    const std::vector<std::uint8_t> before = FileBytes();
    std::vector<std::string> args{path_};
    args.insert(args.end(), c.assignments.begin(), c.assignments.end());
    const CliRun run = Set(args);
    EXPECT_EQ(run.status, 1) << c.what;
    EXPECT_NE(run.err.find(c.message), std::string::npos) << c.what << ": " << run.err;
    EXPECT_EQ(FileBytes(), before) << c.what;
    EXPECT_TRUE(run.out.empty()) << c.what;
  }
  EXPECT_EQ(Set({path_, "no-equals"}).status, 2);
  EXPECT_EQ(Set({path_}).status, 2);
}

}  // namespace
}  // namespace tarn
