// The controller's image against another one (a saved file): the listed
// differences, whether each may be taken, and taking the chosen ones over.
#include "model/image_compare.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "model/controller_image.h"
#include "model/service_file.h"

namespace tarn {
namespace {

using testing::ServiceFiles;

TEST_F(ServiceFiles, ASavedImageLoadsBackWithoutADifference) {
  ParameterImage loaded;
  EXPECT_EQ(CheckImageFile(controller.bytes, *defs, &loaded), FileFit::Fits);
  EXPECT_EQ(loaded.bytes, controller.bytes);
  EXPECT_TRUE(CompareImages(*defs, controller, loaded).empty());
}

struct ChangeCase {
  const char* what;
  std::size_t address;
  std::uint8_t byte;  // written into the other image at `address`
  const char16_t* label;
  const char16_t* controllerValue;
  const char16_t* otherValue;
  Taking taking;
};

TEST_F(ServiceFiles, EveryChangedShownValueIsListedWithWhetherItMayBeTaken) {
  const ChangeCase cases[] = {
      {"flag", 20, 0x01, u"Вперед H-Pedel", u"off", u"on", Taking::Allowed},
      {"read-only flag", 21, 0x02, u"Уровень перекл.", u"off", u"on", Taking::ReadOnly},
      {"byte in range", 37, 90, u"Текущий процент", u"20", u"90", Taking::Allowed},
      {"byte over its range", 37, 150, u"Текущий процент", u"20", u"150", Taking::OutOfRange},
      // 100 passes the text's 18..180, not the 18..60 of a 48 V controller.
      {"voltage limit", 26, 100, u"Слишком низкое", u"18", u"100", Taking::OutOfRange},
      {"read-only value", 24, 72, u"Напряжение контроллера", u"0", u"72", Taking::ReadOnly},
      {"module name", 0, '2', u"Имя модуля", u"1QX48A01", u"2QX48A01", Taking::Identity},
      {"voltage class", 3, '7', u"Имя модуля", u"1QX48A01", u"1QX78A01", Taking::Identity},
      {"customer", 8, 'X', u"Имя пользователя", u"TARN", u"XARN", Taking::Identity},
      {"serial number", 15, 0xB4, u"Серийный номер", u"0001a2b3", u"0001a2b4", Taking::Identity},
      {"version", 19, 0x01, u"Версия программного обеспечения", u"01090000", u"01090001",
       Taking::Identity},
  };
  for (const ChangeCase& c : cases) {
    SCOPED_TRACE(c.what);
    ParameterImage other = controller;
    other[c.address] = c.byte;
    const std::vector<Difference> differences = CompareImages(*defs, controller, other);
    ASSERT_EQ(differences.size(), 1u);
    const Difference& d = differences.front();
    EXPECT_EQ(d.row.def->name, c.label);
    EXPECT_EQ(d.controllerValue, c.controllerValue);
    EXPECT_EQ(d.otherValue, c.otherValue);
    EXPECT_EQ(d.taking, c.taking);
  }
  ParameterImage hidden = controller;
  hidden[74] = 9;  // Sleep_Time: on no page
  EXPECT_TRUE(CompareImages(*defs, controller, hidden).empty());
}

// Applying copies the taken values' bits and nothing else: not the values
// that may not be taken, not the bytes of rows no page shows.
TEST_F(ServiceFiles, ApplyingTakesExactlyTheChosenValues) {
  ParameterImage other = controller;
  for (std::size_t address = 0; address < kImageSize; ++address) {
    other[address] = static_cast<std::uint8_t>(other[address] ^ (0x35 + address * 7));
  }
  other[kAddrModelCode] = 'Q';  // still a file of this controller's kind
  other[kAddrModelCode + 1] = 'X';
  other[37] = 90;
  const std::vector<Difference> all = CompareImages(*defs, controller, other);
  std::vector<Difference> chosen;
  int allowed = 0;
  for (std::size_t i = 0; i < all.size(); ++i) {
    allowed += all[i].taking == Taking::Allowed ? 1 : 0;
    if (i % 3 != 1) chosen.push_back(all[i]);  // one in three left unticked
  }
  ASSERT_GT(allowed, 10);

  // What applying may change: the bits of the chosen rows that may be taken.
  std::vector<std::uint8_t> mayChange(kImageSize, 0);
  int expectedTaken = 0;
  for (const Difference& d : chosen) {
    if (d.taking != Taking::Allowed) continue;
    ++expectedTaken;
    const ValueBytes value = BytesOf(*d.row.def);
    for (std::size_t i = 0; i < value.count; ++i) mayChange[value.address + i] |= value.mask;
  }
  ParameterImage image = controller;
  EXPECT_EQ(ApplyDifferences(chosen, other, image), expectedTaken);
  for (std::size_t at = 0; at < kImageSize; ++at) {
    const std::uint8_t expected =
        static_cast<std::uint8_t>((controller[at] & ~mayChange[at]) | (other[at] & mayChange[at]));
    EXPECT_EQ(image[at], expected) << "byte " << at;
  }
  EXPECT_EQ(image[37], 90);
  for (const Difference& d : CompareImages(*defs, image, other)) {
    const bool leftOut = d.taking != Taking::Allowed ||
                         std::none_of(chosen.begin(), chosen.end(), [&d](const Difference& c) {
                           return c.row.index == d.row.index && c.row.page == d.row.page;
                         });
    EXPECT_TRUE(leftOut) << "row " << d.row.index << " was chosen and still differs";
  }
}

// The verdict is made anew: an entry the caller marks as allowed is still
// refused when its row may not be taken.
TEST_F(ServiceFiles, IdentityReadOnlyAndOutOfRangeAreNeverApplied) {
  ParameterImage other = controller;
  other[0] = '9';    // module name
  other[15] = 0xFF;  // serial number
  other[24] = 72;    // controller voltage, read-only
  other[21] = 0x02;  // read-only flag
  other[37] = 150;   // over 20..100
  std::vector<Difference> differences = CompareImages(*defs, controller, other);
  ASSERT_EQ(differences.size(), 5u);
  for (Difference& d : differences) {
    EXPECT_NE(d.taking, Taking::Allowed) << "row " << d.row.index;
    d.taking = Taking::Allowed;
  }
  ParameterImage image = controller;
  EXPECT_EQ(ApplyDifferences(differences, other, image), 0);
  EXPECT_EQ(image.bytes, controller.bytes);
}

}  // namespace
}  // namespace tarn
