// The desktop program's journal as a technician meets it: a write cut off on
// the line stays in the history as failed with the image it replaced; a
// journal that cannot be written is reported once and never stops a Write;
// File > Service history takes an entry back only through the comparison
// window, ticked and writable values only.
#include <cstdlib>
#include <fstream>

#include "app/history_commands.h"
#include "app/tool_session.h"
#include "journal/journal.h"
#include "journal/service_journal.h"
#include "journal_fixture.h"
#include "resources/embedded.h"

namespace tarn::testing {
namespace {

constexpr int kAddrCurrentPercent = 37;  // vehicle page, 20..100
constexpr int kAddrBatteryLimit = 38;    // vehicle page, 20..100

class JournalInTheTool : public ToolSession {
 protected:
  void SetUp() override {
    ToolSession::SetUp();
    location = (temp.dir / "journal.sqlite").string();
    setenv("TARN_JOURNAL", location.c_str(), 1);
  }

  std::unique_ptr<journal::Journal> OpenJournal() {
    std::string error;
    auto opened = journal::OpenJournal(location, &error);
    EXPECT_NE(opened, nullptr) << error;
    return opened;
  }

  std::vector<journal::EntrySummary> Entries() {
    std::string error;
    auto entries = OpenJournal()->List(std::nullopt, &error);
    EXPECT_TRUE(entries) << error;
    return entries ? *entries : std::vector<journal::EntrySummary>{};
  }

  // Read at start-up, two values changed on the vehicle page, Write.
  void ChangeTwoAndWrite(CQelmUserAppDlg& window, const sim::Faults& faults = {}) {
    host.ProcessPosted();
    readImage = session.image;
    Type(window, kPageVehicle, kAddrCurrentPercent, u"90");
    Type(window, kPageVehicle, kAddrBatteryLimit, u"60");
    sim.SetFaults(faults);
    window.UserClick(kIdWrite);
    host.ProcessPosted();
  }

  int JournalNotices() const {
    int count = 0;
    for (const ui::ShownMessage& shown : host.Messages()) {
      count += shown.id == 0 && shown.text.starts_with(u"Журнал обслуживания отключён");
    }
    return count;
  }

