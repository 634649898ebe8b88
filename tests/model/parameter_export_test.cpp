// The CSV export of the parameters: the controller's line, one row per check
// box and slot as the pages show it, units from the labels, and quoting.
#include "model/parameter_export.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>

#include "model/controller_image.h"
#include "model/csv.h"
#include "resources/embedded.h"

namespace tarn {
namespace {

using testing::kDate;
using testing::ServiceFiles;

TEST(UnitOfTest, UnitSignsAtTheStartOrEndOfALabel) {
  const std::pair<std::u16string_view, std::u16string_view> cases[] = {
      {u"Макс. скорость вперед %", u"%"},
      {u"Изм. напр. торм.%", u"%"},
      {u"℃ возобновление", u"℃"},
      {u"High Temp Str℃", u"℃"},
      {u"Temp °C ", u"°C"},
      {u"60° знач. датч. Холла.", u""},
      {u"Текущий процент", u""},
      {u"%", u""},
      {u"", u""},
  };
  for (const auto& [label, unit] : cases) {
    EXPECT_EQ(UnitOf(label), unit) << res::EncodeUtf8(label);
  }
}

TEST_F(ServiceFiles, ExportIsUtf8WithAByteOrderMarkAndQuotedLabels) {
  controller[21] = 0x08;  // 0,VOR;1,NAV on
  const std::string csv = ExportParameters(*defs, controller, kDate);
  ASSERT_TRUE(csv.starts_with(csv::kByteOrderMark));
  const std::string body = csv.substr(csv::kByteOrderMark.size());
  EXPECT_TRUE(body.starts_with(
      "Controller,1QX48A01,Serial number,0001a2b3,Version,01090000,Date,2026-12-09\r\n"
      "Page,Label,Value,Range,Unit,Address\r\n"
      "Vehicle,Вперед H-Pedel,off,,,20.0\r\n"))
      << body.substr(0, 300);
  for (const char* line : {
           "\r\nVehicle,\"0,VOR;1,NAV\",on,,,21.3\r\n",
           "\r\nVehicle,Имя модуля,1QX48A01,0~0,,0\r\n",
           "\r\nVehicle,Слишком низкое,18,18~60,,25\r\n",
           "\r\nVehicle,Макс. скорость вперед %,20,20~100,%,109\r\n",
           "\r\nMotor,℃ возобновление,60,60~170,℃,",
       }) {
    EXPECT_NE(body.find(line), std::string::npos) << line;
  }
  EXPECT_EQ(body.find("Sleep_Time"), std::string::npos) << "rows on no page are not exported";
}

TEST(ExportTest, LabelsWithCommasAndQuotesStayOneField) {
  auto defs = std::make_unique<DefinitionSet>();
  ParamDef row;
  row.address = 40;
  row.pro = 1;
  row.show = 1;
  row.en = 1;
  row.sw = u"uo";
  row.name = u"Ток \"пик\", %";
  row.rangeL = 0;
  row.rangeH = 255;
  DecodeCodes(row);
  defs->params[static_cast<std::size_t>(kFlagRowCount)] = row;
  defs->paramCount = kFlagRowCount + 1;
  defs->controlStart = defs->motorStart = defs->comStart = defs->paramCount;
  ParameterImage image;
  image[40] = 7;
  const std::string csv = ExportParameters(*defs, image, kDate);
  EXPECT_NE(csv.find("\r\nVehicle,\"Ток \"\"пик\"\", %\",7,0~255,%,40\r\n"), std::string::npos)
      << csv;
}

}  // namespace
}  // namespace tarn
