#pragma once

#include <cstdint>

#include "input/windows_keys.h"

namespace nimbral {

// The Windows key of a key event as the windowing system reports it (Qt's native scan code
// and native virtual key). On Windows these already are the Windows codes; on X11 they are the
// X keycode and the keysym and go through the tables.
WindowsKey windowsKeyFromNative(std::uint32_t nativeScanCode, std::uint32_t nativeVirtualKey);

} // namespace nimbral
