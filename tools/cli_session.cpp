#include "tools/cli_session.h"

#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "app/port_advice.h"
#include "resources/embedded.h"

namespace tarn {
namespace {

MsgAnswer GiveUp(MsgButtons buttons) {
  switch (buttons) {
    case MsgButtons::Ok:
      return MsgAnswer::Ok;
    case MsgButtons::YesNo:
      return MsgAnswer::No;
    default:
      return MsgAnswer::Cancel;
  }
}

}  // namespace

MsgAnswer CliPrompter::ShowMessage(int id, MsgButtons buttons, MsgIcon) {
  lastMessage = id;
  if (stop_.stop_requested()) return GiveUp(buttons);
  if (id == holdBack_) {
    held_ = true;
  } else {
    LineFor(id) << "tarn-cli: " << res::EncodeUtf8(res::String(id)) << "\n";
  }
  return GiveUp(buttons);
}

std::ostream& CliPrompter::LineFor(int id) const {
  return id == kMsgWriteDone ? out_ : err_;
}

void CliPrompter::ShowHeld() {
  if (held_) LineFor(holdBack_) << "tarn-cli: " << res::EncodeUtf8(res::String(holdBack_)) << "\n";
  held_ = false;
}

MsgAnswer CliPrompter::ShowMessageWithDetails(int id, std::u16string_view details,
                                              MsgButtons buttons, MsgIcon icon) {
  const MsgAnswer answer = ShowMessage(id, buttons, icon);
  if (stop_.stop_requested()) return answer;
  std::u16string_view rest = details;
  while (!rest.empty()) {
    const std::size_t end = rest.find(u'\n');
    err_ << "  " << res::EncodeUtf8(rest.substr(0, end)) << "\n";
    rest.remove_prefix(end == std::u16string_view::npos ? rest.size() : end + 1);
  }
  return answer;
}

MsgAnswer CliPrompter::ShowText(std::u16string_view text, MsgButtons buttons, MsgIcon) {
  if (stop_.stop_requested()) return GiveUp(buttons);
  err_ << "tarn-cli: " << res::EncodeUtf8(text) << "\n";
  return GiveUp(buttons);
}

namespace {

constexpr char16_t kFirstPrintable = 0x20;
constexpr char16_t kDelete = 0x7F;
constexpr char16_t kLastC1Control = 0x9F;
constexpr unsigned kNibbleBits = 4;
constexpr unsigned kNibbleMask = 0xF;

// The port as the connection left it, wrapped so that after a requested stop
// no further request goes out. The exchange under way still reads its reply
// (or times out), so no late reply is left on the line for the next program.
// Everything else is the port's own.
class StoppablePort final : public SerialPort {
 public:
  StoppablePort(std::unique_ptr<SerialPort> port, std::stop_token stop)
      : port_(std::move(port)), stop_(std::move(stop)) {}

  bool Open(const std::string& name) override { return port_->Open(name); }
  OpenProblem LastOpenProblem() const override { return port_->LastOpenProblem(); }
  bool IsOpen() const override { return port_->IsOpen(); }
  bool Configure(const PortSettings& settings, const PortTimeouts& timeouts) override {
    return port_->Configure(settings, timeouts);
  }
  bool Purge() override { return port_->Purge(); }
  bool Write(std::span<const std::uint8_t> bytes) override {
    return !stop_.stop_requested() && port_->Write(bytes);
  }
  bool Read(std::span<std::uint8_t> buffer, std::size_t* received) override {
    return port_->Read(buffer, received);
  }
  bool ReadWithin(std::span<std::uint8_t> buffer, std::size_t* received,
                  ReadWindow& window) override {
    return port_->ReadWithin(buffer, received, window);
  }
  std::optional<std::size_t> BytesWaiting() override { return port_->BytesWaiting(); }
  void Close() override { port_->Close(); }
  bool PortGone() const override { return port_->PortGone(); }
  bool StillThere() override { return port_->StillThere(); }
  std::string LastError() const override {
    return stop_.stop_requested() ? std::string("interrupted") : port_->LastError();
  }

 private:
  std::unique_ptr<SerialPort> port_;
  std::stop_token stop_;
};

// The connected port opened once more, now behind a StoppablePort, with the
// line settings the connection gave it. Closing first puts back the settings
// found before the scan, which the new port then keeps to restore.
bool MakeStoppable(CliSession& session, std::ostream& err) {
  const std::string& name = session.connection.connectedPort;
  session.link.SetPort(nullptr);
  auto port = std::make_unique<StoppablePort>(MakeSerialPort(), session.stop);
  if (!port->Open(name) || !port->Configure(PortSettings{}, session.link.timeouts)) {
    err << "tarn-cli: " << port->LastError() << "\n";
    return false;
  }
  session.link.SetPort(std::move(port));
  return true;
}

}  // namespace

bool ConnectController(CliSession& session, std::ostream& err) {
  const bool connected = session.connection.ConnectWithRetry();
  // The command says that it was interrupted, with what it left as it was.
  if (session.Interrupted()) return false;
  if (connected) return MakeStoppable(session, err);
  const std::u16string lines = PermissionAdvice(session.connection.scanResults);
  for (std::u16string_view rest = lines; !rest.empty();) {
    const std::size_t end = rest.find(u'\n');
    err << "tarn-cli: " << res::EncodeUtf8(rest.substr(0, end)) << "\n";
    rest.remove_prefix(end == std::u16string_view::npos ? rest.size() : end + 1);
  }
  err << "tarn-cli: no controller answered on any serial port (set TARN_PORTS to name the ports)\n";
  return false;
}

int Interrupted(std::ostream& err, std::string_view what) {
  err << "tarn-cli: interrupted";
  if (!what.empty()) err << "; " << what;
  err << "\n";
  return kExitInterrupted;
}

std::u16string EscapeControls(std::u16string_view text) {
  static constexpr char16_t kHex[] = u"0123456789abcdef";
  std::u16string out;
  for (const char16_t c : text) {
    if (c < kFirstPrintable || (c >= kDelete && c <= kLastC1Control)) {
      out += u"\\x";
      out += kHex[(c >> kNibbleBits) & kNibbleMask];
      out += kHex[c & kNibbleMask];
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace tarn
