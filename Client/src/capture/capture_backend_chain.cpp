#include "capture/capture_backend_chain.h"

#include <spdlog/spdlog.h>

namespace nimbral {

std::unique_ptr<IScreenCaptureBackend> openCaptureBackend(const CaptureBackendFactory& primary,
                                                          const CaptureBackendFactory& fallback,
                                                          std::int32_t monitorIndex) {
    std::unique_ptr<IScreenCaptureBackend> backend = primary ? primary() : nullptr;
    if (backend && backend->initialize(monitorIndex)) {
        spdlog::info("Using DXGI screen capture backend (monitor {})", monitorIndex);
        return backend;
    }
    spdlog::warn("DXGI capture unavailable, falling back to GDI");
    backend = fallback ? fallback() : nullptr;
    if (backend && backend->initialize(monitorIndex)) {
        spdlog::info("Using GDI screen capture backend (RDP-compatible)");
        return backend;
    }
    spdlog::error("Failed to initialize any screen capture backend");
    return nullptr;
}

} // namespace nimbral
