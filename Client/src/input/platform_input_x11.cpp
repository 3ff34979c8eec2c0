#include "input/platform_input.h"
#include "input/x11_input_backend.h"

namespace nimbral {

std::unique_ptr<IInputBackend> makePlatformInputBackend() {
    return std::make_unique<X11InputBackend>();
}

} // namespace nimbral
