#include "tools/cli_link.h"

#include <cstdio>
#include <filesystem>
#include <system_error>
#include <ostream>
#include <string>
#include <string_view>

#include "link/connection.h"
#include "link/port_list.h"
#include "link/transfer.h"
#include "monitor/connection_text.h"
#include "resources/embedded.h"
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

int RunIdentity(std::ostream& out, std::ostream& err) {
  CliSession session(err);
  if (!ConnectController(session, err)) return kExitFailed;
  ParameterImage image;
  ReadCommand(session.link, image, session.flags, session.prompter, session.status);
  if (!session.flags.imageRead) return Fail(err, "reading the image failed" + Cause(session));
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
    return Fail(err, "reading the image failed" + Cause(session) + "; " + path + " untouched");
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
  WriteCommand(session.link, *image, session.flags, session.prompter, session.status);
  if (!session.flags.imageWritten)
    return Fail(err, WriteFailureReason(session.prompter.lastMessage) + Cause(session));
  if (verify && Verify(session, *image, err) != kExitDone) return kExitFailed;
  session.prompter.ShowHeld();
  out << "Wrote " << path << " to " << session.connection.connectedPort
      << (verify ? "; read back and verified" : "; not verified") << "\n";
  return kExitDone;
}

}  // namespace tarn
