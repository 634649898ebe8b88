// The serial port on Windows: CreateFileW on "\\.\" + name (no sharing, so the
// open itself is exclusive), the device control block and COMMTIMEOUTS. The
// device control block and the time-outs found on open are put back on close.
#include "link/serial_port_win32.h"

#include <algorithm>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "link/port_list_win32.h"

namespace tarn {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr DWORD kQueueSize = 512;
constexpr std::wstring_view kDevicePrefix = L"\\\\.\\";
// Names that already lead to a device: "\\.\COM10", "\\?\..." (a driver's
// own path).
constexpr std::wstring_view kLongDevicePrefix = L"\\\\?\\";

std::wstring Widen(const std::string& text) {
  if (text.empty()) return {};
  int size =
      MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(size), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), size);
  return wide;
}

std::string Utf8Of(std::wstring_view text) {
  if (text.empty()) return {};
  const int length = static_cast<int>(text.size());
  int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
  std::string narrow(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), length, narrow.data(), size, nullptr, nullptr);
  return narrow;
}

// Another program holding a COM port makes CreateFileW fail with "access
// denied": a port opens for one program at a time.
OpenFailure OpenFailureOf(DWORD code) {
  switch (code) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
      return OpenFailure::NoSuchDevice;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
      return OpenFailure::Busy;
    default:
      return OpenFailure::Other;
  }
}

DWORD MillisecondsUntil(Clock::time_point until) {
  auto left = until - Clock::now();
  if (left <= Clock::duration::zero()) return 0;
  return static_cast<DWORD>(std::chrono::ceil<milliseconds>(left).count());
}

// Errors that a handle gives once its device has left the system (a USB
// adapter pulled out): every later call fails the same way.
// ERROR_NOT_READY is what wine's WriteFile gives once the terminal behind
// a COM port has gone away.
bool MeansDeviceGone(DWORD code) {
  return code == ERROR_ACCESS_DENIED || code == ERROR_BAD_COMMAND ||
         code == ERROR_DEVICE_REMOVED || code == ERROR_GEN_FAILURE ||
         code == ERROR_OPERATION_ABORTED || code == ERROR_NOT_READY;
}

// Whether the system's port list names the port; "\\.\COM3" counts as
// COM3. Windows does not always fail a waiting call on a handle whose USB
// adapter was pulled, but the adapter's port leaves the list at once.
bool ListedBySystem(const std::string& name) {
  constexpr std::string_view kPrefixes[] = {"\\\\.\\", "\\\\?\\"};
  std::string_view plain = name;
  for (std::string_view prefix : kPrefixes) {
    if (plain.starts_with(prefix)) plain.remove_prefix(prefix.size());
  }
  const std::vector<std::string> listed = SystemSerialPorts();
  return std::any_of(listed.begin(), listed.end(), [plain](const std::string& port) {
    return CompareStringOrdinal(Widen(port).c_str(), -1, Widen(std::string(plain)).c_str(), -1,
                                TRUE) == CSTR_EQUAL;
  });
}

class Win32SerialPort final : public SerialPort {
 public:
  ~Win32SerialPort() override { Close(); }

  bool Open(const std::string& name) override;
  bool IsOpen() const override { return handle_ != INVALID_HANDLE_VALUE; }
  bool Configure(const PortSettings& settings, const PortTimeouts& timeouts) override;
  bool Purge() override;
  bool Write(std::span<const std::uint8_t> bytes) override;
  bool Read(std::span<std::uint8_t> buffer, std::size_t* received) override;
  bool ReadWithin(std::span<std::uint8_t> buffer, std::size_t* received,
                  ReadWindow& window) override;
  std::optional<std::size_t> BytesWaiting() override;
  void Close() override;
  std::string LastError() const override { return error_; }
  OpenProblem LastOpenProblem() const override { return openProblem_; }
  bool PortGone() const override { return gone_; }
  bool StillThere() override;

 private:
  bool Fail(const std::string& what) {
    const DWORD code = GetLastError();
    if (MeansDeviceGone(code)) gone_ = true;
    error_ = what + ": " + SystemErrorText(code);
    return false;
  }
  bool FailOpen(const std::string& name, OpenFailure kind, DWORD code);
  bool ApplyTimeouts(const COMMTIMEOUTS& timeouts);
  bool ReadOnce(std::span<std::uint8_t> buffer, std::size_t* received);

  HANDLE handle_ = INVALID_HANDLE_VALUE;
  std::string name_;
  std::optional<DCB> foundState_;  // the port's settings before ours
  std::optional<COMMTIMEOUTS> foundTimeouts_;
  COMMTIMEOUTS configured_{};
  std::string error_;
  OpenProblem openProblem_;
  bool gone_ = false;
  // The port was in the system's list when it was opened, so leaving the
  // list means its device went away (a name given by the user need not be
  // listed at all).
  bool listedAtOpen_ = false;
};

