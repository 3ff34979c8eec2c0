#include "input/native_keys.h"

namespace nimbral {

WindowsKey windowsKeyFromNative(std::uint32_t nativeScanCode, std::uint32_t nativeVirtualKey) {
    return windowsKeyFromX11(nativeScanCode, nativeVirtualKey);
}

} // namespace nimbral
