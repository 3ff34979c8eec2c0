#pragma once

// Signaling as text lines, for peers in other processes: "D <type> <sdp>" with the SDP's line
// breaks written as '|', and "C <mid> <candidate>".

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>

#include "rtc/rtc.h"

namespace rtc_test {

inline std::string packLines(const std::string& sdp) {
    std::string out;
    for (char c : sdp) {
        if (c != '\r') {
            out += c == '\n' ? '|' : c;
        }
    }
    return out;
}

inline std::string unpackLines(const std::string& packed) {
    std::string out;
    for (char c : packed) {
        if (c == '|') {
            out += "\r\n";
        } else {
            out += c;
        }
    }
    return out;
}

inline std::string descriptionLine(const rtc::Description& description) {
    return "D " + description.typeString() + " " + packLines(description);
}

inline std::string candidateLine(const rtc::Candidate& candidate) {
    return "C " + candidate.mid() + " " + candidate.candidate();
}

// Applies one line to a peer; anything else is ignored.
inline void applyLine(rtc::PeerConnection& peer, const std::string& line) {
    const auto space = line.find(' ', 2);
    if (line.size() < 3 || space == std::string::npos) {
        return;
    }
    if (line.rfind("D ", 0) == 0) {
        peer.setRemoteDescription(
            rtc::Description(unpackLines(line.substr(space + 1)), line.substr(2, space - 2)));
    } else if (line.rfind("C ", 0) == 0) {
        peer.addRemoteCandidate(rtc::Candidate(line.substr(space + 1), line.substr(2, space - 2)));
    }
}

// Lines arriving on another thread, handed to the test thread in order.
class LineQueue {
public:
    void push(std::string line) {
        const std::lock_guard lock(m_mutex);
        m_lines.push_back(std::move(line));
        m_ready.notify_all();
    }
    bool pumpUntil(const std::function<void(const std::string&)>& deliver,
                   const std::function<bool()>& done, std::chrono::milliseconds timeout) {
        using namespace std::chrono_literals;
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (!done()) {
            std::string line;
            {
                std::unique_lock lock(m_mutex);
                if (!m_ready.wait_for(lock, 10ms, [this] { return !m_lines.empty(); })) {
                    if (std::chrono::steady_clock::now() >= deadline) {
                        return done();
                    }
                    continue;
                }
                line = std::move(m_lines.front());
                m_lines.pop_front();
            }
            deliver(line);
        }
        return true;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_ready;
    std::deque<std::string> m_lines;
};

} // namespace rtc_test
