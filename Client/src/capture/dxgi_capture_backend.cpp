#include "capture/dxgi_capture_backend.h"

#include <cstring>

#include <d3d11.h>
#include <dxgi1_2.h>
#include <windows.h>
#include <wrl/client.h>

#include <spdlog/spdlog.h>

#include "capture/windows_cursor.h"

using Microsoft::WRL::ComPtr;

namespace nimbral {

struct DxgiCaptureBackend::Direct3D {
    ComPtr<ID3D11Device> device;
    ComPtr<ID3D11DeviceContext> context;
    ComPtr<IDXGIOutput1> output;
    ComPtr<IDXGIOutputDuplication> duplication;
    ComPtr<ID3D11Texture2D> staging;
    DXGI_OUTPUT_DESC description{};
    bool frameHeld = false;
};

namespace {

constexpr HRESULT kWaitTimeout = static_cast<HRESULT>(0x887A0027);
constexpr HRESULT kAccessLost = static_cast<HRESULT>(0x887A0026);
constexpr HRESULT kMoreData = static_cast<HRESULT>(0x887A0003);

std::uint32_t code(HRESULT result) {
    return static_cast<std::uint32_t>(result);
}

std::string utf8(const wchar_t* text) {
    const int bytes = ::WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (bytes <= 1) {
        return {};
    }
    std::string result(static_cast<std::size_t>(bytes), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text, -1, result.data(), bytes, nullptr, nullptr);
    result.resize(static_cast<std::size_t>(bytes - 1)); // the terminating zero
    return result;
}

MonitorInfo monitorFrom(const DXGI_OUTPUT_DESC& description, std::int32_t index) {
    MonitorInfo info;
    info.index = index;
    info.name = utf8(description.DeviceName);
    const RECT& area = description.DesktopCoordinates;
    info.x = area.left;
    info.y = area.top;
    info.width = area.right - area.left;
    info.height = area.bottom - area.top;
    info.isPrimary = area.left == 0 && area.top == 0;
    return info;
}

// Reads one of the frame's rectangle lists: its size first (the answer "more data" is expected),
// then the list itself into a buffer of that size.
template <typename Item, typename Reader>
std::vector<Item> readRectangles(Reader read, const char* failureText) {
    UINT bytes = 0;
    const HRESULT sizeResult = read(0, nullptr, &bytes);
    if (sizeResult != kMoreData || bytes == 0) {
        return {};
    }
    std::vector<Item> items((bytes + sizeof(Item) - 1) / sizeof(Item));
    UINT used = 0;
    const HRESULT result =
        read(static_cast<UINT>(items.size() * sizeof(Item)), items.data(), &used);
    if (FAILED(result)) {
        spdlog::warn(fmt::runtime(failureText), code(result));
        return {};
    }
    items.resize(std::min<std::size_t>(items.size(), used / sizeof(Item)));
    return items;
}

ComPtr<IDXGIFactory1> createFactory() {
    ComPtr<IDXGIFactory1> factory;
    const HRESULT result = ::CreateDXGIFactory1(IID_PPV_ARGS(&factory));
    if (FAILED(result)) {
        spdlog::error("DxgiCaptureBackend: CreateDXGIFactory1 failed (0x{:08X})", code(result));
        return nullptr;
    }
    return factory;
}

// Every output of every adapter, in order: the monitor index is a position in this list.
std::vector<ComPtr<IDXGIOutput>> allOutputs(IDXGIFactory1& factory) {
    std::vector<ComPtr<IDXGIOutput>> outputs;
    ComPtr<IDXGIAdapter1> adapter;
    for (UINT a = 0; factory.EnumAdapters1(a, &adapter) != DXGI_ERROR_NOT_FOUND; ++a) {
        ComPtr<IDXGIOutput> output;
        for (UINT o = 0; adapter->EnumOutputs(o, &output) != DXGI_ERROR_NOT_FOUND; ++o) {
            outputs.push_back(output);
            output.Reset();
        }
        adapter.Reset();
    }
    return outputs;
}

DirtyRect dirtyRectFrom(const RECT& rect) {
    return {rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top};
}

} // namespace

std::vector<MonitorInfo> enumerateDxgiMonitors() {
    std::vector<MonitorInfo> monitors;
    const ComPtr<IDXGIFactory1> factory = createFactory();
    if (!factory) {
        return monitors;
    }
    for (const ComPtr<IDXGIOutput>& output : allOutputs(*factory.Get())) {
        DXGI_OUTPUT_DESC description{};
        if (SUCCEEDED(output->GetDesc(&description))) {
            monitors.push_back(
                monitorFrom(description, static_cast<std::int32_t>(monitors.size())));
        }
    }
    return monitors;
}

DxgiCaptureBackend::DxgiCaptureBackend()
    : m_d3d(std::make_unique<Direct3D>()) {
}

DxgiCaptureBackend::~DxgiCaptureBackend() {
    shutdown();
}

bool DxgiCaptureBackend::initialize(std::int32_t monitorIndex) {
    shutdown();
    m_monitorIndex = monitorIndex;
    const D3D_FEATURE_LEVEL levels[] = {D3D_FEATURE_LEVEL_11_1, D3D_FEATURE_LEVEL_11_0,
                                        D3D_FEATURE_LEVEL_10_1, D3D_FEATURE_LEVEL_10_0};
    D3D_FEATURE_LEVEL achieved{};
    const HRESULT result = ::D3D11CreateDevice(
        nullptr, D3D_DRIVER_TYPE_HARDWARE, nullptr, D3D11_CREATE_DEVICE_BGRA_SUPPORT, levels,
        static_cast<UINT>(std::size(levels)), D3D11_SDK_VERSION, &m_d3d->device, &achieved,
        &m_d3d->context);
    if (FAILED(result)) {
        spdlog::error("DxgiCaptureBackend: D3D11CreateDevice failed (0x{:08X})", code(result));
        spdlog::error("DxgiCaptureBackend: failed to create D3D11 device");
        return false;
    }
    spdlog::debug("DxgiCaptureBackend: D3D11 device created (feature level 0x{:04X})",
                  static_cast<unsigned>(achieved));
    if (!createDuplication()) {
        spdlog::error("DxgiCaptureBackend: failed to create output duplication for monitor {}",
                      monitorIndex);
        return false;
    }
    m_initialized = true;
    m_reinitAttempts = 0;
    const RECT& area = m_d3d->description.DesktopCoordinates;
    spdlog::info("DxgiCaptureBackend: initialized on monitor {} ({}x{})", monitorIndex,
                 area.right - area.left, area.bottom - area.top);
    return true;
}

bool DxgiCaptureBackend::createDuplication() {
    m_firstFrame = true;
    ComPtr<IDXGIDevice> dxgiDevice;
    HRESULT result = m_d3d->device.As(&dxgiDevice);
    if (FAILED(result)) {
        spdlog::error("DxgiCaptureBackend: QueryInterface IDXGIDevice failed (0x{:08X})",
                      code(result));
        return false;
    }
    ComPtr<IDXGIAdapter> deviceAdapter;
    result = dxgiDevice->GetAdapter(&deviceAdapter);
    if (FAILED(result)) {
        spdlog::error("DxgiCaptureBackend: GetAdapter failed (0x{:08X})", code(result));
        return false;
    }
    const ComPtr<IDXGIFactory1> factory = createFactory();
    if (!factory) {
        return false;
    }
    const std::vector<ComPtr<IDXGIOutput>> outputs = allOutputs(*factory.Get());
    if (m_monitorIndex < 0 || m_monitorIndex >= static_cast<std::int32_t>(outputs.size())) {
        spdlog::error("DxgiCaptureBackend: monitor index {} not found", m_monitorIndex);
        return false;
    }
    const ComPtr<IDXGIOutput>& found = outputs[static_cast<std::size_t>(m_monitorIndex)];
    result = found->GetDesc(&m_d3d->description);
    if (FAILED(result)) {
        spdlog::error("DxgiCaptureBackend: GetDesc failed (0x{:08X})", code(result));
        return false;
    }
    result = found.As(&m_d3d->output);
    if (FAILED(result)) {
        spdlog::error("DxgiCaptureBackend: QueryInterface IDXGIOutput1 failed (0x{:08X})",
                      code(result));
        return false;
    }
    result = m_d3d->output->DuplicateOutput(m_d3d->device.Get(), &m_d3d->duplication);
    if (FAILED(result)) {
        spdlog::error("DxgiCaptureBackend: DuplicateOutput failed (0x{:08X})", code(result));
        return false;
    }
    return true;
}

void DxgiCaptureBackend::releaseDuplication() {
    if (m_d3d->frameHeld && m_d3d->duplication) {
        m_d3d->duplication->ReleaseFrame();
    }
    m_d3d->frameHeld = false;
    m_d3d->duplication.Reset();
    m_d3d->staging.Reset();
    m_d3d->output.Reset();
}

bool DxgiCaptureBackend::reinitialize() {
    ++m_reinitAttempts;
    if (m_reinitAttempts > kMaxReinitAttempts) {
        spdlog::error("DxgiCaptureBackend: max reinitialization attempts ({}) exceeded",
                      kMaxReinitAttempts);
        return false;
    }
    spdlog::info("DxgiCaptureBackend: reinitializing (attempt {}/{})", m_reinitAttempts,
                 kMaxReinitAttempts);
    releaseDuplication();
    if (!createDuplication()) {
        spdlog::error("DxgiCaptureBackend: reinit createDuplication failed");
        return false;
    }
    spdlog::info("DxgiCaptureBackend: reinitialization successful");
    return true;
}

void DxgiCaptureBackend::shutdown() {
    releaseDuplication();
    m_d3d->context.Reset();
    m_d3d->device.Reset();
    m_initialized = false;
    m_reinitAttempts = 0;
    m_d3d->description = DXGI_OUTPUT_DESC{};
}

namespace {

// A CPU-readable copy target of the frame's size, made anew when the size changed.
bool ensureStaging(ID3D11Device* device, ComPtr<ID3D11Texture2D>& staging,
                   const D3D11_TEXTURE2D_DESC& frame) {
    if (staging) {
        D3D11_TEXTURE2D_DESC current{};
        staging->GetDesc(&current);
        if (current.Width == frame.Width && current.Height == frame.Height) {
            return true;
        }
        spdlog::info("DxgiCaptureBackend: resolution changed to {}x{}", frame.Width, frame.Height);
        staging.Reset();
    }
    D3D11_TEXTURE2D_DESC description{};
    description.Width = frame.Width;
    description.Height = frame.Height;
    description.MipLevels = 1;
    description.ArraySize = 1;
    description.Format = DXGI_FORMAT_B8G8R8A8_UNORM;
    description.SampleDesc.Count = 1;
    description.SampleDesc.Quality = 0;
    description.Usage = D3D11_USAGE_STAGING;
    description.CPUAccessFlags = D3D11_CPU_ACCESS_READ;
    const HRESULT result = device->CreateTexture2D(&description, nullptr, &staging);
    if (FAILED(result)) {
        spdlog::error("DxgiCaptureBackend: CreateTexture2D (staging) failed (0x{:08X})",
                      code(result));
        return false;
    }
    return true;
}

// What the frame changed: the moved areas' destinations and the dirty rectangles.
std::vector<DirtyRect> changedRectangles(IDXGIOutputDuplication& duplication) {
    std::vector<DirtyRect> changed;
    const auto moves = readRectangles<DXGI_OUTDUPL_MOVE_RECT>(
        [&duplication](UINT size, DXGI_OUTDUPL_MOVE_RECT* buffer, UINT* required) {
            return duplication.GetFrameMoveRects(size, buffer, required);
        },
        "DxgiCaptureBackend: GetFrameMoveRects failed (0x{:08X})");
    for (const DXGI_OUTDUPL_MOVE_RECT& move : moves) {
        changed.push_back(dirtyRectFrom(move.DestinationRect));
    }
    const auto dirty = readRectangles<RECT>(
        [&duplication](UINT size, RECT* buffer, UINT* required) {
            return duplication.GetFrameDirtyRects(size, buffer, required);
        },
        "DxgiCaptureBackend: GetFrameDirtyRects failed (0x{:08X})");
    for (const RECT& rect : dirty) {
        changed.push_back(dirtyRectFrom(rect));
    }
    return changed;
}

} // namespace

std::unique_ptr<CapturedFrame> duplicatedFrame(const std::uint8_t* rows, std::size_t rowPitch,
                                               std::int32_t width, std::int32_t height,
                                               std::vector<DirtyRect> changed, bool first,
                                               FrameBufferPool& pool) {
    auto frame = std::make_unique<CapturedFrame>();
    frame->width = width;
    frame->height = height;
    frame->stride = width * 4;
    frame->timestamp = monotonicMilliseconds();
    frame->isKeyframe = first;
    frame->dirtyRects = std::move(changed);
    const std::size_t rowBytes = static_cast<std::size_t>(frame->stride);
    pool.lend(*frame, rowBytes * static_cast<std::size_t>(height));
    for (std::int32_t row = 0; row < height; ++row) {
        std::memcpy(frame->data.data() + static_cast<std::size_t>(row) * rowBytes,
                    rows + static_cast<std::size_t>(row) * rowPitch, rowBytes);
    }
    return frame;
}

std::unique_ptr<CapturedFrame> DxgiCaptureBackend::captureFrame() {
    if (!m_initialized) {
        return nullptr;
    }
    DXGI_OUTDUPL_FRAME_INFO frameInfo{};
    ComPtr<IDXGIResource> resource;
    HRESULT result = m_d3d->duplication->AcquireNextFrame(kAcquireTimeoutMs, &frameInfo, &resource);
    if (result == kWaitTimeout) {
        return nullptr; // nothing changed
    }
    if (result == kAccessLost) {
        spdlog::warn("DxgiCaptureBackend: access lost -- attempting reinitialization");
        if (!reinitialize()) {
            spdlog::error("DxgiCaptureBackend: reinitialization failed");
            m_initialized = false;
        }
        return nullptr;
    }
    if (FAILED(result)) {
        spdlog::error("DxgiCaptureBackend: AcquireNextFrame failed (0x{:08X})", code(result));
        return nullptr;
    }
    m_d3d->frameHeld = true;
    const auto releaseFrame = [this] {
        m_d3d->duplication->ReleaseFrame();
        m_d3d->frameHeld = false;
    };

    ComPtr<ID3D11Texture2D> texture;
    result = resource.As(&texture);
    if (FAILED(result)) {
        spdlog::error("DxgiCaptureBackend: QueryInterface for Texture2D failed (0x{:08X})",
                      code(result));
        releaseFrame();
        return nullptr;
    }
    D3D11_TEXTURE2D_DESC textureDescription{};
    texture->GetDesc(&textureDescription);
    if (!ensureStaging(m_d3d->device.Get(), m_d3d->staging, textureDescription)) {
        releaseFrame();
        return nullptr;
    }
    m_d3d->context->CopyResource(m_d3d->staging.Get(), texture.Get());
    std::vector<DirtyRect> changed;
    if (frameInfo.TotalMetadataBufferSize > 0) {
        changed = changedRectangles(*m_d3d->duplication.Get());
    }
    releaseFrame();

    D3D11_MAPPED_SUBRESOURCE mapped{};
    result = m_d3d->context->Map(m_d3d->staging.Get(), 0, D3D11_MAP_READ, 0, &mapped);
    if (FAILED(result)) {
        spdlog::error("DxgiCaptureBackend: Map staging texture failed (0x{:08X})", code(result));
        return nullptr;
    }
    auto frame = duplicatedFrame(static_cast<const std::uint8_t*>(mapped.pData), mapped.RowPitch,
                                 static_cast<std::int32_t>(textureDescription.Width),
                                 static_cast<std::int32_t>(textureDescription.Height),
                                 std::move(changed), m_firstFrame, *m_buffers);
    m_d3d->context->Unmap(m_d3d->staging.Get(), 0);
    m_firstFrame = false;

    const RECT& area = m_d3d->description.DesktopCoordinates;
    windows::drawCursorIntoFrame(*frame, area.left, area.top);
    m_reinitAttempts = 0;
    return frame;
}

std::vector<MonitorInfo> DxgiCaptureBackend::enumerateMonitors() {
    return enumerateDxgiMonitors();
}

MonitorInfo DxgiCaptureBackend::currentMonitor() {
    return monitorFrom(m_d3d->description, m_monitorIndex);
}

} // namespace nimbral