bool Win32SerialPort::Open(const std::string& name) {
  Close();
  openProblem_ = {};
  gone_ = false;
  const std::wstring path = DevicePathOf(name);
  HANDLE handle = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                              OPEN_EXISTING, 0, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    const DWORD code = GetLastError();
    return FailOpen(name, OpenFailureOf(code), code);
  }
  // A device without a control block is no serial port.
  DCB state{};
  state.DCBlength = sizeof(state);
  if (GetCommState(handle, &state) == 0) {
    CloseHandle(handle);
    return FailOpen(name, OpenFailure::NotSerial, ERROR_SUCCESS);
  }
  handle_ = handle;
  name_ = name;
  listedAtOpen_ = ListedBySystem(name);
  foundState_ = state;
  COMMTIMEOUTS timeouts{};
  if (GetCommTimeouts(handle_, &timeouts) != 0) foundTimeouts_ = timeouts;
  return true;
}

bool Win32SerialPort::FailOpen(const std::string& name, OpenFailure kind, DWORD code) {
  openProblem_ = {kind, code == ERROR_SUCCESS ? std::string() : SystemErrorText(code)};
  error_ = name + ": " + (kind == OpenFailure::NotSerial ? "not a serial port" : openProblem_.systemText);
  return false;
}

bool Win32SerialPort::Configure(const PortSettings& settings, const PortTimeouts& timeouts) {
  bool ok = SetupComm(handle_, kQueueSize, kQueueSize) != 0;
  DCB dcb{};
  dcb.DCBlength = sizeof(dcb);
  if (GetCommState(handle_, &dcb) != 0) {
    SetLinkControlBlock(dcb, settings);
    ok = SetCommState(handle_, &dcb) != 0 && ok;
  } else {
    ok = false;
  }
  configured_.ReadIntervalTimeout = static_cast<DWORD>(timeouts.readIntervalMs);
  configured_.ReadTotalTimeoutMultiplier = static_cast<DWORD>(timeouts.readTotalMultiplierMs);
  configured_.ReadTotalTimeoutConstant = static_cast<DWORD>(timeouts.readTotalConstantMs);
  configured_.WriteTotalTimeoutMultiplier = static_cast<DWORD>(timeouts.writeTotalMultiplierMs);
  configured_.WriteTotalTimeoutConstant = static_cast<DWORD>(timeouts.writeTotalConstantMs);
  ok = ApplyTimeouts(configured_) && ok;
  ok = Purge() && ok;
  if (!ok) Fail(name_ + ": configure");
  return ok;
}

bool Win32SerialPort::ApplyTimeouts(const COMMTIMEOUTS& timeouts) {
  COMMTIMEOUTS copy = timeouts;
  return SetCommTimeouts(handle_, &copy) != 0 || Fail(name_ + ": SetCommTimeouts");
}

bool Win32SerialPort::Purge() {
  return PurgeComm(handle_, PURGE_TXCLEAR | PURGE_RXCLEAR) != 0 || Fail(name_ + ": PurgeComm");
}

bool Win32SerialPort::Write(std::span<const std::uint8_t> bytes) {
  DWORD written = 0;
  if (WriteFile(handle_, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) == 0) {
    return Fail(name_ + ": WriteFile");
  }
  // The write time-outs ended it early: the request did not leave whole.
  if (written != bytes.size()) {
    error_ = name_ + ": WriteFile: time-out after " + std::to_string(written) + " of " +
             std::to_string(bytes.size()) + " bytes";
    return false;
  }
  return true;
}

bool Win32SerialPort::ReadOnce(std::span<std::uint8_t> buffer, std::size_t* received) {
  DWORD got = 0;
  if (ReadFile(handle_, buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr) == 0) {
    return Fail(name_ + ": ReadFile");
  }
  *received = got;
  return true;
}

bool Win32SerialPort::Read(std::span<std::uint8_t> buffer, std::size_t* received) {
  *received = 0;
  return ApplyTimeouts(configured_) && ReadOnce(buffer, received);
}

