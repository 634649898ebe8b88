// A serial port opened for exclusive use. One implementation per platform
// (serial_port_posix.cpp, serial_port_win32.cpp), chosen by the build.
// A SerialPort is not thread-safe: one thread at a time (the link's mutex
// serialises the exchanges).
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace tarn {

// Line settings. The values of Parity and StopBits are the codes of the
// Windows device control block; a port refuses those it cannot set.
enum class Parity : std::uint8_t { None = 0, Odd = 1, Even = 2, Mark = 3, Space = 4 };
enum class StopBits : std::uint8_t { One = 0, OneAndHalf = 1, Two = 2 };

// Bits per second on the line.
struct Baud {
  constexpr explicit Baud(std::uint32_t bitsPerSecond) : value(bitsPerSecond) {}
  friend constexpr bool operator==(Baud, Baud) = default;
  std::uint32_t value;
};

struct PortSettings {
  Baud baudRate{19200};
  StopBits stopBits = StopBits::One;
  std::uint32_t dataBits = 8;
  Parity parity = Parity::None;
};

// A read ends this long after the last byte received. Every controller has
// always had at least this much silence after its reply before the next
// request, and the link keeps that promise (kLineQuietTime).
inline constexpr int kReadIntervalTimeoutMs = 20;

struct PortTimeouts {
  int readIntervalMs = kReadIntervalTimeoutMs;
  int readTotalMultiplierMs = 5;
  int readTotalConstantMs = 50;
  int writeTotalMultiplierMs = 20;
  int writeTotalConstantMs = 50;
};

// The limits of one read: it ends at `deadline`, or `interval` after the last
// byte received. `lastByte` carries the time of the last byte from one call to
// the next, so several calls can share one window as if they were one read.
struct ReadWindow {
  std::chrono::steady_clock::time_point deadline;
  std::chrono::milliseconds interval{20};
  std::optional<std::chrono::steady_clock::time_point> lastByte;
};

// Why a port could not be opened, with the operating system's own words.
enum class OpenFailure { None, NoSuchDevice, NotSerial, Busy, NoPermission, Other };
struct OpenProblem {
  OpenFailure kind = OpenFailure::None;
  std::string systemText;  // empty when the system said nothing
};

class SerialPort {
 public:
  virtual ~SerialPort() = default;
  // Opens the named port for exclusive use; false when it is missing or busy,
  // and LastOpenProblem() says why.
  virtual bool Open(const std::string& name) = 0;
  virtual OpenProblem LastOpenProblem() const { return {}; }
  virtual bool IsOpen() const = 0;
  // Queue sizes, line settings, time-outs and purge; false when any step failed.
  virtual bool Configure(const PortSettings& settings, const PortTimeouts& timeouts) = 0;
  // Discards unread input and unsent output.
  virtual bool Purge() = 0;
  virtual bool Write(std::span<const std::uint8_t> bytes) = 0;
  // Reads up to buffer.size() bytes: returns when that many arrived, when the
  // interval time-out passed after a byte, or when the total time-out for the
  // requested count expired. *received is the count read. False on failure,
  // a hang-up included.
  virtual bool Read(std::span<std::uint8_t> buffer, std::size_t* received) = 0;
  // Reads up to buffer.size() bytes within `window`: returns when that many
  // arrived or the window closed, and updates window.lastByte. Always makes at
  // least one read, even when the window has already closed. False on failure.
  virtual bool ReadWithin(std::span<std::uint8_t> buffer, std::size_t* received,
                          ReadWindow& window) = 0;
  // How many received bytes wait to be read, when the port can tell.
  virtual std::optional<std::size_t> BytesWaiting() { return std::nullopt; }
  virtual void Close() = 0;
  // True once a read, write, wait or configuration found the device itself
  // gone (a USB adapter pulled out, a terminal hung up), as opposed to a
  // quiet or garbled line. Cleared by the next successful Open().
  virtual bool PortGone() const { return false; }
  // Asks the system, without a byte on the line, whether the device is still
  // there; false (and PortGone()) once it is not.
  virtual bool StillThere() {
    BytesWaiting();
    return IsOpen() && !PortGone();
  }
  // The operating system's text for the last failure, for a person to read.
  virtual std::string LastError() const = 0;
};

std::unique_ptr<SerialPort> MakeSerialPort();

// The system's serial ports in scan order: the entries of TARN_PORTS when it
// is set and not empty (separated by PortListSeparator()); otherwise on POSIX
// systems the serial devices found under /dev, sorted, and on Windows the
// registry's list.
std::vector<std::string> ListSerialPorts();
// ':' on POSIX systems, ';' on Windows, where ':' belongs to names.
char PortListSeparator();

// The name of the group that owns the port's device, which a user must
// belong to for access; empty where ports have no owning group.
std::string PortOwnerGroup(const std::string& name);

}  // namespace tarn
