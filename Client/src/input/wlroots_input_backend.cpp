#include "input/wlroots_input_backend.h"

#include <spdlog/spdlog.h>
#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>
#include <xkbcommon/xkbcommon.h>

#include <chrono>
#include <cstring>

#include "input/windows_keys.h"
#include "platform/wlroots_connection.h"
#include "virtual-keyboard-unstable-v1-client-protocol.h"
#include "wlr-virtual-pointer-unstable-v1-client-protocol.h"

namespace nimbral {

namespace {

// X keycodes are evdev codes offset by 8.
constexpr std::uint32_t kXkbKeycodeOffset = 8;
constexpr std::uint32_t kAbsoluteSpan = 65536;

std::uint32_t milliseconds() {
    return static_cast<std::uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                          std::chrono::steady_clock::now().time_since_epoch())
                                          .count());
}

// The keymap text in a sealed memory file, as the protocol wants it (with its final NUL).
int keymapFile(const char* text, std::size_t size) {
    const int fd = memfd_create("nimbral-keymap", MFD_CLOEXEC);
    if (fd < 0) {
        return -1;
    }
    if (write(fd, text, size) != static_cast<ssize_t>(size)) {
        close(fd);
        return -1;
    }
    return fd;
}

} // namespace

void WlrootsInputBackend::KeymapDeleter::operator()(xkb_keymap* keymap) const {
    xkb_keymap_unref(keymap);
}
void WlrootsInputBackend::KeymapDeleter::operator()(xkb_context* context) const {
    xkb_context_unref(context);
}

WlrootsInputBackend::WlrootsInputBackend() = default;

WlrootsInputBackend::~WlrootsInputBackend() {
    shutdown();
}

bool WlrootsInputBackend::initialize() {
    shutdown();
    std::string why;
    m_connection = platform::WlrootsConnection::open(&why);
    if (!m_connection) {
        spdlog::error("WlrootsInputBackend: {}", why);
        return false;
    }
    if (m_connection->seat() == nullptr || m_connection->pointerManager() == nullptr ||
        m_connection->keyboardManager() == nullptr) {
        spdlog::error("WlrootsInputBackend: the compositor offers no virtual pointer and keyboard "
                      "(wlr-virtual-pointer, virtual-keyboard)");
        m_connection.reset();
        return false;
    }
    if (!createKeyboard() || !createPointer()) {
        shutdown();
        return false;
    }
    m_wheelRemainder = 0;
    m_initialized = true;
    spdlog::info("WlrootsInputBackend: initialized");
    return true;
}

void WlrootsInputBackend::shutdown() {
    if (m_connection) {
        // Nothing stays held down on the desktop after the session.
        for (const std::uint32_t key : std::set(m_heldKeys)) {
            pressKey(key, false);
        }
        for (const std::uint32_t button : std::set(m_heldButtons)) {
            pressButton(button, false);
        }
    }
    if (m_pointer != nullptr) {
        zwlr_virtual_pointer_v1_destroy(m_pointer);
        m_pointer = nullptr;
    }
    if (m_keyboard != nullptr) {
        zwp_virtual_keyboard_v1_destroy(m_keyboard);
        m_keyboard = nullptr;
    }
    if (m_connection) {
        m_connection->flush();
        m_connection.reset();
        spdlog::info("WlrootsInputBackend: shut down");
    }
    m_keymap.reset();
    m_xkb.reset();
    m_heldKeys.clear();
    m_heldButtons.clear();
    m_initialized = false;
}

bool WlrootsInputBackend::createKeyboard() {
    m_xkb.reset(xkb_context_new(XKB_CONTEXT_NO_FLAGS));
    // No names: libxkbcommon takes this user's XKB_DEFAULT_* settings, else its defaults.
    if (m_xkb) {
        m_keymap.reset(
            xkb_keymap_new_from_names(m_xkb.get(), nullptr, XKB_KEYMAP_COMPILE_NO_FLAGS));
    }
    if (!m_keymap) {
        spdlog::error("WlrootsInputBackend: no keyboard map (is xkb-data installed?)");
        return false;
    }
    char* text = xkb_keymap_get_as_string(m_keymap.get(), XKB_KEYMAP_FORMAT_TEXT_V1);
    const std::size_t size = text != nullptr ? std::strlen(text) + 1 : 0;
    const int fd = text != nullptr ? keymapFile(text, size) : -1;
    std::free(text);
    if (fd < 0) {
        spdlog::error("WlrootsInputBackend: cannot hand the keyboard map over");
        return false;
    }
    m_keyboard = zwp_virtual_keyboard_manager_v1_create_virtual_keyboard(
        m_connection->keyboardManager(), m_connection->seat());
    zwp_virtual_keyboard_v1_keymap(m_keyboard, WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1, fd,
                                   static_cast<std::uint32_t>(size));
    close(fd); // the request holds its own copy
    return sent();
}

// Absolute positions span the output the pointer is tied to; a compositor without that
// (version 1) spans its whole layout, which is the monitor when there is one.
bool WlrootsInputBackend::createPointer() {
    if (m_pointer != nullptr) {
        zwlr_virtual_pointer_v1_destroy(m_pointer);
    }
    const auto& outputs = m_connection->outputs();
    if (m_monitor >= outputs.size()) {
        m_monitor = 0;
    }
    if (m_connection->pointerManagerVersion() >= 2 && !outputs.empty()) {
        m_pointer = zwlr_virtual_pointer_manager_v1_create_virtual_pointer_with_output(
            m_connection->pointerManager(), m_connection->seat(), outputs[m_monitor].handle);
    } else {
        m_pointer = zwlr_virtual_pointer_manager_v1_create_virtual_pointer(
            m_connection->pointerManager(), m_connection->seat());
    }
    return sent();
}

