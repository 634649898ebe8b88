// The registry side of the Windows port list, for the Windows tests.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace tarn {

// The string data of every value of `key`, in the registry's enumeration
// order; values whose data is empty or not a string are left out. The
// buffers are sized from the key's own longest name and data, so a long
// device name never hides the values after it.
std::vector<std::string> PortNamesInKey(HKEY key);

// The ports HKLM\HARDWARE\DEVICEMAP\SERIALCOMM names now, whatever
// TARN_PORTS says. A USB adapter's port leaves it when the adapter is pulled.
std::vector<std::string> SystemSerialPorts();

}  // namespace tarn
