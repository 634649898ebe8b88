// The File menu as a technician uses it: a backup saved and loaded back,
// files that do not fit refused, the comparison window taking only what may
// be taken, and values not yet written drawn blue until Read or Write.
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "app/file_commands.h"
#include "model/image_file.h"
#include "model/service_file.h"
#include "model/value_codec.h"
#include "resources/embedded.h"
#include "tool_session.h"

namespace tarn::testing {
namespace {

namespace fs = std::filesystem;

class FileMenu : public ToolSession {
 protected:
  void SetUp() override {
    ToolSession::SetUp();
    dir = fs::temp_directory_path() / ("tarn-files-test-" + std::to_string(::getpid()));
    fs::create_directories(dir);
  }
  void TearDown() override {
    fs::remove_all(dir);
    ToolSession::TearDown();
  }

  fs::path WriteFile(const std::string& name, const ParameterImage& image, std::size_t size) {
    const fs::path path = dir / name;
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(image.bytes.data()),
               static_cast<std::streamsize>(size));
    return path;
  }

  void Load(CQelmUserAppDlg& window, const fs::path& path) {
    host.QueueFileAnswer(path);
    window.UserMenu(kIdMenuLoadFile);
  }

  // The first shown row that satisfies `wanted`.
  template <typename Wanted>
  ShownRow FindRow(Wanted wanted) const {
    for (const ShownRow& row : ShownRows(session.defs)) {
      if (wanted(row)) return row;
    }
    ADD_FAILURE() << "no such row";
    return {};
  }

  // A one-byte unsigned value with a range check that leaves room above it.
  static bool CheckedByte(const ShownRow& row) {
    const ParamDef& def = *row.def;
    return row.editable && row.shows == Shows::Text && def.storage == Storage::Byte &&
           def.format == Format::Unsigned && def.en == 1 && def.rangeL >= 0 &&
           def.rangeL < def.rangeH && def.rangeH < 0xFF;
  }

  // A value of the row inside its range other than the one `image` holds.
  static std::uint8_t OtherInRange(const ShownRow& row, const ParameterImage& image) {
    const ParamDef& def = *row.def;
    const auto low = static_cast<std::uint8_t>(def.rangeL);
    return image[def.address] == low ? static_cast<std::uint8_t>(low + 1) : low;
  }

  int CompareRuns() const { return compareRuns; }
  void ScriptComparison(std::function<void(CCompareDlg&)> user) {
    host.SetModalScript(kTemplateCompare, [this, user](ui::Dialog& dialog) {
      ++compareRuns;
      user(dynamic_cast<CCompareDlg&>(dialog));
    });
  }

