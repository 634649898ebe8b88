// The pieces of the Windows serial port that are worked out without a port:
// the device path, the device control block and the system's error texts.
// Windows only; the Windows tests check them directly.
#pragma once

#include <windows.h>

#include <string>

#include "link/serial_port.h"

namespace tarn {

// The device that CreateFileW opens for a port name: "\\.\" + name, or the
// name itself when it already is a device path ("\\.\COM10" in TARN_PORTS).
std::wstring DevicePathOf(const std::string& name);

// The link's line settings in `dcb`, with every handshake and every
// character rule switched off: whatever another program left on the port
// (XON/XOFF, CTS/DSR or DTR/RTS handshake, NUL stripping, error characters,
// abort on error) would eat or hold back the controller's bytes, and the
// frames carry 0x11, 0x13 and 0x00 as data.
void SetLinkControlBlock(DCB& dcb, const PortSettings& settings);

// The system's text for `code` in UTF-8 without its line end, in `language`
// (0: the user's own); "error <code>" when the system has none.
std::string SystemErrorText(DWORD code, DWORD language = 0);

}  // namespace tarn
