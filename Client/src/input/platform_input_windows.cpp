#include "input/platform_input.h"
#include "input/win32_input_backend.h"

namespace nimbral {

std::unique_ptr<IInputBackend> makePlatformInputBackend() {
    return std::make_unique<Win32InputBackend>();
}

} // namespace nimbral
