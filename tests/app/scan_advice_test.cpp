// The no-controller message of the desktop program's search: under what
// each port gave, what to do about ports refused for lack of permission.
#include <gtest/gtest.h>

#include "app/port_advice.h"
#include "app/scan_prompter.h"
#include "ui/headless_host.h"

namespace tarn {
namespace {

TEST(ScanPrompter, AddsThePermissionAdviceToTheNoControllerDetailsOnly) {
  struct Case {
    const char* name;
    PortOutcome outcome;
    int message;
    bool advised;
  };
  const Case cases[] = {
      {"refused port", PortOutcome::NoPermission, kMsgNoController, true},
      {"missing port", PortOutcome::NoSuchDevice, kMsgNoController, false},
      {"busy port", PortOutcome::Busy, kMsgNoController, false},
      {"another message", PortOutcome::NoPermission, kMsgReadFailed, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ui::HeadlessHost host;
    ScanPrompter prompter(host);
    ControllerLink link;
    Connection connection(link, prompter);
    prompter.Watch(connection);
    connection.scanResults = {{"/dev/tarn-no-such-port", c.outcome, "text", kNoIdentifyByte}};
    const std::u16string details = DescribeScan(connection.scanResults);
    host.QueueAnswer(c.message, MsgAnswer::Cancel);
    EXPECT_EQ(
        prompter.ShowMessageWithDetails(c.message, details, MsgButtons::RetryCancel, MsgIcon::None),
        MsgAnswer::Cancel);
    ASSERT_EQ(host.Messages().size(), 1u);
    const std::u16string& shown = host.Messages()[0].details;
    const std::u16string advice = PermissionAdvice(connection.scanResults);
    if (c.advised) {
      ASSERT_FALSE(advice.empty());
      EXPECT_EQ(shown, details + u"\n\n" + advice);
      EXPECT_NE(shown.find(u"нет прав доступа к /dev/tarn-no-such-port"), std::u16string::npos);
    } else {
      EXPECT_EQ(shown, details);
    }
  }
}

}  // namespace
}  // namespace tarn
