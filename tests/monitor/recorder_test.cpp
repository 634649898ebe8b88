// Recording live data to CSV: the columns, one row per poll whatever the
// poll gave, rows on the disk as soon as they are taken, file errors.
#include "live/recorder.h"

#include <gtest/gtest.h>

#include "monitor/live_fixtures.h"

namespace tarn {
namespace {

namespace fs = std::filesystem;
using testing::BuiltInDefinitions;
using testing::ColumnOf;
using testing::CsvFile;
using testing::ReadCsv;
using testing::SampleAt;
using testing::Utf8;

class Recording : public ::testing::Test {
 protected:
  fs::path File() const { return dir_ / "live.csv"; }
  void StartRecording() {
    std::string error;
    ASSERT_TRUE(recorder_.Start(File(), start_, &error)) << error;
  }

  testing::TempDir dir_{"tarn-recorder"};
  std::unique_ptr<DefinitionSet> defs_ = BuiltInDefinitions();
  Recorder recorder_{*defs_};
  std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

TEST_F(Recording, HeaderNamesTheColumnsAndRowsCarryTheShownValues) {
  StartRecording();
  LiveSample sample = SampleAt(1, start_);
  sample.block[0] = 0xFF;                // TPS pedal
  testing::PutWord(sample, 16, 0x0022);  // error word: bits 1 and 5
  testing::PutWord(sample, 18, 0x1234);  // motor speed
  std::string error;
  ASSERT_TRUE(recorder_.Take(sample, &error)) << error;
  const CsvFile file = ReadCsv(File());
  ASSERT_TRUE(file.valid) << file.problem;
  ASSERT_EQ(file.records.size(), 2u);
  const auto& header = file.records[0];
  const auto& row = file.records[1];
  EXPECT_EQ(header[0], "Time");
  EXPECT_EQ(header[1], "Seconds");
  EXPECT_EQ(header[2], "Poll");
  // 31 number items (the error word is not one), then the error columns.
  EXPECT_EQ(header.size(), 3u + 31u + 2u);
  EXPECT_EQ(header[3], Utf8(defs_->monitorItems[0].name));
  EXPECT_EQ(header[header.size() - 2], "Error word");
  EXPECT_EQ(header.back(), "Active errors");
  // Repeated names are told apart by their tag.
  EXPECT_GE(ColumnOf(file, Utf8(u"Зарезервированно [022]")), 0);
  EXPECT_GE(ColumnOf(file, Utf8(u"Зарезервированно [046]")), 0);

  EXPECT_EQ(row[1], "0.200");
  EXPECT_EQ(row[2], "Success!");
  EXPECT_EQ(row[3], "255");
  EXPECT_EQ(row[ColumnOf(file, Utf8(defs_->monitorItems[17].name))], "4660");
  EXPECT_EQ(row[header.size() - 2], "0x0022");
  EXPECT_EQ(row.back(), Utf8(defs_->errorBits[1].name + u"; " + defs_->errorBits[5].name));
  EXPECT_EQ(row[0].size(), std::string("2025-01-01T00:00:00.000+00:00").size()) << row[0];
  EXPECT_EQ(row[0].substr(19, 4), ".200") << row[0];
}

TEST_F(Recording, EveryPollIsOneRowAndARefusedThirdLeavesItsValuesEmpty) {
  struct Case {
    std::array<bool, kLiveDataThirds> accepted;
    const char* poll;
  };
  const Case cases[] = {
      {{true, true, true}, "Success!"},    {{false, true, true}, "Failure!"},
      {{true, false, true}, "Failure!"},   {{true, true, false}, "Failure!"},
      {{false, false, false}, "Failure!"},
  };
  StartRecording();
  std::string error;
  int tick = 0;
  for (const Case& c : cases) {
    LiveSample sample = SampleAt(++tick, start_, c.accepted);
    sample.block.fill(1);
    ASSERT_TRUE(recorder_.Take(sample, &error)) << error;
  }
  EXPECT_EQ(recorder_.Rows(), 5);
  const CsvFile file = ReadCsv(File());
  ASSERT_TRUE(file.valid) << file.problem;
  ASSERT_EQ(file.records.size(), 1u + 5u);
  // One column from each third: TPS (byte 0), motor speed (18), the last
  // reserved value (46); the error word lies in the second third.
  const int columns[kLiveDataThirds] = {ColumnOf(file, Utf8(defs_->monitorItems[0].name)),
                                        ColumnOf(file, Utf8(defs_->monitorItems[17].name)),
                                        ColumnOf(file, Utf8(u"Зарезервированно [046]"))};
  const int errorWord = ColumnOf(file, "Error word");
  for (std::size_t k = 0; k < std::size(cases); ++k) {
    SCOPED_TRACE("row " + std::to_string(k + 1));
    const testing::CsvRecord& row = file.records[k + 1];
    EXPECT_EQ(row[2], cases[k].poll);
    EXPECT_FALSE(row[0].empty());  // the time is always there
    for (std::size_t t = 0; t < kLiveDataThirds; ++t) {
      EXPECT_EQ(row[columns[t]].empty(), !cases[k].accepted[t]) << "third " << t;
    }
    EXPECT_EQ(row[errorWord].empty(), !cases[k].accepted[1]);
  }
}

TEST_F(Recording, EachRowIsOnTheDiskBeforeTheNextPollAndEarlierPollsAreLeftOut) {
  StartRecording();
  std::string error;
  // Tick -1 was taken before the start, its sample still on its way.
  const std::pair<int, const char*> ticks[] = {{-1, nullptr}, {62, "12.400"}, {5001, "1000.200"}};
  std::size_t rows = 0;
  for (const auto& [tick, seconds] : ticks) {
    ASSERT_TRUE(recorder_.Take(SampleAt(tick, start_), &error));
    if (seconds != nullptr) ++rows;
    // Read by another reader while the recording goes on, as after a crash.
    const CsvFile file = ReadCsv(File());
    ASSERT_TRUE(file.valid) << file.problem;
    ASSERT_EQ(file.records.size(), 1 + rows);
    if (seconds != nullptr) {
      EXPECT_EQ(file.records.back()[1], seconds);
    }
  }
  EXPECT_EQ(RecordingStatusText(recorder_), u"Recording live.csv: 2 rows");
}

TEST_F(Recording, AFileThatCannotBeWrittenIsRefusedWithTheSystemsReason) {
  const fs::path refused[] = {dir_ / "missing" / "live.csv", dir_.path};
  for (const fs::path& path : refused) {
    SCOPED_TRACE(path.string());
    std::string error;
    EXPECT_FALSE(recorder_.Start(path, start_, &error));
    EXPECT_FALSE(recorder_.IsRecording());
    EXPECT_EQ(error.rfind(path.string() + ": ", 0), 0u) << error;
    EXPECT_GT(error.size(), path.string().size() + 2) << error;
    // Samples after a refused start write nothing and are no failure.
    EXPECT_TRUE(recorder_.Take(SampleAt(1, start_), &error));
    EXPECT_EQ(recorder_.Rows(), 0);
  }
}

TEST_F(Recording, AWriteThatFailsEndsTheRecordingWithTheSystemsReason) {
  if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  std::string error;
  // /dev/full takes the header into its buffer and refuses it on the flush.
  EXPECT_FALSE(recorder_.Start("/dev/full", start_, &error));
  EXPECT_NE(error.find("/dev/full: "), std::string::npos) << error;
  EXPECT_FALSE(recorder_.IsRecording());
}

}  // namespace
}  // namespace tarn
