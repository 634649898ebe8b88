// The journal itself, on SQLite and on PostgreSQL: what is kept once, what a
// write that never finishes leaves, two programs writing at once, a schema
// of the first version brought forward, and journals that cannot be used.
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <set>

#include "journal/journal.h"
#include "journal/service_journal.h"
#include "journal_fixture.h"

namespace tarn::testing {
namespace {

using journal::EntryKind;

ParameterImage ImageWith(std::uint8_t serialLow, std::uint8_t value) {
  ParameterImage image;
  const char name[] = "AQX48B01DEMO";
  for (std::size_t i = 0; i < 12; ++i) image[i] = static_cast<std::uint8_t>(name[i]);
  image.WriteBigEndian(kAddrSerialNumber, 4, 0x21070000u + serialLow);
  image.WriteBigEndian(kAddrVersion, 4, 0x01090000u);
  image[100] = value;
  return image;
}

journal::Origin TestOrigin() {
  return {"2026-12-10T08:00:00Z", "tester", "bench", "1.0"};
}

std::int64_t CountImages(const std::string& location) {
  auto db = JournalPlaces::OpenRaw(location);
  std::vector<journal::SqlRow> rows;
  std::string error;
  EXPECT_TRUE(db->Exec("SELECT COUNT(*) FROM images", {}, &rows, &error)) << error;
  return rows.empty() ? -1 : rows[0][0].integer;
}

class JournalOn : public ::testing::TestWithParam<Backend> {
 protected:
  std::unique_ptr<journal::Journal> Open(const std::string& location) {
    std::string error;
    auto opened = journal::OpenJournal(location, &error);
    EXPECT_NE(opened, nullptr) << error;
    return opened;
  }
  TempFolder temp;
};

// An image the same as the last one kept for its controller is not kept
// again; one that came back after another is.
TEST_P(JournalOn, ReadsKeepAnImageOnceUntilItChanges) {
  TARN_NEW_JOURNAL_OR_SKIP(GetParam(), temp.dir, location);
  auto journal = Open(location);
  ASSERT_NE(journal, nullptr);
  struct Step {
    std::uint8_t value;
    std::int64_t imagesAfter;
  };
  const Step steps[] = {{1, 1}, {1, 1}, {2, 2}, {2, 2}, {1, 3}};
  std::string error;
  for (const Step& step : steps) {
    ASSERT_TRUE(journal->RecordRead(ImageWith(5, step.value), TestOrigin(), &error)) << error;
    EXPECT_EQ(CountImages(location), step.imagesAfter) << "after a read of " << int(step.value);
  }
  const auto entries = journal->List(std::nullopt, &error);
  ASSERT_TRUE(entries) << error;
  ASSERT_EQ(entries->size(), std::size(steps));
  for (std::size_t i = 0; i < entries->size(); ++i) {
    const journal::EntrySummary& entry = (*entries)[i];
    if (i > 0) {
      EXPECT_LT(entry.id, (*entries)[i - 1].id) << "newest first";
    }
    const auto loaded = journal->Load(entry.id, &error);
    ASSERT_TRUE(loaded && loaded->image) << error;
    EXPECT_EQ((*loaded->image)[100], steps[std::size(steps) - 1 - i].value);
  }
}

// A program that stops between the start of a write and its outcome (a crash,
// a pulled plug) leaves the write as failed, with the image it replaced.
TEST_P(JournalOn, AWriteThatNeverFinishesStaysFailedWithItsBeforeImage) {
  TARN_NEW_JOURNAL_OR_SKIP(GetParam(), temp.dir, location);
  const ParameterImage before = ImageWith(7, 10);
  const ParameterImage written = ImageWith(7, 11);
  {
    journal::ServiceJournal service(nullptr, location);
    service.RecordRead(before);
    ASSERT_NE(service.BeginWrite(EntryKind::Write, before, written, nullptr), 0);
  }  // gone without FinishWrite
  auto journal = Open(location);
  std::string error;
  const auto entries = journal->List(std::string("21070007"), &error);
  ASSERT_TRUE(entries && entries->size() == 2) << error;
  const auto write = journal->Load(entries->front().id, &error);
  ASSERT_TRUE(write) << error;
  EXPECT_EQ(write->summary.kind, EntryKind::Write);
  EXPECT_FALSE(write->summary.success);
  EXPECT_TRUE(write->summary.note.starts_with("unfinished")) << write->summary.note;
  ASSERT_TRUE(write->before && write->image);
  EXPECT_EQ(write->before->bytes, before.bytes);
  EXPECT_EQ(write->image->bytes, written.bytes);
}

// Two programs recording at the same moment: every record of each arrives,
// whole, with an id of its own.
TEST_P(JournalOn, TwoProcessesWritingAtOnceLoseNothing) {
  TARN_NEW_JOURNAL_OR_SKIP(GetParam(), temp.dir, location);
  Open(location);  // the schema exists before the race starts
  constexpr int kRecordsEach = 30;
  std::vector<pid_t> children;
  for (std::uint8_t serial : {1, 2}) {
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      int failures = 0;
      journal::ServiceJournal service([&failures](const std::string&) { ++failures; }, location);
      for (int i = 0; i < kRecordsEach; ++i) {
        const ParameterImage image = ImageWith(serial, static_cast<std::uint8_t>(i));
        service.RecordRead(image);
        const auto id = service.BeginWrite(EntryKind::Write, image, ImageWith(serial, 200), nullptr);
        service.FinishWrite(id, true, true, "");
      }
      _exit(failures == 0 ? 0 : 1);  // no static destructors in the child
    }
    children.push_back(pid);
  }
  for (const pid_t pid : children) {
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "a writer saw its journal fail";
  }
  auto journal = Open(location);
  std::string error;
  for (const char* serial : {"21070001", "21070002"}) {
    const auto entries = journal->List(std::string(serial), &error);
    ASSERT_TRUE(entries) << error;
    EXPECT_EQ(entries->size(), 2u * kRecordsEach) << serial;
    int finished = 0;
    for (const auto& entry : *entries) finished += entry.kind == EntryKind::Write && entry.success;
    EXPECT_EQ(finished, kRecordsEach) << serial;
  }
  const auto all = journal->List(std::nullopt, &error);
  ASSERT_TRUE(all);
  std::set<std::int64_t> ids;
  for (const auto& entry : *all) ids.insert(entry.id);
  EXPECT_EQ(ids.size(), 4u * kRecordsEach);
}

// A journal made by the first version of the tool opens with its entries, and
// takes the newer fields from then on.
TEST_P(JournalOn, TheFirstSchemaIsBroughtForwardWithItsEntries) {
  TARN_NEW_JOURNAL_OR_SKIP(GetParam(), temp.dir, location);
  std::string error;
  {
    auto first = journal::Journal::Open(JournalPlaces::OpenRaw(location), &error, 1);
    ASSERT_NE(first, nullptr) << error;
    EXPECT_EQ(first->SchemaVersion(), 1);
    // What the first version wrote for a read.
    auto db = JournalPlaces::OpenRaw(location);
    ASSERT_TRUE(db->Exec("INSERT INTO controllers (module_name, customer, serial_number,"
                         " software_version) VALUES ('AQX48B01', 'DEMO', '21070009', '01090000')",
                         {}, nullptr, &error)) << error;
    const ParameterImage old = ImageWith(9, 3);
    ASSERT_TRUE(db->Exec("INSERT INTO images (controller_id, bytes) VALUES (1, $1)",
                         {journal::SqlValue::Bytes({old.bytes.begin(), old.bytes.end()})},
                         nullptr, &error)) << error;
    ASSERT_TRUE(db->Exec("INSERT INTO entries (controller_id, kind, recorded_at, user_name,"
                         " host_name, success, image_id) VALUES (1, 'read',"
                         " '2026-01-01T00:00:00Z', 'old', 'pc', 1, 1)",
                         {}, nullptr, &error)) << error;
  }
  auto journal = Open(location);
  ASSERT_NE(journal, nullptr);
  EXPECT_EQ(journal->SchemaVersion(), journal::kSchemaVersion);
  journal::WriteRecord record{ImageWith(9, 3), ImageWith(9, 4), true, false, "", {}};
  ASSERT_TRUE(journal->RecordWrite(EntryKind::Write, record, TestOrigin(), &error)) << error;
  const auto entries = journal->List(std::string("21070009"), &error);
  ASSERT_TRUE(entries && entries->size() == 2) << error;
  EXPECT_EQ(entries->at(1).user, "old");
  EXPECT_EQ(entries->at(1).verified, std::nullopt);
  EXPECT_EQ(entries->at(0).verified, std::optional(false));
  const auto loaded = journal->Load(entries->at(0).id, &error);
  ASSERT_TRUE(loaded) << error;
  EXPECT_EQ(loaded->toolVersion, "1.0");
  EXPECT_EQ(loaded->before->bytes, ImageWith(9, 3).bytes) << "the old image is found again";
  EXPECT_EQ(CountImages(location), 2);
}

INSTANTIATE_TEST_SUITE_P(Backends, JournalOn, ::testing::Values(Backend::Sqlite, Backend::Postgres),
                         BackendName);

// A journal that fills its disk halfway through a record keeps every earlier
// record whole and nothing of the one that failed.
TEST(JournalFull, AFailedRecordLeavesNothingBehind) {
  TempFolder temp;
  const std::string location = (temp.dir / "full.sqlite").string();
  std::string error;
  { journal::OpenJournal(location, &error); }  // created at full size
  auto db = journal::OpenSqliteDb(location, &error);
  ASSERT_NE(db, nullptr) << error;
  // The file may grow by a few pages only, as on a disk that is nearly full.
  ASSERT_TRUE(db->Exec("PRAGMA max_page_count = 40", {}, nullptr, &error)) << error;
  auto journal = journal::Journal::Open(std::move(db), &error);
  ASSERT_NE(journal, nullptr) << error;
  journal::WriteRecord record{ImageWith(3, 0), ImageWith(3, 1), true, std::nullopt, "", {}};
  for (int i = 0; i < 40; ++i) {
    record.changes.push_back({"Vehicle", "label " + std::to_string(i), std::string(60, 'a'),
                              std::string(60, 'b')});
  }
  int recorded = 0;
  std::string refusal;
  for (int i = 0; i < 200 && refusal.empty(); ++i) {
    record.written[100] = static_cast<std::uint8_t>(i);
    if (journal->RecordWrite(EntryKind::Write, record, TestOrigin(), &refusal)) ++recorded;
  }
  ASSERT_FALSE(refusal.empty()) << "the journal never filled up";
  EXPECT_NE(refusal.find("full"), std::string::npos) << refusal;
  ASSERT_GT(recorded, 0);
  journal.reset();
  auto reopened = journal::OpenJournal(location, &error);
  ASSERT_NE(reopened, nullptr) << error;
  const auto entries = reopened->List(std::nullopt, &error);
  ASSERT_TRUE(entries) << error;
  EXPECT_EQ(static_cast<int>(entries->size()), recorded);
  for (const auto& entry : *entries) {
    const auto loaded = reopened->Load(entry.id, &error);
    ASSERT_TRUE(loaded && loaded->image && loaded->before) << error;
    EXPECT_EQ(loaded->changes.size(), record.changes.size()) << "entry " << entry.id;
  }
}

// Journals that cannot be used: the first record that needs one says once
// why it is off; every later call does nothing and says nothing.
TEST(JournalOff, SaysOnceWhyAndStaysOff) {
  TempFolder temp;
  const std::filesystem::path blocker = temp.dir / "file";
  std::ofstream(blocker) << "a file where a folder should be";
  const std::filesystem::path garbage = temp.dir / "garbage.sqlite";
  std::ofstream(garbage) << std::string(4096, 'x');
  const std::filesystem::path newer = temp.dir / "newer.sqlite";
  {
    std::string error;
    auto db = journal::OpenSqliteDb(newer.string(), &error);
    ASSERT_NE(db, nullptr) << error;
    ASSERT_TRUE(db->Exec("CREATE TABLE journal_schema (version INTEGER NOT NULL)", {}, nullptr,
                         &error));
    ASSERT_TRUE(db->Exec("INSERT INTO journal_schema VALUES (99)", {}, nullptr, &error));
  }
  // A read-only folder; root writes into one anyway, so it gets /proc.
  const std::filesystem::path readOnly = temp.dir / "read-only";
  std::filesystem::create_directories(readOnly);
  std::filesystem::permissions(readOnly, std::filesystem::perms::owner_read |
                                             std::filesystem::perms::owner_exec);
  const std::filesystem::path unwritable = access(readOnly.c_str(), W_OK) == 0
                                               ? std::filesystem::path("/proc/tarn-journal")
                                               : readOnly;
  struct Case {
    const char* what;
    std::string location;
    const char* reasonHas;
  };
  const Case cases[] = {
      {"a read-only folder", (unwritable / "journal.sqlite").string(), "journal.sqlite"},
      {"a file in the way of its folder", (blocker / "journal.sqlite").string(), "journal.sqlite"},
      {"a file that is not a database", garbage.string(), "not a database"},
      {"a journal of a newer tool", newer.string(), "newer version"},
      {"a server that does not answer", "postgresql:///x?host=" + temp.dir.string() + "/none",
       "socket"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> notices;
    journal::ServiceJournal service([&](const std::string& text) { notices.push_back(text); },
                                    c.location);
    const ParameterImage image = ImageWith(1, 1);
    service.RecordRead(image);
    const auto id = service.BeginWrite(EntryKind::Write, image, image, nullptr);
    service.FinishWrite(id, true, std::nullopt, "");
    service.NoteRead(image);
    service.Flush();
    EXPECT_EQ(id, 0) << c.what;
    EXPECT_TRUE(service.IsOff()) << c.what;
    ASSERT_EQ(notices.size(), 1u) << c.what;
    EXPECT_TRUE(notices[0].starts_with("Журнал обслуживания отключён: ")) << notices[0];
    EXPECT_NE(notices[0].find(c.reasonHas), std::string::npos) << c.what << ": " << notices[0];
  }
}

}  // namespace
}  // namespace tarn::testing
