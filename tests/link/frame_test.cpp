// The receive algorithm on its own: which byte streams make a frame, which a
// checksum failure, and where the frame ends.
#include "link/frame.h"

#include <gtest/gtest.h>

#include <vector>

namespace tarn {
namespace {

struct FrameCase {
  const char* name;
  std::vector<std::vector<std::uint8_t>> reads;  // bytes delivered per read
  FrameResult result;
  std::size_t usedOfLastRead;       // bytes taken from the last read
  std::vector<std::uint8_t> frame;  // RxFrame's first bytes afterwards
};

const FrameCase kCases[] = {
    {"identify reply",
     {{0x11, 0x03, 0x00, 0x00, 0x01, 0x15}},  // Identify, 3 data bytes, sum 0x15
     FrameResult::Complete,
     6,
     {0x11, 0x03, 0x00, 0x00, 0x01, 0x15}},
    {"empty transfer start reply",
     {{0xF1, 0x00, 0xF1}},
     FrameResult::Complete,
     3,
     {0xF1, 0x00, 0xF1}},
    {"split after two bytes",
     {{0x11, 0x03}, {0x00, 0x00, 0x01, 0x15}},
     FrameResult::Complete,
     4,
     {0x11, 0x03, 0x00, 0x00, 0x01}},
    {"split byte by byte", {{0xF4}, {0x00}, {0xF4}}, FrameResult::Complete, 1, {0xF4, 0x00}},
    {"two frames in one read: the first counts",
     {{0xF1, 0x00, 0xF1, 0xF4, 0x00, 0xF4}},
     FrameResult::Complete,
     3,
     {0xF1, 0x00, 0xF1}},
    {"wrong checksum", {{0x11, 0x03, 0x00, 0x00, 0x01, 0x16}}, FrameResult::BadChecksum, 6, {}},
    {"stray byte makes the length 0x11, clamped to 16",
     {{0x00, 0x11, 0x00, 0x11}},
     FrameResult::Incomplete,
     4,
     {0x00, 0x10, 0x00, 0x11}},
    {"command byte alone cannot complete", {{0x11}}, FrameResult::Incomplete, 1, {0x11, 0x00}},
    {"header alone with length 0 needs its checksum",
     {{0xF1, 0x00}},
     FrameResult::Incomplete,
     2,
     {0xF1, 0x00}},
};

void PrintTo(const FrameCase& c, std::ostream* out) {
  *out << c.name;
}

class FrameCases : public ::testing::TestWithParam<FrameCase> {};

TEST_P(FrameCases, ReassemblesAndChecks) {
  const FrameCase& c = GetParam();
  FrameBuffer buffer{};
  FrameAssembler assembler(buffer);
  assembler.Reset();
  FrameResult result = FrameResult::Incomplete;
  std::size_t used = 0;
  for (const auto& read : c.reads) result = assembler.Take(read, &used);
  EXPECT_EQ(result, c.result);
  EXPECT_EQ(used, c.usedOfLastRead);
  for (std::size_t i = 0; i < c.frame.size(); ++i) EXPECT_EQ(buffer[i], c.frame[i]) << i;
}

INSTANTIATE_TEST_SUITE_P(Frames, FrameCases, ::testing::ValuesIn(kCases),
                         [](const auto& param) { return "case" + std::to_string(param.index); });

TEST(Frame, OversizedLengthIsClampedAndTheSumCoversNineteenBytes) {
  FrameBuffer buffer{};
  FrameAssembler assembler(buffer);
  assembler.Reset();
  std::vector<std::uint8_t> reply = {0xF2, 0x20};  // declares 32 data bytes
  for (std::uint8_t i = 0; i < 16; ++i) reply.push_back(i);
  auto sum = static_cast<std::uint8_t>(0xF2 + 0x10);  // the clamped length counts in the sum
  for (std::uint8_t i = 0; i < 16; ++i) sum = static_cast<std::uint8_t>(sum + i);
  reply.push_back(sum);
  reply.push_back(0xEE);  // beyond the 19 bytes: not taken
  std::size_t used = 0;
  EXPECT_EQ(assembler.Take(reply, &used), FrameResult::Complete);
  EXPECT_EQ(used, kMaxFrameSize);
  EXPECT_EQ(buffer[kOffsetLength], 16);
}

TEST(Frame, MissingAsksForTheHeaderThenForTheDeclaredRest) {
  FrameBuffer buffer{};
  FrameAssembler assembler(buffer);
  assembler.Reset();
  EXPECT_EQ(assembler.Missing(), 2u);
  const std::uint8_t command[] = {0xF2};
  assembler.Take(command);
  EXPECT_EQ(assembler.Missing(), 1u);
  const std::uint8_t length[] = {0x10};
  assembler.Take(length);
  EXPECT_EQ(assembler.Missing(), 17u);  // 16 data bytes and the checksum
}

TEST(Frame, ResetStartsOverWithTheNextByte) {
  FrameBuffer buffer{};
  FrameAssembler assembler(buffer);
  const std::uint8_t partial[] = {0x3A, 0x10, 0x01};
  assembler.Take(partial);
  assembler.Reset();
  const std::uint8_t reply[] = {0xF1, 0x00, 0xF1};
  EXPECT_EQ(assembler.Take(reply), FrameResult::Complete);
}

TEST(Frame, ChecksumIsAPlainEightBitSum) {
  const std::uint8_t readBlock[] = {0xF2, 0x03, 0xF0, 0x10, 0x01};  // address 0x1F0
  EXPECT_EQ(FrameChecksum(readBlock), 0xF6);
  const std::uint8_t wraps[] = {0xFF, 0xFF, 0x03};
  EXPECT_EQ(FrameChecksum(wraps), 0x01);
}

}  // namespace
}  // namespace tarn
