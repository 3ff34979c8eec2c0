#include "rtc/sdp.h"

#include <charconv>
#include <sstream>

namespace rtc::detail {

std::string buildSdp(std::uint64_t sessionId, const SessionDescription& local) {
    std::ostringstream s;
    s << "v=0\r\n"
      << "o=- " << sessionId << " 1 IN IP4 127.0.0.1\r\n"
      << "s=-\r\n"
      << "t=0 0\r\n"
      << "a=group:BUNDLE " << local.mid << "\r\n"
      << "a=msid-semantic:WMS *\r\n"
      << "m=application 9 UDP/DTLS/SCTP webrtc-datachannel\r\n"
      << "c=IN IP4 0.0.0.0\r\n"
      << "a=mid:" << local.mid << "\r\n"
      << "a=ice-ufrag:" << local.iceUfrag << "\r\n"
      << "a=ice-pwd:" << local.icePwd << "\r\n"
      << "a=ice-options:trickle\r\n"
      << "a=fingerprint:" << local.fingerprintAlgorithm << " " << local.fingerprint << "\r\n"
      << "a=setup:" << local.setup << "\r\n"
      << "a=sctp-port:" << local.sctpPort << "\r\n"
      << "a=max-message-size:" << local.maxMessageSize << "\r\n";
    for (const std::string& candidate : local.candidates) {
        s << "a=" << candidate << "\r\n";
    }
    return s.str();
}

std::optional<SessionDescription> parseSdp(const std::string& sdp) {
    SessionDescription remote;
    std::istringstream in(sdp);
    std::string line;
    bool inApplication = false;
    const auto startsWith = [&line](const char* prefix) {
        return line.rfind(prefix, 0) == 0;
    };
    const auto value = [&line](const char* prefix) {
        return line.substr(std::char_traits<char>::length(prefix));
    };
    const auto number = [](const std::string& text, auto& out) {
        const auto result = std::from_chars(text.data(), text.data() + text.size(), out);
        return result.ec == std::errc();
    };
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (startsWith("m=")) {
            inApplication = startsWith("m=application");
        } else if (startsWith("a=ice-ufrag:")) {
            remote.iceUfrag = value("a=ice-ufrag:");
        } else if (startsWith("a=ice-pwd:")) {
            remote.icePwd = value("a=ice-pwd:");
        } else if (startsWith("a=fingerprint:")) {
            const std::string text = value("a=fingerprint:");
            const auto space = text.find(' ');
            if (space != std::string::npos) {
                remote.fingerprintAlgorithm = text.substr(0, space);
                remote.fingerprint = text.substr(space + 1);
            }
        } else if (startsWith("a=setup:")) {
            remote.setup = value("a=setup:");
        } else if (startsWith("a=mid:") && inApplication) {
            remote.mid = value("a=mid:");
        } else if (startsWith("a=sctp-port:")) {
            std::uint16_t port = 0;
            if (number(value("a=sctp-port:"), port)) {
                remote.sctpPort = port;
            }
        } else if (startsWith("a=max-message-size:")) {
            std::size_t size = 0;
            if (number(value("a=max-message-size:"), size)) {
                remote.maxMessageSize = size;
            }
        } else if (startsWith("a=candidate:")) {
            remote.candidates.push_back(value("a="));
        } else if (line == "a=end-of-candidates") {
            remote.endOfCandidates = true;
        }
    }
    if (remote.iceUfrag.empty() || remote.icePwd.empty() || remote.fingerprint.empty()) {
        return std::nullopt;
    }
    return remote;
}

} // namespace rtc::detail
