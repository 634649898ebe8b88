#include "tools/cli_link.h"

#include <cstdio>
#include <ostream>
#include <string>
#include <string_view>

#include "link/connection.h"
#include "link/transfer.h"
#include "resources/embedded.h"
#include "tools/cli_history.h"
#include "tools/cli_session.h"
#include "model/image_file.h"

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

std::string Printable(const ParameterImage& image, std::size_t address, std::size_t count) {
  std::string text;
  for (std::size_t i = 0; i < count; ++i) {
    const char c = static_cast<char>(image[address + i]);
    text += (c >= ' ' && c <= '~') ? c : '?';
  }
  return text;
}

std::string Hex(const ParameterImage& image, std::size_t address, std::size_t count) {
  std::string text;
  char digits[3];
  for (std::size_t i = 0; i < count; ++i) {
    std::snprintf(digits, sizeof(digits), "%02X", image[address + i]);
    text += digits;
  }
  return text;
}

std::string HexByte(unsigned value) {
  char digits[8];
  std::snprintf(digits, sizeof(digits), "0x%02X", value);
  return digits;
}

// Reads back what was written and names the first address that differs.
int Verify(CliSession& session, const ParameterImage& written, std::ostream& err) {
  ParameterImage readBack;
  if (!ReadImage(session.link, readBack)) return Fail(err, "verify: reading the image back failed");
  for (std::size_t address = 0; address < kImageSize; ++address) {
    if (readBack[address] != written[address]) {
      return Fail(err, "verify: the controller holds " + HexByte(readBack[address]) +
                           " at address " + std::to_string(address) + " (" + HexByte(address) +
                           "), the file " + HexByte(written[address]));
    }
  }
  return kExitDone;
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

}  // namespace

int RunPorts(std::ostream& out, std::ostream&) {
  for (const std::string& name : ListSerialPorts()) out << name << "\n";
  return kExitDone;
}

int RunIdentity(std::ostream& out, std::ostream& err) {
  CliSession session(err);
  if (!ConnectController(session, err)) return kExitFailed;
  ParameterImage image;
  ReadCommand(session.link, image, session.flags, session.prompter, session.status);
  if (!session.flags.imageRead) return Fail(err, "reading the image failed");
  out << "Port:             " << session.connection.connectedPort << "\n"
      << "Module name:      " << Printable(image, kAddrModuleName, kModuleNameSize) << "\n"
      << "Customer:         " << Printable(image, kAddrCustomer, kCustomerSize) << "\n"
      << "Serial number:    " << Hex(image, kAddrSerialNumber, kSerialSize) << "\n"
      << "Software version: " << Hex(image, kAddrVersion, kVersionSize) << "\n";
  return kExitDone;
}

int RunRead(const std::string& path, std::ostream& out, std::ostream& err) {
  std::string error;
  // Found out before the controller is asked, not after a whole read.
  if (!CheckFileCreatable(path, &error)) return Fail(err, error);
  CliSession session(err);
  if (!ConnectController(session, err)) return kExitFailed;
  // A failed read leaves the in-memory image partly new; it never reaches
  // the file.
  ParameterImage image;
  ReadCommand(session.link, image, session.flags, session.prompter, session.status);
  if (!session.flags.imageRead)
    return Fail(err, "reading the image failed; " + path + " untouched");
  CliJournal(err).Read(image);
  if (!WriteFileAtomically(path, image.bytes, &error)) return Fail(err, error);
  out << "Read the image of " << Printable(image, kAddrModuleName, kModuleNameSize) << " on "
      << session.connection.connectedPort << " into " << path << "\n";
  return kExitDone;
}

int RunWrite(const std::string& path, bool verify, std::ostream& out, std::ostream& err) {
  std::string error;
  const std::optional<ParameterImage> image = LoadImageFile(path, &error);
  if (!image) return Fail(err, error);
  CliSession session(err);
  if (!ConnectController(session, err)) return kExitFailed;
  // Success is told only once the read-back agrees.
  if (verify) session.prompter.HoldBack(kMsgWriteDone);
  CliJournal journal(err);
  const std::int64_t entry = journal.BeginWrite(*image);
  WriteCommand(session.link, *image, session.flags, session.prompter, session.status);
  if (!session.flags.imageWritten) {
    journal.Finish(entry, false, std::nullopt, WriteFailureReason(session.prompter.lastMessage));
    return Fail(err, WriteFailureReason(session.prompter.lastMessage));
  }
  const bool verified = !verify || Verify(session, *image, err) == kExitDone;
  journal.Finish(entry, true, verify ? std::optional(verified) : std::nullopt, "");
  if (!verified) return kExitFailed;
  session.prompter.ShowHeld();
  out << "Wrote " << path << " to " << session.connection.connectedPort
      << (verify ? "; read back and verified" : "; not verified") << "\n";
  return kExitDone;
}

}  // namespace tarn