void WlrootsInputBackend::setMonitor(int index) {
    m_monitor = index < 0 ? 0 : static_cast<std::size_t>(index);
    if (m_initialized && !createPointer()) {
        shutdown();
    }
}

// Flushes and reads what the compositor said; false (and the backend lost) once it is gone.
bool WlrootsInputBackend::sent() {
    if (m_connection->dispatch(0)) {
        return true;
    }
    spdlog::error("WlrootsInputBackend: the compositor closed the connection");
    m_initialized = false;
    return false;
}

bool WlrootsInputBackend::pressKey(std::uint32_t evdev, bool press) {
    zwp_virtual_keyboard_v1_key(m_keyboard, milliseconds(), evdev,
                                press ? WL_KEYBOARD_KEY_STATE_PRESSED
                                      : WL_KEYBOARD_KEY_STATE_RELEASED);
    if (press) {
        m_heldKeys.insert(evdev);
    } else {
        m_heldKeys.erase(evdev);
    }
    return sent();
}

bool WlrootsInputBackend::pressButton(std::uint32_t button, bool press) {
    zwlr_virtual_pointer_v1_button(m_pointer, milliseconds(), button,
                                   press ? WL_POINTER_BUTTON_STATE_PRESSED
                                         : WL_POINTER_BUTTON_STATE_RELEASED);
    zwlr_virtual_pointer_v1_frame(m_pointer);
    if (press) {
        m_heldButtons.insert(button);
    } else {
        m_heldButtons.erase(button);
    }
    return sent();
}

// The key whose first level gives `keysym` in this keymap.
std::optional<std::uint32_t> WlrootsInputBackend::evdevForKeysym(std::uint32_t keysym) const {
    const xkb_keycode_t last = xkb_keymap_max_keycode(m_keymap.get());
    for (xkb_keycode_t code = xkb_keymap_min_keycode(m_keymap.get()); code <= last; ++code) {
        const xkb_keysym_t* symbols = nullptr;
        const int count = xkb_keymap_key_get_syms_by_level(m_keymap.get(), code, 0, 0, &symbols);
        if (count == 1 && symbols[0] == keysym && code >= kXkbKeycodeOffset) {
            return code - kXkbKeycodeOffset;
        }
    }
    return std::nullopt;
}

bool WlrootsInputBackend::injectKey(const InputEvent& event) {
    std::optional<std::uint32_t> evdev = evdevFromScanCode(event.scanCode, event.extended);
    if (!evdev) {
        if (const auto keysym = keysymFromVirtualKey(event.keyCode)) {
            evdev = evdevForKeysym(*keysym);
        }
    }
    if (!evdev) {
        spdlog::warn("WlrootsInputBackend: no key for virtual key {} / scan code {}", event.keyCode,
                     event.scanCode);
        return false;
    }
    return pressKey(*evdev, event.type == static_cast<std::uint8_t>(InputEventType::KeyPress));
}

bool WlrootsInputBackend::injectEvent(const InputEvent& event) {
    if (!m_initialized) {
        spdlog::warn("WlrootsInputBackend: injectEvent called before initialization");
        return false;
    }
    if (event.isMouse()) {
        // 0..65535 spans the monitor in steps of 1/65536, as on X11 and GNOME.
        zwlr_virtual_pointer_v1_motion_absolute(
            m_pointer, milliseconds(), static_cast<std::uint32_t>(absoluteCoordinate(event.x)),
            static_cast<std::uint32_t>(absoluteCoordinate(event.y)), kAbsoluteSpan, kAbsoluteSpan);
        zwlr_virtual_pointer_v1_frame(m_pointer);
    }
    switch (static_cast<InputEventType>(event.type)) {
    case InputEventType::MouseMove:
        return sent();
    case InputEventType::MouseButtonPress:
    case InputEventType::MouseButtonRelease: {
        const int button = evdevButton(event.button);
        if (button == 0) {
            spdlog::warn("WlrootsInputBackend: unknown mouse button {}", event.button);
            return false;
        }
        return pressButton(static_cast<std::uint32_t>(button),
                           event.type ==
                               static_cast<std::uint8_t>(InputEventType::MouseButtonPress));
    }
    case InputEventType::MouseWheel: {
        const int total = m_wheelRemainder + event.wheelDelta;
        m_wheelRemainder = total % 120;
        // Away from the user scrolls up, which Wayland counts as negative.
        const int steps = -(total / 120);
        if (steps != 0) {
            zwlr_virtual_pointer_v1_axis_source(m_pointer, WL_POINTER_AXIS_SOURCE_WHEEL);
            zwlr_virtual_pointer_v1_axis_discrete(m_pointer, milliseconds(),
                                                  WL_POINTER_AXIS_VERTICAL_SCROLL,
                                                  wl_fixed_from_int(steps * 15), steps);
            zwlr_virtual_pointer_v1_frame(m_pointer);
        }
        return sent();
    }
    case InputEventType::KeyPress:
    case InputEventType::KeyRelease:
        return injectKey(event);
    default:
        spdlog::warn("WlrootsInputBackend: unknown event type {}", event.type);
        return false;
    }
}

} // namespace nimbral
