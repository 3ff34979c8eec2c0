// The far peer of the two-process tests: answers the offer read from stdin, writes its answer and
// candidates to stdout, and sends every message it receives back on the channel it came in on.
// One line per signaling step: "D <type> <sdp>" (line breaks as '|') or "C <mid> <candidate>".
#include "line_signaling.h"

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

} // namespace

int main() {
    std::signal(SIGPIPE, SIG_IGN);
    rtc::Configuration config;
    config.bindAddress = "127.0.0.1";
    rtc::PeerConnection peer(config);
    std::mutex channelsMutex;
    std::vector<std::shared_ptr<rtc::DataChannel>> channels;

    peer.onLocalDescription(
        [](rtc::Description description) { writeLine(rtc_test::descriptionLine(description)); });
    peer.onLocalCandidate(
        [](rtc::Candidate candidate) { writeLine(rtc_test::candidateLine(candidate)); });
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
        rtc_test::applyLine(peer, line);
    }
    peer.close();
    return 0;
}
