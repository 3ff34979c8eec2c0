#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct wl_display;
struct wl_registry;
struct wl_output;
struct wl_seat;
struct wl_shm;
struct zwlr_screencopy_manager_v1;
struct zwlr_virtual_pointer_manager_v1;
struct zwp_virtual_keyboard_manager_v1;

namespace nimbral::platform {

struct WaylandOutput {
    std::string name; // the compositor's name ("HEADLESS-1", "DP-1"), else "output N"
    std::int32_t x = 0;
    std::int32_t y = 0;
    std::int32_t width = 0; // the current mode, in pixels
    std::int32_t height = 0;
    wl_output* handle = nullptr;
};

// This process's own connection to a wlroots compositor (sway and others), with the globals a
// Target needs: outputs, shared memory, screencopy, and the virtual pointer and keyboard. One
// object per user and thread: Wayland proxies are not shared across threads here.
class WlrootsConnection {
public:
    static constexpr std::size_t kMaxOutputs = 16;

    // Connects to $WAYLAND_DISPLAY and reads the globals and outputs; null, with `error`
    // saying why, when there is no compositor or it offers no screencopy.
    static std::unique_ptr<WlrootsConnection> open(std::string* error = nullptr);
    // Empty when a wlroots compositor that can share its screen answers, else why not.
    static std::string unavailableReason();
    // The outputs of any Wayland compositor, without their handles; empty, with `error` saying
    // why, when none answers.
    static std::vector<WaylandOutput> listOutputs(std::string* error = nullptr);

    ~WlrootsConnection();
    WlrootsConnection(const WlrootsConnection&) = delete;
    WlrootsConnection& operator=(const WlrootsConnection&) = delete;

    wl_display* display() const { return m_display; }
    wl_shm* shm() const { return m_shm; }
    wl_seat* seat() const { return m_seat; }
    zwlr_screencopy_manager_v1* screencopy() const { return m_screencopy; }
    zwlr_virtual_pointer_manager_v1* pointerManager() const { return m_pointerManager; }
    zwp_virtual_keyboard_manager_v1* keyboardManager() const { return m_keyboardManager; }
    std::uint32_t screencopyVersion() const { return m_screencopyVersion; }
    std::uint32_t pointerManagerVersion() const { return m_pointerManagerVersion; }
    const std::vector<WaylandOutput>& outputs() const { return m_outputs; }

    // Sends what is queued and handles what arrives within `timeoutMs` (0: only what is there);
    // false once the connection is broken.
    bool dispatch(int timeoutMs);
    // Sends what is queued; false once the connection is broken.
    bool flush();

    // Called by the registry and output listeners (C callbacks).
    void addGlobal(wl_registry* registry, std::uint32_t name, const char* interface,
                   std::uint32_t version);
    WaylandOutput* outputOf(wl_output* handle);

private:
    WlrootsConnection() = default;
    static std::unique_ptr<WlrootsConnection> connect(std::string* error);

    wl_display* m_display = nullptr;
    wl_registry* m_registry = nullptr;
    wl_shm* m_shm = nullptr;
    wl_seat* m_seat = nullptr;
    zwlr_screencopy_manager_v1* m_screencopy = nullptr;
    zwlr_virtual_pointer_manager_v1* m_pointerManager = nullptr;
    zwp_virtual_keyboard_manager_v1* m_keyboardManager = nullptr;
    std::uint32_t m_screencopyVersion = 0;
    std::uint32_t m_pointerManagerVersion = 0;
    std::vector<WaylandOutput> m_outputs;
};

} // namespace nimbral::platform