  fs::path dir;
  int compareRuns = 0;
};

TEST_F(FileMenu, SavedImageLoadsBackWithoutDifference) {
  ScriptComparison([](CCompareDlg& compare) { compare.UserClick(ui::kIdCancel); });
  RunTool([&](CQelmUserAppDlg& window) {
    // A value typed and not yet stored goes into the file: the page is
    // stored first, as switching pages does.
    window.UserClick(kIdControl);
    ParameterPage& control = PageOf(window, kPageControl);
    const int slot = CheckedNumberSlot(control);
    ASSERT_GE(slot, 0);
    const ParamDef& row = RowOfSlot(control, slot);
    const auto typed = static_cast<std::uint8_t>(row.rangeL + 1);
    control.UserType(SlotEditId(slot), Utf16(std::to_string(typed)));

    const fs::path path = dir / "backup.bin";
    host.QueueFileAnswer(path);
    window.UserMenu(kIdMenuSaveImage);
    ASSERT_EQ(host.FileRequests().size(), 1u);
    EXPECT_EQ(host.FileRequests()[0].proposedName, ProposedFileName(session.image, LocalToday()));
    std::string error;
    const auto saved = LoadImageFile(path.string(), &error);
    ASSERT_TRUE(saved) << error;
    EXPECT_EQ(saved->bytes, session.image.bytes);
    EXPECT_EQ((*saved)[row.address], typed);
    EXPECT_EQ(window.currentPage(), kPageControl);

    Load(window, path);
    EXPECT_EQ(host.CountMessages(kMsgFileNoDifference), 1);
    EXPECT_EQ(CompareRuns(), 0);
    EXPECT_EQ(sim.RequestCount(kCommandWriteBlock), 0);

    // The typed value is not written: Quit asks, and No keeps the window.
    window.UserClick(kIdQuit);
    EXPECT_EQ(host.CountMessages(kMsgQuitUnwritten), 1);
    EXPECT_FALSE(window.Ended());
    host.QueueAnswer(kMsgQuitUnwritten, MsgAnswer::Yes);
    window.UserClick(kIdQuit);
    EXPECT_TRUE(window.Ended());
  });
  EXPECT_EQ(host.UnendedModals(), 0);
}

TEST_F(FileMenu, FileThatDoesNotFitIsRefusedAndChangesNothing) {
  ScriptComparison([](CCompareDlg& compare) { compare.UserClick(ui::kIdOk); });
  RunTool([&](CQelmUserAppDlg& window) {
    window.UserClick(kIdMotor);
    // A version byte that selects another definition text than the loaded one.
    ParameterImage otherGeneration = session.image;
    bool found = false;
    for (int minor = 0; minor <= 0xFF && !found; ++minor) {
      otherGeneration[kAddrVersion + 1] = static_cast<std::uint8_t>(minor);
      int textId = 0;
      found = ChoosePageText(otherGeneration, &textId) == LoadResult::Loaded &&
              textId != session.defs.pageTextId;
    }
    ASSERT_TRUE(found);
    // Every value differs too, so that taking any of them would show.
    for (std::size_t address = kIdentityHeaderSize; address < kImageSize; ++address) {
      otherGeneration[address] = static_cast<std::uint8_t>(~session.image[address]);
    }
    struct Refusal {
      const char* what;
      fs::path file;
      int message;
    };
    const Refusal refusals[] = {
        {"511 bytes", WriteFile("short.bin", session.image, kImageSize - 1), kMsgFileNotImage},
        {"another generation", WriteFile("other.bin", otherGeneration, kImageSize),
         kMsgFileOtherGeneration},
    };
    const ParameterImage before = session.image;
    for (const Refusal& refusal : refusals) {
      SCOPED_TRACE(refusal.what);
      host.ClearMessages();
      Load(window, refusal.file);
      ASSERT_EQ(host.Messages().size(), 1u);
      EXPECT_EQ(host.Messages()[0].id, refusal.message);
      EXPECT_EQ(session.image.bytes, before.bytes);
      EXPECT_EQ(window.currentPage(), kPageMotor);
      EXPECT_TRUE(window.statusBarText().empty());
    }
    EXPECT_EQ(CompareRuns(), 0);
    window.UserClick(kIdQuit);
  });
}

TEST_F(FileMenu, ComparisonTakesOnlyTickedValuesThatMayBeTaken) {
  RunTool([&](CQelmUserAppDlg& window) {
    window.UserClick(kIdControl);
    const ShownRow taken = FindRow([](const ShownRow& row) {
      return row.page == PageRows::Control && CheckedByte(row);
    });
    const ShownRow outOfRange = FindRow([&](const ShownRow& row) {
      return CheckedByte(row) && row.def->address != taken.def->address;
    });
    const ShownRow identity = FindRow([](const ShownRow& row) {
      return row.shows == Shows::Text && row.def->address < static_cast<int>(kIdentityHeaderSize);
    });
    const ShownRow readOnly = FindRow([](const ShownRow& row) {
      return !row.editable && row.shows == Shows::Text &&
             row.def->address >= static_cast<int>(kIdentityHeaderSize) &&
             row.def->storage == Storage::Byte;
    });
    ParameterImage file = session.image;
    file[taken.def->address] = OtherInRange(taken, session.image);
    file[outOfRange.def->address] = static_cast<std::uint8_t>(outOfRange.def->rangeH + 1);
    file[identity.def->address] ^= 0x01;
    file[readOnly.def->address] ^= 0x01;
    const fs::path path = WriteFile("other vehicle.bin", file, kImageSize);
    const ParameterImage before = session.image;

    // Cancel takes nothing.
    ScriptComparison([](CCompareDlg& compare) { compare.UserClick(ui::kIdCancel); });
    Load(window, path);
    EXPECT_EQ(session.image.bytes, before.bytes);

    // Every row is offered; only the one that may be taken can be ticked,
    // and only it is taken, even with every box clicked.
    ScriptComparison([&](CCompareDlg& compare) {
      const auto& rows = compare.List(kIdCompareList).rows;
      ASSERT_EQ(rows.size(), 4u);
      for (std::size_t i = 0; i < rows.size(); ++i) {
        const Difference& difference = compare.differences()[i];
        SCOPED_TRACE(res::EncodeUtf8(difference.row.def->name));
        EXPECT_EQ(rows[i].checkable, difference.row.def == taken.def);
        EXPECT_EQ(rows[i].cells[3], difference.otherValue);
        if (!rows[i].checkable) compare.UserToggleListRow(kIdCompareList, i);
        EXPECT_EQ(rows[i].check == ui::CheckState::Checked, rows[i].checkable);
      }
      compare.UserClick(ui::kIdOk);
    });
    Load(window, path);
    EXPECT_EQ(CompareRuns(), 2);
    ParameterImage expected = before;
    expected[taken.def->address] = file[taken.def->address];
    EXPECT_EQ(session.image.bytes, expected.bytes);
    EXPECT_EQ(window.statusBarText(),
              FormatMessage(res::String(kMsgValuesTaken), {u"1", u"other vehicle.bin"}));

    // The page shows the taken value, blue until written; nothing was sent.
    ParameterPage& control = PageOf(window, kPageControl);
    const int edit = SlotEditId(SlotOf(control, taken.def->address));
    EXPECT_EQ(control.GetText(edit), ShownValue(taken, file));
    EXPECT_EQ(control.TextColor(edit), ui::kBlue);
    EXPECT_EQ(sim.RequestCount(kCommandWriteBlock), 0);
    host.QueueAnswer(kMsgQuitUnwritten, MsgAnswer::Yes);
    window.UserClick(kIdQuit);
  });
}

TEST_F(FileMenu, UnwrittenMarksFollowEditsReadAndWrite) {
  RunTool([&](CQelmUserAppDlg& window) {
    auto& vehicle = dynamic_cast<CVehicleDlg&>(*window.Page(kPageVehicle));
    ASSERT_FALSE(vehicle.flagRows().empty());
    const int box = kFirstFlagBox;
    EXPECT_EQ(vehicle.TextColor(box), std::nullopt);
    vehicle.UserClick(box);
    EXPECT_EQ(vehicle.TextColor(box), ui::kBlue);
    vehicle.UserClick(box);
    EXPECT_EQ(vehicle.TextColor(box), std::nullopt);
    vehicle.UserClick(box);

    window.UserClick(kIdControl);
    ParameterPage& control = PageOf(window, kPageControl);
    const int slot = CheckedNumberSlot(control);
    ASSERT_GE(slot, 0);
    const ParamDef& row = RowOfSlot(control, slot);
    const std::u16string original = control.GetText(SlotEditId(slot));
    std::u16string other = Utf16(std::to_string(row.rangeL));
    if (other == original) other = Utf16(std::to_string(row.rangeL + 1));
    control.UserType(SlotEditId(slot), other);
    EXPECT_EQ(control.TextColor(SlotEditId(slot)), ui::kBlue);
    control.UserType(SlotEditId(slot), RefusedText(row));
    EXPECT_EQ(control.TextColor(SlotEditId(slot)), ui::kBlue);
    control.UserType(SlotEditId(slot), u"0" + original);
    EXPECT_EQ(control.TextColor(SlotEditId(slot)), std::nullopt);
    control.UserType(SlotEditId(slot), other);

    // The check box's change is still marked on its page after leaving it.
    window.UserClick(kIdVehicle);
    EXPECT_EQ(vehicle.TextColor(box), ui::kBlue);

    // Write clears every mark; the quit question is then not asked.
    window.UserClick(kIdWrite);
    ASSERT_EQ(sim.GetImage()[row.address], session.image[row.address]);
    window.UserClick(kIdControl);
    EXPECT_EQ(control.TextColor(SlotEditId(slot)), std::nullopt);
    window.UserClick(kIdVehicle);
    EXPECT_EQ(vehicle.TextColor(box), std::nullopt);

    // So does Read, which brings back the controller's values.
    window.UserClick(kIdControl);
    control.UserType(SlotEditId(slot), original);
    EXPECT_EQ(control.TextColor(SlotEditId(slot)), ui::kBlue);
    window.UserClick(kIdRead);
    window.UserClick(kIdControl);
    EXPECT_EQ(control.GetText(SlotEditId(slot)), other);
    EXPECT_EQ(control.TextColor(SlotEditId(slot)), std::nullopt);

    window.UserClick(kIdQuit);
    EXPECT_TRUE(window.Ended());
    EXPECT_EQ(host.CountMessages(kMsgQuitUnwritten), 0);
  });
}

// A Read that fails, wherever it fails, takes nothing: the image with its
// typed values, the marks of what is not yet written, the File menu and the
// question before quitting stay as they were, and the page comes back.
TEST_F(FileMenu, FailedReadLeavesTheImageItsMarksAndTheQuitQuestion) {
  // TransferStart twice, then ReadBlock 0, 16 ... 496: request 3 + a / 16.
  struct Case {
    const char* where;
    sim::Faults faults;
  };
  const Case cases[] = {
      {"second TransferStart unanswered", {.silentOn = 2}},
      {"block 320 unanswered", {.silentOn = 3 + 320 / 16}},
      {"last block with a wrong checksum", {.badChecksumOn = 3 + 496 / 16}},
  };
  RunTool([&](CQelmUserAppDlg& window) {
    // The controller now holds other bytes than were read at start-up, so a
    // read that took some blocks would show.
    std::vector<std::uint8_t> changed(480);
    for (std::size_t i = 0; i < changed.size(); ++i) {
      changed[i] = static_cast<std::uint8_t>(~sim.GetImage()[16 + i]);
    }
    sim.SetImageBytes(16, changed);

    window.UserClick(kIdControl);
    ParameterPage& control = PageOf(window, kPageControl);
    const int slot = CheckedNumberSlot(control);
    ASSERT_GE(slot, 0);
    const ParamDef& row = RowOfSlot(control, slot);
    std::u16string typed = Utf16(std::to_string(row.rangeL));
    if (typed == control.GetText(SlotEditId(slot))) typed = Utf16(std::to_string(row.rangeL + 1));
    control.UserType(SlotEditId(slot), typed);
    window.UserClick(kIdVehicle);
    const ParameterImage image = session.image;
    const ParameterImage controller = session.controllerImage;
    ASSERT_NE(image.bytes, controller.bytes);

    for (const Case& c : cases) {
      SCOPED_TRACE(c.where);
      host.ClearMessages();
      sim.SetFaults(c.faults);
      window.UserClick(kIdRead);  // 151 is answered Cancel
      EXPECT_EQ(host.CountMessages(kMsgReadFailed), 1);
      EXPECT_EQ(session.image.bytes, image.bytes);
      EXPECT_EQ(session.controllerImage.bytes, controller.bytes);
      EXPECT_TRUE(session.flags.imageRead);
      EXPECT_EQ(window.GetText(kIdStatus), u"Read failure!");
      EXPECT_EQ(window.TextColor(kIdStatus), ui::kRed);
      EXPECT_EQ(window.currentPage(), kPageVehicle);
      EXPECT_TRUE(window.IsMenuItemEnabled(kIdMenuSaveImage));

      window.UserClick(kIdControl);
      EXPECT_EQ(control.GetText(SlotEditId(slot)), typed);
      EXPECT_EQ(control.TextColor(SlotEditId(slot)), ui::kBlue);
      window.UserPressEscape();  // the question is answered No
      EXPECT_EQ(host.CountMessages(kMsgQuitUnwritten), 1);
      EXPECT_FALSE(window.Ended());
      window.UserClick(kIdVehicle);
    }
    host.QueueAnswer(kMsgQuitUnwritten, MsgAnswer::Yes);
    window.UserClick(kIdQuit);
    EXPECT_TRUE(window.Ended());
  });
}

}  // namespace
}  // namespace tarn::testing
