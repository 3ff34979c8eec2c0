#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "capture/captured_frame.h"

namespace nimbral {

using CaptureBackendFactory = std::function<std::unique_ptr<IScreenCaptureBackend>()>;

// The screen reader a Target streams from: the primary one (desktop duplication, or MIT-SHM with
// damage) when it starts on the monitor, else the fallback (a plain screen copy). Logs the choice;
// null, with an error logged, when neither starts.
std::unique_ptr<IScreenCaptureBackend> openCaptureBackend(const CaptureBackendFactory& primary,
                                                          const CaptureBackendFactory& fallback,
                                                          std::int32_t monitorIndex);

// This platform's two readers: DXGI and GDI on Windows, MIT-SHM and XGetImage on X11.
std::unique_ptr<IScreenCaptureBackend> makePrimaryCaptureBackend();
std::unique_ptr<IScreenCaptureBackend> makeFallbackCaptureBackend();
// Whether only programs inside the user's own session may record this desktop (Wayland): a
// service then records it through its agent there.
bool captureNeedsTheUsersSession();

} // namespace nimbral
