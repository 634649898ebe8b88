#include "app/scan_prompter.h"

#include <string>

#include "app/port_advice.h"

namespace tarn {

MsgAnswer ScanPrompter::ShowMessage(int id, MsgButtons buttons, MsgIcon icon) {
  return host_.ShowMessage(id, buttons, icon);
}

MsgAnswer ScanPrompter::ShowText(std::u16string_view text, MsgButtons buttons, MsgIcon icon) {
  return host_.ShowText(text, buttons, icon);
}

MsgAnswer ScanPrompter::ShowMessageWithDetails(int id, std::u16string_view details,
                                               MsgButtons buttons, MsgIcon icon) {
  if (id != kMsgNoController || connection_ == nullptr) {
    return host_.ShowMessageWithDetails(id, details, buttons, icon);
  }
  const std::u16string advice = PermissionAdvice(connection_->scanResults);
  if (advice.empty()) return host_.ShowMessageWithDetails(id, details, buttons, icon);
  // A blank line between what the ports gave and what to do about it.
  const std::u16string text = std::u16string(details) + u"\n\n" + advice;
  return host_.ShowMessageWithDetails(id, text, buttons, icon);
}

}  // namespace tarn
