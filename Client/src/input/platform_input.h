#pragma once

#include <memory>

#include "input/input_event.h"

namespace nimbral {

// This platform's injector of the Master's input: SendInput on Windows, XTest on X11.
std::unique_ptr<IInputBackend> makePlatformInputBackend();

} // namespace nimbral
