// Sessions on the real widgets, as a user would play them.
#include <QLineEdit>

#include "gui_session.h"
#include "model/value_codec.h"
#include "pages/parameter_page.h"

namespace tarn::gui::test {
namespace {

ParameterImage ImageOf(const sim::Image& bytes) {
  ParameterImage image;
  std::copy(bytes.begin(), bytes.end(), image.bytes.begin());
  return image;
}

TEST_F(GuiSession, StartUpShowsTheControllersValuesOnTheVehiclePage) {
  std::vector<std::pair<QString, QString>> shownAndExpected;
  StartToVehiclePage();
  scenario.Then("the vehicle page's values", [&] {
    const ParameterImage image = ImageOf(sim.GetImage());
    const RowRange rows = RowsOfPage(PageRows::Vehicle, session.defs);
    int slot = 0;
    for (int row = rows.begin; row < rows.end; ++row) {
      const ParamDef& def = session.defs.params[row];
      if (!TakesSlot(def)) continue;
      const QWidget* edit = FindControl(kTemplateVehicle, SlotEditId(slot));
      const QWidget* label = FindControl(kTemplateVehicle, SlotLabelId(slot));
      EXPECT_TRUE(edit && edit->isVisible() && label && label->isVisible()) << "slot " << slot;
      if (edit == nullptr || label == nullptr) return true;
      shownAndExpected.emplace_back(ShownText(edit),
                                    QString::fromStdU16String(FormatValue(def, image)));
      shownAndExpected.emplace_back(ShownText(label), QString::fromStdU16String(def.name));
      ++slot;
    }
    return true;
  });
  Quit();
  Run();
  ASSERT_FALSE(shownAndExpected.empty());
  for (const auto& [shown, expected] : shownAndExpected) EXPECT_EQ(shown, expected);
}

}  // namespace
}  // namespace tarn::gui::test
