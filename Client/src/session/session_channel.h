#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "capture/captured_frame.h"

namespace nimbral {

// The first plaintext byte of a control-channel message says what follows.
enum class ControlTag : std::uint8_t {
    InputEvent = 0x01,
    KeyFrameRequest = 0x02,
    SessionCommand = 0x03,
    Clipboard = 0x04,
    FileTransfer = 0x05,
    Chat = 0x06,
};

// A key-frame request whose payload is this one byte, sent once when a Master's video starts: it
// asks for a key frame whenever it lost one, so the Target needs no periodic safety key frames.
// A Target that reads no payload takes it as a plain request and sends one extra key frame.
inline constexpr std::uint8_t kAsksForKeyFramesWhenLost = 0x01;

inline constexpr std::string_view kDisconnectCommand = "disconnect";
inline constexpr std::string_view kSwitchMonitorPrefix = "switch_monitor:";
// The Target's own commands to its Master: the monitors it has, as a JSON array of
// {"name", "width", "height", "primary", "shared"} in index order ("shared": the one it sends),
// a monitor it could not switch to, and that its screen cannot be read at all (a desktop nothing
// here can share), so the Master says so instead of showing black.
// A Master that does not know them logs and ignores them.
inline constexpr std::string_view kMonitorsPrefix = "monitors:";
inline constexpr std::string_view kSwitchFailedPrefix = "switch_monitor_failed:";
inline constexpr std::string_view kScreenUnavailableCommand = "screen_unavailable";
inline constexpr std::size_t kMaxAnnouncedMonitors = 16;
inline constexpr std::size_t kMaxMonitorNameBytes = 64;
inline constexpr std::size_t kMaxMonitorsCommandBytes = 4096;
// The close reasons of a session the partner ended with "disconnect", and of one whose link
// went down.
inline constexpr char kPartnerEndedReason[] = "remote_disconnect";
inline constexpr char kLinkLostReason[] = "remote_transport_closed";

// Tag byte followed by the payload.
std::vector<std::uint8_t> controlMessage(ControlTag tag, const std::uint8_t* payload,
                                         std::size_t length);
inline std::vector<std::uint8_t> controlMessage(ControlTag tag,
                                                const std::vector<std::uint8_t>& payload) {
    return controlMessage(tag, payload.data(), payload.size());
}

// A session command (tag 0x03) with its text.
inline std::vector<std::uint8_t> commandMessage(std::string_view text) {
    return controlMessage(ControlTag::SessionCommand,
                          reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
}

// "switch_monitor:<index>" in decimal, as the Master sends it.
std::vector<std::uint8_t> switchMonitorCommand(int monitorIndex);

// The monitor of a "switch_monitor:" command, read after the prefix the way strtol reads base
// 10 (leading blanks and a sign allowed, trailing characters ignored); negative counts as 0.
// Empty when the text lacks the prefix, has no number there, or the number does not fit in 32
// bits signed.
std::optional<std::uint32_t> parseSwitchMonitor(std::string_view command);

// "switch_monitor_failed:<index>", and its number read as above.
std::vector<std::uint8_t> switchFailedCommand(std::uint32_t monitorIndex);
std::optional<std::uint32_t> parseSwitchFailed(std::string_view command);

// "monitors:[...]" for at most kMaxAnnouncedMonitors monitors (names cut to
// kMaxMonitorNameBytes), and its list back: empty for anything but an array of at most that
// many objects with a string name and sizes from 1 to 65535 (index = position in the array).
struct AnnouncedMonitors {
    std::vector<MonitorInfo> monitors;
    std::uint32_t shared = 0; // index of the monitor being sent (the first if none says so)
};
std::vector<std::uint8_t> monitorsCommand(const std::vector<MonitorInfo>& monitors,
                                          std::uint32_t shared);
std::optional<AnnouncedMonitors> parseMonitors(std::string_view command);

} // namespace nimbral
