// A user's session with the whole tool: the simulated controller on a
// pseudo-terminal, the headless host answering boxes and playing the user,
// and the application started as the desktop front end starts it.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <memory>
#include <string>

#include "app/app.h"
#include "app/main_dlg.h"
#include "model/definition_loader.h"
#include "pages/parameter_pages.h"
#include "sim/simulator.h"
#include "ui/headless_host.h"

namespace tarn::testing {

class ToolSession : public ::testing::Test {
 protected:
  using User = std::function<void(CQelmUserAppDlg&)>;

  void SetUp() override {
    ASSERT_TRUE(sim.Start()) << sim.LastError();
    setenv("TARN_PORTS", sim.SlavePath().c_str(), 1);
  }

  // Whatever the session did (scan, transfers, live data, zero points), the
  // controller had its quiet time after every reply and the mandated waits,
  // and every box the user saw had its own buttons and icon.
  void TearDown() override {
    const std::vector<sim::LineTiming> timings = sim.Timings();
    for (const std::string& fault : sim::QuietTimeFaults(timings)) ADD_FAILURE() << fault;
    for (const std::string& fault : sim::MandatedWaitFaults(timings)) ADD_FAILURE() << fault;
    for (const ui::ShownMessage& shown : host.Messages()) ExpectItsButtonsAndIcon(shown);
  }

  // The buttons and icon each message of the string table is shown with; a
  // text built by the caller (a range message) has OK and the exclamation.
  // A box not listed here still follows the general rule: OK or OK/Cancel
  // with an icon, Yes/No with the question, Retry/Cancel with none.
  static void ExpectItsButtonsAndIcon(const ui::ShownMessage& shown) {
    struct Look {
      int id;
      MsgButtons buttons;
      MsgIcon icon;
    };
    static constexpr Look kLooks[] = {
        {0, MsgButtons::Ok, MsgIcon::Exclamation},
        {kMsgConfigFailed, MsgButtons::Ok, MsgIcon::Exclamation},
        {kMsgNoController, MsgButtons::RetryCancel, MsgIcon::None},
        {kMsgReadFailed, MsgButtons::RetryCancel, MsgIcon::None},
        {kMsgWriteFailed, MsgButtons::RetryCancel, MsgIcon::None},
        {kMsgWriteDone, MsgButtons::Ok, MsgIcon::Exclamation},
        {kMsgQuitQuestion, MsgButtons::OkCancel, MsgIcon::Question},
        {kMsgOldVersion, MsgButtons::Ok, MsgIcon::Exclamation},
        {kMsgUnsupportedModel, MsgButtons::Ok, MsgIcon::Exclamation},
        {kMsgStartWarning, MsgButtons::YesNo, MsgIcon::Question},
        {kMsgIdentityMismatch, MsgButtons::Ok, MsgIcon::Exclamation},
        {kMsgIdentityUnreadable, MsgButtons::Ok, MsgIcon::Exclamation},
    };
    for (const Look& look : kLooks) {
      if (look.id == shown.id) {
        EXPECT_EQ(shown.buttons, look.buttons) << "message " << shown.id;
        EXPECT_EQ(shown.icon, look.icon) << "message " << shown.id;
        return;
      }
    }
    switch (shown.buttons) {
      case MsgButtons::Ok:
      case MsgButtons::OkCancel:
        EXPECT_NE(shown.icon, MsgIcon::None) << "message " << shown.id;
        break;
      case MsgButtons::YesNo:
        EXPECT_EQ(shown.icon, MsgIcon::Question) << "message " << shown.id;
        break;
      case MsgButtons::RetryCancel:
        EXPECT_EQ(shown.icon, MsgIcon::None) << "message " << shown.id;
        break;
    }
  }

  // Starts the tool. The warning is answered Yes unless the test queued
  // another answer; `user` plays the session inside the main window.
  int RunTool(User user) {
    host.SetModalScript(kTemplateMain, [this, user](ui::Dialog& dialog) {
      ++mainWindowRuns;
      auto& window = dynamic_cast<CQelmUserAppDlg&>(dialog);
      if (user) {
        user(window);
      }
    });
    if (!warningScripted) {
      host.QueueAnswer(kMsgStartWarning, MsgAnswer::Yes);
    }
    CQelmUserAppApp app(host, session);
    return app.InitInstance();
  }

  void AnswerWarning(MsgAnswer answer) {
    host.QueueAnswer(kMsgStartWarning, answer);
    warningScripted = true;
  }

  static ParameterPage& PageOf(CQelmUserAppDlg& window, int key) {
    return dynamic_cast<ParameterPage&>(*window.Page(key));
  }

  // The slot that shows the row at `address` on `page`, or -1.
  int SlotOf(const ParameterPage& page, int address) const {
    const auto& rows = page.slotRows();
    for (std::size_t k = 0; k < rows.size(); ++k) {
      if (session.defs.params[rows[k]].address == address) {
        return static_cast<int>(k);
      }
    }
    return -1;
  }

  // Types `text` into the edit of the row at `address` on the shown page.
  void Type(CQelmUserAppDlg& window, int key, int address, std::u16string_view text) {
    ParameterPage& page = PageOf(window, key);
    const int slot = SlotOf(page, address);
    ASSERT_GE(slot, 0) << "no slot for address " << address;
    page.UserType(SlotEditId(slot), text);
  }

  // The pages that are visible right now, by key.
  static std::vector<int> ShownPages(const CQelmUserAppDlg& window) {
    std::vector<int> shown;
    for (int key = 1; key <= window.pageCount(); ++key) {
      if (window.Page(key)->IsShown()) {
        shown.push_back(key);
      }
    }
    return shown;
  }

  // The first slot of `page` that takes typed unsigned numbers with a range
  // check and has room for another value inside its range; -1 when none.
  int CheckedNumberSlot(const ParameterPage& page) const {
    const auto& rows = page.slotRows();
    for (std::size_t k = 0; k < rows.size(); ++k) {
      const ParamDef& row = session.defs.params[rows[k]];
      const bool number = (row.pro == 1 || row.pro == 2) && row.sw == u"uo";
      if (number && row.en == 1 && row.rangeL >= 0 && row.rangeL < row.rangeH && row.rangeH < 255) {
        return static_cast<int>(k);
      }
    }
    return -1;
  }

  const ParamDef& RowOfSlot(const ParameterPage& page, int slot) const {
    return session.defs.params[page.slotRows()[slot]];
  }

  // A value just above the row's range.
  static std::u16string RefusedText(const ParamDef& row) {
    return Utf16(std::to_string(row.rangeH + 1));
  }

  static std::u16string Utf16(const std::string& ascii) { return {ascii.begin(), ascii.end()}; }

  sim::Simulator sim{sim::Options{.pacing = false}};
  ui::HeadlessHost host;
  Session session;
  int mainWindowRuns = 0;
  bool warningScripted = false;
};

}  // namespace tarn::testing
