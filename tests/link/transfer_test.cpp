// Reading and writing the whole image against the simulated controller, and
// the Read and Write commands with their messages and status texts.
#include "app/transfer_commands.h"

#include <gtest/gtest.h>

#include "link_fixture.h"

namespace tarn {
namespace {

using testing::RecordingPrompter;
using testing::RecordingStatus;
using testing::SimulatorTest;

constexpr std::size_t kFailingBlock = 320;
// TransferStart twice, then ReadBlock 0, 16 ... : the request for address a.
constexpr int ReadRequestFor(std::size_t address) {
  return 2 + static_cast<int>(address / 16) + 1;
}

ParameterImage PatternImage() {
  ParameterImage image;
  for (std::size_t i = 0; i < kImageSize; ++i) image[i] = static_cast<std::uint8_t>(i * 7 + 3);
  return image;
}

class Transfer : public SimulatorTest {
 protected:
  // An image in memory that matches the controller's module name.
  ParameterImage SameController() {
    ParameterImage same = PatternImage();
    const auto controller = sim.GetImage();
    std::copy_n(controller.begin(), kModuleNameSize, same.bytes.begin());
    return same;
  }

  ParameterImage image;
  TransferFlags flags;
  RecordingPrompter prompter;
  RecordingStatus status;
};

TEST_F(Transfer, ReadImageCopiesTheWholeImage) {
  ASSERT_TRUE(ReadImage(link, image));
  const auto controller = sim.GetImage();
  EXPECT_TRUE(std::equal(controller.begin(), controller.end(), image.bytes.begin()));
  EXPECT_EQ(sim.RequestCount(kCommandTransferStart), 2);
  EXPECT_EQ(sim.RequestCount(kCommandReadBlock), 32);
}

TEST_F(Transfer, OnlyTheSecondTransferStartNeedsAnAnswer) {
  sim.SetFaults({.silentCommand = kCommandTransferStart, .silentCount = 1});
  EXPECT_TRUE(ReadImage(link, image));
  EXPECT_EQ(image[0], sim.GetImage()[0]);
}

TEST_F(Transfer, SecondTransferStartUnansweredFailsTheRead) {
  sim.SetFaults({.silentOn = 2});
  EXPECT_FALSE(ReadImage(link, image));
  EXPECT_EQ(sim.RequestCount(kCommandReadBlock), 0);
}

struct BlockFault {
  const char* name;
  sim::Faults faults;
};

void PrintTo(const BlockFault& fault, std::ostream* out) {
  *out << fault.name;
}

class FailingBlock : public Transfer, public ::testing::WithParamInterface<BlockFault> {};

// A read that fails part-way leaves every byte as it was, the blocks that
// did arrive included; the same read then succeeds whole.
TEST_P(FailingBlock, LeavesTheImageAsItWas) {
  const ParameterImage before = PatternImage();
  image = before;
  sim.SetFaults(GetParam().faults);
  EXPECT_FALSE(ReadImage(link, image));
  EXPECT_EQ(sim.RequestCount(kCommandReadBlock), static_cast<int>(kFailingBlock / 16) + 1);
  EXPECT_EQ(image.bytes, before.bytes);
  EXPECT_TRUE(ReadImage(link, image));
  const auto controller = sim.GetImage();
  EXPECT_TRUE(std::equal(controller.begin(), controller.end(), image.bytes.begin()));
}

INSTANTIATE_TEST_SUITE_P(
    Link, FailingBlock,
    ::testing::Values(BlockFault{"silent", {.silentOn = ReadRequestFor(kFailingBlock)}},
                      BlockFault{"checksum", {.badChecksumOn = ReadRequestFor(kFailingBlock)}}),
    [](const auto& param) { return std::string(param.param.name); });

TEST_F(Transfer, ShortReadBlockReplyFailsInsteadOfCopyingStaleBytes) {
  sim.SetFaults({.readBlockDataLength = 12});
  image = PatternImage();
  EXPECT_FALSE(ReadImage(link, image));
  EXPECT_EQ(image.bytes, PatternImage().bytes);
  EXPECT_EQ(sim.RequestCount(kCommandReadBlock), 1);
}

TEST_F(Transfer, WriteImageSendsThirteenByteBlocksAndTheLastFive) {
  image = PatternImage();
  ASSERT_TRUE(WriteImage(link, image));
  const auto controller = sim.GetImage();
  EXPECT_TRUE(std::equal(controller.begin(), controller.end(), image.bytes.begin()));
  const auto blocks = RequestsWith(kCommandWriteBlock);
  ASSERT_EQ(blocks.size(), 40u);
  // WriteBlock, length 8: address low 0xFB, count 5, address high 0x01, the
  // image bytes 507-511, sum.
  std::vector<std::uint8_t> last = {0xF3, 0x08, 0xFB, 0x05, 0x01};
  last.insert(last.end(), image.bytes.begin() + 507, image.bytes.end());
  last.push_back(FrameChecksum(last));
  EXPECT_EQ(blocks.back(), last);
  for (std::size_t k = 0; k + 1 < blocks.size(); ++k) {
    ASSERT_EQ(blocks[k][1], 16) << k;
    EXPECT_EQ(blocks[k][2] | (blocks[k][4] << 8), static_cast<int>(13 * k));
    EXPECT_EQ(blocks[k][3], 13);
  }
}

TEST_F(Transfer, ControllerSilentAfterWriteEndFailsTheWrite) {
  sim.SetFaults({.silentCommand = kCommandWriteEnd, .silentCount = 1});
  EXPECT_FALSE(WriteImage(link, PatternImage()));
  EXPECT_EQ(sim.RequestCount(kCommandWriteBlock), 40);
}

TEST_F(Transfer, HangUpInTheMiddleOfAWriteFails) {
  sim.SetFaults({.hangUpAfter = 10});
  EXPECT_FALSE(WriteImage(link, PatternImage()));
  EXPECT_TRUE(sim.HungUp());
}

TEST_F(Transfer, CheckIdentityComparesTheModuleName) {
  image = SameController();
  EXPECT_EQ(CheckIdentity(link, image), Identity::Same);
  for (std::size_t position = 0; position < kModuleNameSize; ++position) {
    ParameterImage other = image;
    other[position] ^= 0x20;
    EXPECT_EQ(CheckIdentity(link, other), Identity::Different) << position;
  }
  sim.SetFaults({.silent = true});
  EXPECT_EQ(CheckIdentity(link, image), Identity::Unreadable);
}

TEST_F(Transfer, ReadCommandRetriesUntilTheReadSucceeds) {
  sim.SetFaults({.silentOn = ReadRequestFor(kFailingBlock)});
  prompter.answers = {MsgAnswer::Retry};
  ReadCommand(link, image, flags, prompter, status);
  EXPECT_TRUE(flags.imageRead);
  EXPECT_EQ(prompter.Ids(), std::vector<int>{kMsgReadFailed});
  EXPECT_EQ(prompter.shown[0].buttons, MsgButtons::RetryCancel);
  EXPECT_EQ(status.texts, std::vector<std::u16string>{u"Read success!"});
}

TEST_F(Transfer, ReadCommandCancelledLeavesImageReadClear) {
  sim.SetFaults({.silent = true});
  flags.imageRead = true;
  ReadCommand(link, image, flags, prompter, status);
  EXPECT_FALSE(flags.imageRead);
  EXPECT_EQ(status.texts, std::vector<std::u16string>{u"Read failure!"});
}

struct WriteRoad {
  const char* name;
  sim::Faults faults;
  bool sameName;
  std::vector<int> messages;
  std::vector<std::u16string> status;
  bool written;
};

void PrintTo(const WriteRoad& road, std::ostream* out) {
  *out << road.name;
}

class WriteCommandRoads : public Transfer, public ::testing::WithParamInterface<WriteRoad> {};

TEST_P(WriteCommandRoads, ShowTheirMessages) {
  const WriteRoad& road = GetParam();
  image = road.sameName ? SameController() : PatternImage();
  sim.SetFaults(road.faults);
  prompter.answers = {MsgAnswer::Retry};
  WriteCommand(link, image, flags, prompter, status);
  EXPECT_EQ(prompter.Ids(), road.messages);
  EXPECT_EQ(status.texts, road.status);
  EXPECT_EQ(flags.imageWritten, road.written);
  if (road.messages.front() == kMsgIdentityMismatch ||
      road.messages.front() == kMsgIdentityUnreadable) {
    EXPECT_EQ(sim.RequestCount(kCommandWriteBlock), 0);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Link, WriteCommandRoads,
    ::testing::Values(WriteRoad{"success", {}, true, {kMsgWriteDone}, {u"Write success!"}, true},
                      WriteRoad{"mismatch", {}, false, {kMsgIdentityMismatch}, {}, false},
                      WriteRoad{"another_controller",
                                {.moduleName = "BQX72A01"},
                                true,
                                {kMsgIdentityMismatch},
                                {},
                                false},
                      WriteRoad{
                          "unreadable", {.silentOn = 3}, true, {kMsgIdentityUnreadable}, {}, false},
                      // Request 4 is WriteImage's TransferStart; the retry succeeds.
                      WriteRoad{"retry",
                                {.silentOn = 20},
                                true,
                                {kMsgWriteFailed, kMsgWriteDone},
                                {u"Write success!"},
                                true}),
    [](const auto& param) { return std::string(param.param.name); });

TEST_F(Transfer, WriteCommandCancelledReportsFailure) {
  image = SameController();
  sim.SetFaults({.silentOn = 20});
  prompter.fallback = MsgAnswer::Cancel;
  WriteCommand(link, image, flags, prompter, status);
  EXPECT_EQ(prompter.Ids(), std::vector<int>{kMsgWriteFailed});
  EXPECT_EQ(status.texts, std::vector<std::u16string>{u"Write failure!"});
  EXPECT_FALSE(flags.imageWritten);
}

}  // namespace
}  // namespace tarn
