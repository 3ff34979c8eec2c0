#include "capture/capture_backend_chain.h"
#include "capture/x11_getimage_capture_backend.h"
#include "capture/x11_shm_capture_backend.h"

namespace nimbral {

std::unique_ptr<IScreenCaptureBackend> makePrimaryCaptureBackend() {
    return std::make_unique<X11ShmCaptureBackend>();
}

std::unique_ptr<IScreenCaptureBackend> makeFallbackCaptureBackend() {
    return std::make_unique<X11GetImageCaptureBackend>();
}

} // namespace nimbral