  TempFolder temp;
  std::string location;
  ParameterImage readImage;
};

struct CutOff {
  const char* what;
  sim::Faults faults;
};
// Names the case in test listings instead of dumping its bytes.
void PrintTo(const CutOff& c, std::ostream* os) { *os << c.what; }

class WriteCutOff : public JournalInTheTool, public ::testing::WithParamInterface<CutOff> {};

TEST_P(WriteCutOff, IsJournalledAsFailedWithTheImageItReplaced) {
  RunTool([&](CQelmUserAppDlg& window) { ChangeTwoAndWrite(window, GetParam().faults); });
  EXPECT_FALSE(session.flags.imageWritten);
  const auto entries = Entries();
  ASSERT_FALSE(entries.empty());
  const journal::EntrySummary& last = entries.front();
  EXPECT_EQ(last.kind, journal::EntryKind::Write);
  EXPECT_FALSE(last.success);
  EXPECT_EQ(last.changeCount, 2);
  std::string error;
  const auto entry = OpenJournal()->Load(last.id, &error);
  ASSERT_TRUE(entry && entry->before && entry->image) << error;
  EXPECT_EQ(entry->before->bytes, readImage.bytes);
  EXPECT_EQ(entry->image->bytes, session.image.bytes);
}

// The identity check takes 3 requests; then TransferStart and the blocks.
INSTANTIATE_TEST_SUITE_P(Faults, WriteCutOff,
                         ::testing::Values(CutOff{"HangUpAfter10", {.hangUpAfter = 10}},
                                           CutOff{"SilentOn12", {.silentOn = 12}}),
                         [](const auto& param) { return std::string(param.param.what); });

TEST_F(JournalInTheTool, AnUnwritableJournalIsReportedOnceAndTheWriteGoesOn) {
  const std::string blocked = (temp.dir / "not-a-folder").string();
  std::ofstream(blocked) << "x";
  setenv("TARN_JOURNAL", (blocked + "/journal.sqlite").c_str(), 1);
  RunTool([&](CQelmUserAppDlg& window) {
    ChangeTwoAndWrite(window);
    EXPECT_EQ(window.GetText(kIdStatus), kStatusWriteSuccess);
    window.UserClick(kIdRead);
    host.ProcessPosted();
    EXPECT_EQ(window.GetText(kIdStatus), kStatusReadSuccess);
  });
  EXPECT_EQ(JournalNotices(), 1);
  EXPECT_EQ(sim.GetImage()[kAddrCurrentPercent], 90);
}

// Restore values before this write, through the comparison window: the
// values ticked there come back, an unticked one stays as written.
struct RestoreCase {
  const char* what;
  std::vector<std::size_t> untick;  // rows of the comparison window
  std::uint8_t percentAfter;
  std::uint8_t limitAfter;
};
// Names the case in test listings instead of dumping its bytes.
void PrintTo(const RestoreCase& c, std::ostream* os) { *os << c.what; }

class RestoreWrite : public JournalInTheTool,
                     public ::testing::WithParamInterface<RestoreCase> {};

TEST_P(RestoreWrite, TakesOnlyTheTickedValues) {
  const RestoreCase& c = GetParam();
  RunTool([&](CQelmUserAppDlg& window) {
    ChangeTwoAndWrite(window);
    host.SetModalScript(kTemplateHistory, [](ui::Dialog& dialog) {
      auto& history = dynamic_cast<CHistoryDlg&>(dialog);
      ASSERT_FALSE(history.entries().empty());
      EXPECT_FALSE(history.IsControlEnabled(kIdHistoryRestore)) << "nothing selected yet";
      history.UserToggleListRow(kIdHistoryEntries, 0);  // the write, newest first
      ASSERT_TRUE(history.selected());
      EXPECT_EQ(history.selected()->changes.size(), 2u);
      EXPECT_EQ(history.List(kIdHistoryChanges).rows.size(), 2u);
      history.UserClick(kIdHistoryRestore);
    });
    host.SetModalScript(kTemplateCompare, [&](ui::Dialog& dialog) {
      EXPECT_EQ(dialog.List(kIdCompareList).rows.size(), 2u);
      for (const std::size_t row : c.untick) dialog.UserToggleListRow(kIdCompareList, row);
      dialog.UserClick(ui::kIdOk);
    });
    EXPECT_TRUE(window.IsMenuItemEnabled(kIdMenuServiceHistory));
    window.UserMenu(kIdMenuServiceHistory);
  });
  EXPECT_EQ(session.image[kAddrCurrentPercent], c.percentAfter);
  EXPECT_EQ(session.image[kAddrBatteryLimit], c.limitAfter);
  EXPECT_EQ(sim.GetImage()[kAddrCurrentPercent], 90) << "nothing reaches the controller";
}

INSTANTIATE_TEST_SUITE_P(Ticks, RestoreWrite,
                         ::testing::Values(RestoreCase{"BothTicked", {}, 80, 70},
                                           RestoreCase{"SecondUnticked", {1}, 80, 60},
                                           RestoreCase{"BothUnticked", {0, 1}, 90, 60}),
                         [](const auto& param) { return std::string(param.param.what); });

// Load this image of another controller: its identity, and values outside
// the ranges, cannot be ticked and never reach the image.
TEST_F(JournalInTheTool, LoadingAnotherControllersImageLeavesIdentityAlone) {
  RunTool([&](CQelmUserAppDlg& window) {
    host.ProcessPosted();
    ParameterImage other = session.image;
    other.WriteBigEndian(kAddrSerialNumber, 4, 0x99999999u);
    other[kAddrCurrentPercent] = 200;  // out of range
    other[kAddrBatteryLimit] = 30;
    std::string error;
    ASSERT_TRUE(OpenJournal()->RecordRead(other, journal::CurrentOrigin(), &error)) << error;
    host.SetModalScript(kTemplateHistory, [](ui::Dialog& dialog) {
      auto& history = dynamic_cast<CHistoryDlg&>(dialog);
      EXPECT_EQ(history.GetCheck(kIdHistoryFilter), ui::CheckState::Checked);
      for (const auto& entry : history.entries()) {
        EXPECT_NE(entry.controller.serialNumber, "99999999") << "filtered to the connected one";
      }
      history.UserClick(kIdHistoryFilter);  // all controllers
      ASSERT_EQ(history.entries().front().controller.serialNumber, "99999999");
      history.UserToggleListRow(kIdHistoryEntries, 0);
      EXPECT_FALSE(history.IsControlEnabled(kIdHistoryRestore)) << "a read replaced nothing";
      history.UserClick(kIdHistoryLoad);
    });
    host.SetModalScript(kTemplateCompare, [](ui::Dialog& dialog) {
      int checkable = 0;
      for (const ui::ListRow& row : dialog.List(kIdCompareList).rows) checkable += row.checkable;
      EXPECT_EQ(checkable, 1) << "only the battery limit may be taken";
      dialog.UserClick(ui::kIdOk);
    });
    const ParameterImage before = session.image;
    window.UserMenu(kIdMenuServiceHistory);
    EXPECT_EQ(session.image.ReadBigEndian(kAddrSerialNumber, 4),
              before.ReadBigEndian(kAddrSerialNumber, 4));
    EXPECT_EQ(session.image[kAddrCurrentPercent], before[kAddrCurrentPercent]);
    EXPECT_EQ(session.image[kAddrBatteryLimit], 30);
  });
}

}  // namespace
}  // namespace tarn::testing