bool Win32SerialPort::ReadWithin(std::span<std::uint8_t> buffer, std::size_t* received,
                                 ReadWindow& window) {
  *received = 0;
  Clock::time_point limit = window.deadline;
  if (window.lastByte) limit = std::min(limit, *window.lastByte + window.interval);
  COMMTIMEOUTS timeouts = configured_;
  timeouts.ReadTotalTimeoutMultiplier = 0;
  timeouts.ReadTotalTimeoutConstant = MillisecondsUntil(limit);
  if (timeouts.ReadTotalTimeoutConstant == 0) {
    // The window has closed: take what is already there without waiting.
    timeouts.ReadIntervalTimeout = MAXDWORD;
  } else {
    timeouts.ReadIntervalTimeout = static_cast<DWORD>(window.interval.count());
  }
  if (!ApplyTimeouts(timeouts) || !ReadOnce(buffer, received)) return false;
  if (*received > 0) window.lastByte = Clock::now();
  return true;
}

std::optional<std::size_t> Win32SerialPort::BytesWaiting() {
  DWORD errors = 0;
  COMSTAT status{};
  if (handle_ == INVALID_HANDLE_VALUE) return std::nullopt;
  if (ClearCommError(handle_, &errors, &status) == 0) {
    Fail(name_ + ": ClearCommError");
    return std::nullopt;
  }
  return static_cast<std::size_t>(status.cbInQue);
}

bool Win32SerialPort::StillThere() {
  if (handle_ == INVALID_HANDLE_VALUE) return false;
  BytesWaiting();  // ClearCommError fails once the device is gone
  if (!gone_ && listedAtOpen_ && !ListedBySystem(name_)) {
    gone_ = true;
    error_ = name_ + ": the port has left the system's list of serial ports";
  }
  return !gone_;
}

void Win32SerialPort::Close() {
  if (handle_ == INVALID_HANDLE_VALUE) return;
  // Another device on this port (a modem, a console) expects its own settings.
  if (foundState_) SetCommState(handle_, &*foundState_);
  if (foundTimeouts_) SetCommTimeouts(handle_, &*foundTimeouts_);
  foundState_.reset();
  foundTimeouts_.reset();
  CloseHandle(handle_);
  handle_ = INVALID_HANDLE_VALUE;
}

}  // namespace

std::wstring DevicePathOf(const std::string& name) {
  std::wstring wide = Widen(name);
  if (wide.starts_with(kDevicePrefix) || wide.starts_with(kLongDevicePrefix)) return wide;
  return std::wstring(kDevicePrefix) + wide;
}

// Parity and StopBits hold the block's own codes.
static_assert(static_cast<BYTE>(Parity::Odd) == ODDPARITY &&
              static_cast<BYTE>(Parity::Even) == EVENPARITY &&
              static_cast<BYTE>(Parity::Mark) == MARKPARITY &&
              static_cast<BYTE>(Parity::Space) == SPACEPARITY);
static_assert(static_cast<BYTE>(StopBits::One) == ONESTOPBIT &&
              static_cast<BYTE>(StopBits::OneAndHalf) == ONE5STOPBITS &&
              static_cast<BYTE>(StopBits::Two) == TWOSTOPBITS);

void SetLinkControlBlock(DCB& dcb, const PortSettings& settings) {
  dcb.BaudRate = settings.baudRate.value;
  dcb.ByteSize = static_cast<BYTE>(settings.dataBits);
  dcb.Parity = static_cast<BYTE>(settings.parity);
  dcb.StopBits = static_cast<BYTE>(settings.stopBits);
  dcb.fBinary = TRUE;  // the only mode Windows supports
  dcb.fParity = settings.parity != Parity::None ? TRUE : FALSE;
  // No handshake of any kind, and DTR and RTS held on: adapters and
  // isolators on the controller's side draw their power from them.
  dcb.fOutxCtsFlow = FALSE;
  dcb.fOutxDsrFlow = FALSE;
  dcb.fDtrControl = DTR_CONTROL_ENABLE;
  dcb.fRtsControl = RTS_CONTROL_ENABLE;
  dcb.fDsrSensitivity = FALSE;
  dcb.fOutX = FALSE;
  dcb.fInX = FALSE;
  // Every byte arrives as it was sent: zero bytes kept, nothing replaced,
  // and a line error does not stop the reads that follow.
  dcb.fErrorChar = FALSE;
  dcb.fNull = FALSE;
  dcb.fAbortOnError = FALSE;
}

std::string SystemErrorText(DWORD code, DWORD language) {
  wchar_t* buffer = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, language, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::wstring_view wide = length > 0 ? std::wstring_view(buffer, length) : std::wstring_view();
  while (!wide.empty() && (wide.back() == L'\n' || wide.back() == L'\r')) wide.remove_suffix(1);
  std::string text = wide.empty() ? "error " + std::to_string(code) : Utf8Of(wide);
  LocalFree(buffer);
  return text;
}

std::unique_ptr<SerialPort> MakeSerialPort() {
  return std::make_unique<Win32SerialPort>();
}

}  // namespace tarn
