#include "capture/capture_backend_chain.h"
#include "capture/dxgi_capture_backend.h"
#include "capture/gdi_capture_backend.h"

namespace nimbral {

std::unique_ptr<IScreenCaptureBackend> makePrimaryCaptureBackend() {
    return std::make_unique<DxgiCaptureBackend>();
}

std::unique_ptr<IScreenCaptureBackend> makeFallbackCaptureBackend() {
    return std::make_unique<GdiCaptureBackend>();
}

// The service duplicates the user's desktop itself, from the session the agent runs in.
bool captureNeedsTheUsersSession() {
    return false;
}

} // namespace nimbral
