// The far peer of the two-process tests: answers the offer read from stdin, writes its answer and
// candidates to stdout, and sends every message it receives back on the channel it came in on.
// One line per signaling step: "D <type> <sdp>" (line breaks as '|') or "C <mid> <candidate>".
// With --sink it only counts the bytes it receives and answers any text with that count, which
// lets a benchmark measure one direction.
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

int main(int argc, char** argv) {
    const bool sink = argc > 1 && std::string(argv[1]) == "--sink";
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
        auto received = std::make_shared<std::size_t>(0); // callbacks run on one thread
        channel->onMessage(
            [weak, sink, received](rtc::binary data) {
                *received += data.size();
                if (auto self = weak.lock(); self && !sink) {
                    self->send(data);
                }
            },
            [weak, sink, received](std::string text) {
                if (auto self = weak.lock()) {
                    self->send(sink ? std::to_string(*received) : text);
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
