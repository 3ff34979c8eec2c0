#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace rtc::detail {

// What a data-only session description says: one "m=application" section, BUNDLEd under its
// mid, with ICE credentials, the DTLS fingerprint and role, and the SCTP port and message size.
struct SessionDescription {
    std::string mid = "0";
    std::string iceUfrag;
    std::string icePwd;
    std::string fingerprintAlgorithm = "sha-256";
    std::string fingerprint;
    std::string setup; // "actpass", "active" or "passive"
    std::uint16_t sctpPort = 5000;
    // A peer that names none means 65536 (RFC 8841); 0 means no limit.
    std::size_t maxMessageSize = 65536;
    std::vector<std::string> candidates; // "candidate:..." without "a="
    bool endOfCandidates = false;
};

std::string buildSdp(std::uint64_t sessionId, const SessionDescription& local);
// Empty when the text lacks what a connection needs (credentials, fingerprint).
std::optional<SessionDescription> parseSdp(const std::string& sdp);

} // namespace rtc::detail
