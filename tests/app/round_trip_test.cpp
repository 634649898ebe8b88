// A whole editing session: one value changed on each parameter page and one
// check box, then Write; the controller ends up with exactly those changes.
#include "model/value_codec.h"
#include "tool_session.h"

namespace tarn::testing {
namespace {

// The new value of a row, different from `current` and inside its range.
std::int32_t OtherValueInRange(const ParamDef& row, std::uint32_t current) {
  return static_cast<std::uint32_t>(row.rangeL) == current ? row.rangeL + 1 : row.rangeL;
}

TEST_F(ToolSession, ValuesChangedOnEveryPageReachTheControllerAndNothingElse) {
  ParameterImage expected;
  const sim::Image original = sim.GetImage();
  std::copy(original.begin(), original.end(), expected.bytes.begin());

  RunTool([&](CQelmUserAppDlg& window) {
    for (const int key : {kPageVehicle, kPageControl, kPageMotor, kPageCom}) {
      SCOPED_TRACE(key);
      window.UserClick(kPageButtonBase + key);
      ASSERT_EQ(window.currentPage(), key);
      ParameterPage& page = PageOf(window, key);
      const int slot = CheckedNumberSlot(page);
      ASSERT_GE(slot, 0);
      const ParamDef& row = RowOfSlot(page, slot);
      const std::size_t bytes = row.pro == 1 ? 1 : static_cast<std::size_t>(row.pos) + 1;
      const std::int32_t value = OtherValueInRange(row, expected.ReadBigEndian(row.address, bytes));
      page.UserType(SlotEditId(slot), Utf16(std::to_string(value)));
      expected.WriteBigEndian(row.address, bytes, static_cast<std::uint32_t>(value));
    }

    window.UserClick(kIdVehicle);
    auto& vehicle = dynamic_cast<CVehicleDlg&>(PageOf(window, kPageVehicle));
    const ParamDef& flag = session.defs.params[vehicle.flagRows()[0]];
    ASSERT_TRUE(vehicle.IsControlEnabled(kFirstFlagBox));
    vehicle.UserClick(kFirstFlagBox);
    expected[flag.address] ^= static_cast<std::uint8_t>(1u << flag.pos);

    window.UserClick(kIdWrite);
    EXPECT_EQ(window.GetText(kIdStatus), u"Write success!");
    window.UserClick(kIdQuit);
  });

  const sim::Image written = sim.GetImage();
  int differences = 0;
  for (std::size_t address = 0; address < kImageSize; ++address) {
    if (written[address] != expected[address]) {
      ++differences;
      ADD_FAILURE() << "byte " << address << ": controller " << int{written[address]}
                    << ", expected " << int{expected[address]};
    }
  }
  EXPECT_EQ(differences, 0);
  EXPECT_NE(written, original);
  EXPECT_EQ(host.CountMessages(0), 0) << "no value was refused";
}

}  // namespace
}  // namespace tarn::testing
