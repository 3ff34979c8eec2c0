// The far peer of the two-process tests: answers the offer read from stdin, writes its answer and
// candidates to stdout, and sends every message it receives back on the channel it came in on.
// One line per signaling step: "D <type> <sdp>" (line breaks as '|') or "C <mid> <candidate>".
#include "rtc/rtc.h"

#include <csignal>
#include <cstdio>
#include <iostream>
#include <mutex>
#include <string>
#include <vector>

namespace {

std::mutex g_outputMutex;

void writeLine(const std::string& line) {
    const std::lock_guard lock(g_outputMutex);
    std::cout << line << '\n' << std::flush;
}

std::string joinLines(std::string sdp) {
    std::string out;
    for (char c : sdp) {
        if (c == '\r') {
            continue;
        }
        out += c == '\n' ? '|' : c;
    }
    return out;
}

std::string splitLines(const std::string& packed) {
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

} // namespace

int main() {
    std::signal(SIGPIPE, SIG_IGN);
    rtc::Configuration config;
    config.bindAddress = "127.0.0.1";
    rtc::PeerConnection peer(config);
    std::mutex channelsMutex;
    std::vector<std::shared_ptr<rtc::DataChannel>> channels;

    peer.onLocalDescription([](rtc::Description description) {
        writeLine("D " + description.typeString() + " " + joinLines(description));
    });
    peer.onLocalCandidate([](rtc::Candidate candidate) {
        writeLine("C " + candidate.mid() + " " + candidate.candidate());
    });
    peer.onDataChannel([&](std::shared_ptr<rtc::DataChannel> channel) {
        std::weak_ptr<rtc::DataChannel> weak = channel;
        channel->onMessage(
            [weak](rtc::binary data) {
                if (auto self = weak.lock()) {
                    self->send(data);
                }
            },
            [weak](std::string text) {
                if (auto self = weak.lock()) {
                    self->send(text);
                }
            });
        const std::lock_guard lock(channelsMutex);
        channels.push_back(std::move(channel));
    });

    std::string line;
    while (std::getline(std::cin, line)) {
        if (line.rfind("D ", 0) == 0) {
            const auto space = line.find(' ', 2);
            if (space == std::string::npos) {
                continue;
            }
            peer.setRemoteDescription(
                rtc::Description(splitLines(line.substr(space + 1)), line.substr(2, space - 2)));
        } else if (line.rfind("C ", 0) == 0) {
            const auto space = line.find(' ', 2);
            if (space == std::string::npos) {
                continue;
            }
            peer.addRemoteCandidate(
                rtc::Candidate(line.substr(space + 1), line.substr(2, space - 2)));
        }
    }
    peer.close();
    return 0;
}
