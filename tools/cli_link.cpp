#include "tools/cli_link.h"

#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <system_error>
#include <ostream>
#include <string>
#include <string_view>

#include "app/transfer_commands.h"
#include "link/connection.h"
#include "link/port_list.h"
#include "model/definition_loader.h"
#include "model/image_file.h"
#include "model/page_layout.h"
#include "model/value_codec.h"
#include "live/connection_text.h"
#include "resources/embedded.h"
#include "tools/cli_files.h"
#include "tools/cli_history.h"
#include "tools/cli_model.h"
#include "tools/cli_session.h"

namespace tarn {
namespace {

constexpr int kExitDone = 0;
constexpr int kExitFailed = 1;
constexpr std::size_t kCustomerSize = 4;
constexpr std::size_t kSerialSize = 4;
constexpr std::size_t kVersionSize = 4;

int Fail(std::ostream& err, std::string_view reason) {
  err << "tarn-cli: " << reason << "\n";
  return kExitFailed;
}

// The bytes of a character field as the pages show them: each byte the
// character of its code, byte 0 ending the text; control characters as
// escapes.
std::string FieldText(const ParameterImage& image, std::size_t address, std::size_t count) {
  std::u16string text;
  for (std::size_t i = 0; i < count && image[address + i] != 0; ++i) {
    text += static_cast<char16_t>(image[address + i]);
  }
  return res::EncodeUtf8(EscapeControls(text));
}

std::string HexByte(unsigned value) {
  char digits[8];
  std::snprintf(digits, sizeof(digits), "0x%02X", value);
  return digits;
}

// Reads back what was written and names the first address that differs.
int Verify(CliSession& session, const ParameterImage& written, std::ostream& err) {
  ParameterImage readBack;
  if (!ReadImage(session.link, readBack)) {
    return session.Interrupted() ? kExitInterrupted
                                 : Fail(err, "verify: reading the image back failed");
  }
  for (std::size_t address = 0; address < kImageSize; ++address) {
    if (readBack[address] != written[address]) {
      return Fail(err, "verify: the controller holds " + HexByte(readBack[address]) +
                           " at address " + std::to_string(address) + " (" + HexByte(address) +
                           "), the file " + HexByte(written[address]));
    }
  }
  return kExitDone;
}

// " (device removed)" or " (no answer)" after a failed transfer: what the
// last exchange gave.
std::string Cause(const CliSession& session) {
  const std::string_view cause = CauseText(session.link.LastOutcome());
  return cause.empty() ? std::string() : " (" + std::string(cause) + ")";
}

std::string WriteFailureReason(int lastMessage) {
  switch (lastMessage) {
    case kMsgIdentityUnreadable:
      return "could not read the controller's module name; nothing written";
    case kMsgIdentityMismatch:
      return "the controller's module name differs from the file's bytes 0-7; nothing written";
    default:
      return "writing the image failed; the controller may hold a partly written image";
  }
}

// The exit status when no controller was connected: interrupted (said here,
// with what was left as it was) or failed (ConnectController said why).
int NotConnected(const CliSession& session, std::ostream& err, std::string_view left = {}) {
  return session.Interrupted() ? Interrupted(err, left) : kExitFailed;
}

// What an interrupted write left in the controller, from how far it came.
std::string InterruptedWriteLeft(const CliSession& session) {
  if (session.flags.imageWritten) return "the image was written, not verified";
  switch (session.prompter.lastMessage) {
    case kMsgIdentityUnreadable:
    case kMsgIdentityMismatch:
    case CliPrompter::kNoMessage:
      return "nothing written";
    default:
      return "the controller may hold a partly written image";
  }
}

// Every value the pages let the user change must pass the pages' range
// check, as it must before the desktop program writes it: one line for each
// that does not. The communication page's values count only where that page
// is offered.
bool CheckRanges(const ParameterImage& image, const std::string& path, std::ostream& err) {
  auto defs = std::make_unique<DefinitionSet>();
  if (!LoadFor(image, *defs, err)) {
    Fail(err, path + ": its values' ranges are unknown; nothing sent");
    return false;
  }
  const bool comOffered = ComPageOffered(image);
  int outside = 0;
  for (const ShownRow& row : ShownRows(*defs)) {
    if (!row.editable || row.shows == Shows::Nothing) continue;
    if (row.page == PageRows::Com && !comOffered) continue;
    if (PassesRangeCheck(*row.def, image)) continue;
    ++outside;
    err << "tarn-cli: " << res::EncodeUtf8(row.def->name) << " = "
        << res::EncodeUtf8(EscapeControls(ShownValue(row, image))) << ": outside its range "
        << res::EncodeUtf8(RangeText(*row.def)) << "\n";
  }
  if (outside == 0) return true;
  Fail(err, path + ": " + std::to_string(outside) + (outside == 1 ? " value is" : " values are") +
                " outside the range the pages allow; nothing sent");
  return false;
}

}  // namespace

// Each port in scan order; under it, indented, the stable names that lead
// to it ("  /dev/serial/by-id/usb-... -> /dev/ttyUSB0").
int RunPorts(std::ostream& out, std::ostream&) {
  const std::vector<StablePortName> stable = ListStablePortNames();
  for (const std::string& name : ListSerialPorts()) {
    out << name << "\n";
    std::error_code ec;
    const std::string device = std::filesystem::canonical(name, ec).string();
    for (const StablePortName& alias : stable) {
      if (!ec && alias.device == device) out << "  " << alias.alias << " -> " << name << "\n";
    }
  }
  return kExitDone;
}

int RunIdentity(std::ostream& out, std::ostream& err, std::stop_token stop) {
  CliSession session(out, err, stop);
  if (!ConnectController(session, err)) return NotConnected(session, err);
  ParameterImage image;
  ReadCommand(session.link, image, session.flags, session.prompter, session.status);
  if (session.Interrupted()) return Interrupted(err);
  if (!session.flags.imageRead) return Fail(err, "reading the image failed" + Cause(session));
  out << "Port:             " << session.connection.connectedPort << "\n"
      << "Module name:      " << FieldText(image, kAddrModuleName, kModuleNameSize) << "\n"
      << "Customer:         " << FieldText(image, kAddrCustomer, kCustomerSize) << "\n"
      << "Serial number:    " << HexBytes(image, kAddrSerialNumber, kSerialSize) << "\n"
      << "Software version: " << HexBytes(image, kAddrVersion, kVersionSize) << "\n";
  return kExitDone;
}

int RunRead(const std::string& path, bool force, std::ostream& out, std::ostream& err,
            std::stop_token stop) {
  std::string error;
  // Found out before the controller is asked, not after a whole read.
  if (!CheckReplaceable(path, force, err)) return kExitFailed;
  if (!CheckFileCreatable(path, &error)) return Fail(err, error);
  CliSession session(out, err, stop);
  if (!ConnectController(session, err)) return NotConnected(session, err, path + " untouched");
  // A failed read leaves the in-memory image partly new; it never reaches
  // the file.
  ParameterImage image;
  ReadCommand(session.link, image, session.flags, session.prompter, session.status);
  if (session.Interrupted()) return Interrupted(err, path + " untouched");
  if (!session.flags.imageRead)
    return Fail(err, "reading the image failed" + Cause(session) + "; " + path + " untouched");
  CliJournal(err).Read(image);
  if (!WriteFileAtomically(path, image.bytes, &error)) return Fail(err, error);
  out << "Read the image of " << FieldText(image, kAddrModuleName, kModuleNameSize) << " on "
      << session.connection.connectedPort << " into " << path << "\n";
  return kExitDone;
}

int RunWrite(const std::string& path, bool verify, std::ostream& out, std::ostream& err,
             std::stop_token stop) {
  std::string error;
  const std::optional<ParameterImage> image = LoadImageFile(path, &error);
  if (!image) return Fail(err, error);
  // The values the pages would refuse are refused here too, before the
  // controller is asked anything.
  if (!CheckRanges(*image, path, err)) return kExitFailed;
  CliSession session(out, err, stop);
  if (!ConnectController(session, err)) return NotConnected(session, err, "nothing written");
  // Success is told only once the read-back agrees.
  if (verify) session.prompter.HoldBack(kMsgWriteDone);
  CliJournal journal(err);
  const std::int64_t entry = journal.BeginWrite(*image);
  WriteCommand(session.link, *image, session.flags, session.prompter, session.status);
  if (session.Interrupted() || !session.flags.imageWritten) {
    const std::string why = session.Interrupted()
                                ? InterruptedWriteLeft(session)
                                : WriteFailureReason(session.prompter.lastMessage) + Cause(session);
    journal.Finish(entry, session.flags.imageWritten, std::nullopt, why);
    return session.Interrupted() ? Interrupted(err, why) : Fail(err, why);
  }
  const bool verified = !verify || Verify(session, *image, err) == kExitDone;
  const bool verifyCounted = verify && !session.Interrupted();
  journal.Finish(entry, true, verifyCounted ? std::optional(verified) : std::nullopt, "");
  if (!verified) {
    return session.Interrupted() ? Interrupted(err, "the image was written, not verified")
                                 : kExitFailed;
  }
  session.prompter.ShowHeld();
  out << "Wrote " << path << " to " << session.connection.connectedPort
      << (verify ? "; read back and verified" : "; not verified") << "\n";
  return kExitDone;
}

}  // namespace tarn
