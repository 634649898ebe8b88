// A serial port opened for exclusive use. One implementation per platform
// (serial_port_posix.cpp, serial_port_win32.cpp), chosen by the build.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace tarn {

// Line settings with the codes of the Windows device control block.
struct PortSettings {
  std::uint32_t baudRate = 19200;
  std::uint32_t stopBits = 0;  // 0: one stop bit
  std::uint32_t dataBits = 8;
  std::uint32_t parity = 0;    // 0: none
};

struct PortTimeouts {
  int readIntervalMs = 20;
  int readTotalMultiplierMs = 5;
  int readTotalConstantMs = 50;
  int writeTotalMultiplierMs = 20;
  int writeTotalConstantMs = 50;
};

class SerialPort {
 public:
  virtual ~SerialPort() = default;
  // Opens the named port for exclusive use; false when it is missing or busy.
  virtual bool Open(const std::string& name) = 0;
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
  virtual void Close() = 0;
  // The operating system's text for the last failure, for a person to read.
  virtual std::string LastError() const = 0;
};

std::unique_ptr<SerialPort> MakeSerialPort();

// The system's serial ports in scan order.
std::vector<std::string> ListSerialPorts();

}  // namespace tarn
