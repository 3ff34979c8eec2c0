#include "platform/wlroots_connection.h"

#include <poll.h>
#include <wayland-client.h>

#include <cerrno>
#include <cstring>

#include "virtual-keyboard-unstable-v1-client-protocol.h"
#include "wlr-screencopy-unstable-v1-client-protocol.h"
#include "wlr-virtual-pointer-unstable-v1-client-protocol.h"

namespace nimbral::platform {

namespace {

// The versions this code speaks; a compositor offering less gets what it offers.
constexpr std::uint32_t kOutputVersion = 4;     // the output's name
constexpr std::uint32_t kScreencopyVersion = 3; // damage, and buffer_done
constexpr std::uint32_t kPointerVersion = 2;    // a pointer tied to one output

template <typename Proxy>
Proxy* bind(wl_registry* registry, std::uint32_t name, const wl_interface* interface,
            std::uint32_t offered, std::uint32_t wanted) {
    return static_cast<Proxy*>(
        wl_registry_bind(registry, name, interface, offered < wanted ? offered : wanted));
}

void onGlobal(void* data, wl_registry* registry, std::uint32_t name, const char* interface,
              std::uint32_t version) {
    static_cast<WlrootsConnection*>(data)->addGlobal(registry, name, interface, version);
}

// Outputs that come and go while a connection is open are picked up by the next connection.
void onGlobalRemoved(void*, wl_registry*, std::uint32_t) {
}

const wl_registry_listener kRegistryListener = {onGlobal, onGlobalRemoved};

void onGeometry(void* data, wl_output* handle, std::int32_t x, std::int32_t y, std::int32_t,
                std::int32_t, std::int32_t, const char*, const char*, std::int32_t) {
    if (WaylandOutput* output = static_cast<WlrootsConnection*>(data)->outputOf(handle)) {
        output->x = x;
        output->y = y;
    }
}

void onMode(void* data, wl_output* handle, std::uint32_t flags, std::int32_t width,
            std::int32_t height, std::int32_t) {
    WaylandOutput* output = static_cast<WlrootsConnection*>(data)->outputOf(handle);
    if (output != nullptr && (flags & WL_OUTPUT_MODE_CURRENT) != 0) {
        output->width = width;
        output->height = height;
    }
}

void onDone(void*, wl_output*) {
}
void onScale(void*, wl_output*, std::int32_t) {
}

void onName(void* data, wl_output* handle, const char* name) {
    WaylandOutput* output = static_cast<WlrootsConnection*>(data)->outputOf(handle);
    if (output != nullptr && name != nullptr) {
        output->name = std::string(name, strnlen(name, 64));
    }
}

void onDescription(void*, wl_output*, const char*) {
}

const wl_output_listener kOutputListener = {onGeometry, onMode, onDone,
                                            onScale,    onName, onDescription};

} // namespace

void WlrootsConnection::addGlobal(wl_registry* registry, std::uint32_t name, const char* interface,
                                  std::uint32_t version) {
    const std::string_view kind(interface);
    if (kind == wl_output_interface.name && m_outputs.size() < kMaxOutputs) {
        WaylandOutput output;
        output.name = "output " + std::to_string(m_outputs.size());
        output.handle =
            bind<wl_output>(registry, name, &wl_output_interface, version, kOutputVersion);
        wl_output_add_listener(output.handle, &kOutputListener, this);
        m_outputs.push_back(std::move(output));
    } else if (kind == wl_shm_interface.name && m_shm == nullptr) {
        m_shm = bind<wl_shm>(registry, name, &wl_shm_interface, version, 1);
    } else if (kind == wl_seat_interface.name && m_seat == nullptr) {
        m_seat = bind<wl_seat>(registry, name, &wl_seat_interface, version, 1);
    } else if (kind == zwlr_screencopy_manager_v1_interface.name && m_screencopy == nullptr) {
        m_screencopy = bind<zwlr_screencopy_manager_v1>(
            registry, name, &zwlr_screencopy_manager_v1_interface, version, kScreencopyVersion);
        m_screencopyVersion = version < kScreencopyVersion ? version : kScreencopyVersion;
    } else if (kind == zwlr_virtual_pointer_manager_v1_interface.name &&
               m_pointerManager == nullptr) {
        m_pointerManager = bind<zwlr_virtual_pointer_manager_v1>(
            registry, name, &zwlr_virtual_pointer_manager_v1_interface, version, kPointerVersion);
        m_pointerManagerVersion = version < kPointerVersion ? version : kPointerVersion;
    } else if (kind == zwp_virtual_keyboard_manager_v1_interface.name &&
               m_keyboardManager == nullptr) {
        m_keyboardManager = bind<zwp_virtual_keyboard_manager_v1>(
            registry, name, &zwp_virtual_keyboard_manager_v1_interface, version, 1);
    }
}

WaylandOutput* WlrootsConnection::outputOf(wl_output* handle) {
    for (WaylandOutput& output : m_outputs) {
        if (output.handle == handle) {
            return &output;
        }
    }
    return nullptr;
}

std::unique_ptr<WlrootsConnection> WlrootsConnection::connect(std::string* error) {
    auto say = [error](std::string why) {
        if (error != nullptr) {
            *error = std::move(why);
        }
        return nullptr;
    };
    std::unique_ptr<WlrootsConnection> connection(new WlrootsConnection);
    connection->m_display = wl_display_connect(nullptr);
    if (connection->m_display == nullptr) {
        return say("no Wayland compositor answers on WAYLAND_DISPLAY");
    }
    connection->m_registry = wl_display_get_registry(connection->m_display);
    wl_registry_add_listener(connection->m_registry, &kRegistryListener, connection.get());
    // The first round trip lists the globals, the second the outputs' modes and names.
    if (wl_display_roundtrip(connection->m_display) < 0 ||
        wl_display_roundtrip(connection->m_display) < 0) {
        return say("the Wayland compositor closed the connection");
    }
    return connection;
}

std::unique_ptr<WlrootsConnection> WlrootsConnection::open(std::string* error) {
    std::unique_ptr<WlrootsConnection> connection = connect(error);
    if (connection && (connection->m_screencopy == nullptr || connection->m_shm == nullptr)) {
        if (error != nullptr) {
            *error = "the Wayland compositor offers no wlr-screencopy";
        }
        return nullptr;
    }
    return connection;
}

std::vector<WaylandOutput> WlrootsConnection::listOutputs(std::string* error) {
    std::unique_ptr<WlrootsConnection> connection = connect(error);
    if (!connection) {
        return {};
    }
    std::vector<WaylandOutput> outputs = connection->m_outputs;
    for (WaylandOutput& output : outputs) {
        output.handle = nullptr; // goes with the connection
    }
    return outputs;
}

std::string WlrootsConnection::unavailableReason() {
    std::string why;
    return open(&why) ? std::string() : why;
}

WlrootsConnection::~WlrootsConnection() {
    for (const WaylandOutput& output : m_outputs) {
        if (wl_output_get_version(output.handle) >= WL_OUTPUT_RELEASE_SINCE_VERSION) {
            wl_output_release(output.handle);
        } else {
            wl_output_destroy(output.handle);
        }
    }
    if (m_keyboardManager != nullptr) {
        zwp_virtual_keyboard_manager_v1_destroy(m_keyboardManager);
    }
    if (m_pointerManager != nullptr) {
        zwlr_virtual_pointer_manager_v1_destroy(m_pointerManager);
    }
    if (m_screencopy != nullptr) {
        zwlr_screencopy_manager_v1_destroy(m_screencopy);
    }
    if (m_seat != nullptr) {
        wl_seat_destroy(m_seat);
    }
    if (m_shm != nullptr) {
        wl_shm_destroy(m_shm);
    }
    if (m_registry != nullptr) {
        wl_registry_destroy(m_registry);
    }
    if (m_display != nullptr) {
        wl_display_disconnect(m_display);
    }
}

bool WlrootsConnection::flush() {
    return wl_display_flush(m_display) >= 0 || errno == EAGAIN;
}

bool WlrootsConnection::dispatch(int timeoutMs) {
    while (wl_display_prepare_read(m_display) != 0) {
        if (wl_display_dispatch_pending(m_display) < 0) {
            return false;
        }
    }
    if (!flush()) {
        wl_display_cancel_read(m_display);
        return false;
    }
    pollfd socket{wl_display_get_fd(m_display), POLLIN, 0};
    const int ready = poll(&socket, 1, timeoutMs);
    if (ready <= 0) {
        wl_display_cancel_read(m_display);
        return ready == 0 || errno == EINTR;
    }
    if (wl_display_read_events(m_display) < 0) {
        return false;
    }
    return wl_display_dispatch_pending(m_display) >= 0;
}

} // namespace nimbral::platform
