#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

#include "session/file_transfer_service.h"

namespace nimbral::test {

using Bytes = std::vector<std::uint8_t>;

// One session's pair of services, with a link the test can cut or tamper with. Both folders
// outlive the pair, so a second session finds what the first left.
class Link {
public:
    Link()
        : master(FileTransferRole::Requester, [this](const Bytes& m) { carry(m, true); })
        , target(FileTransferRole::Server, [this](const Bytes& m) { carry(m, false); }) {}

    void greet() {
        master.announceCapabilities();
        target.announceCapabilities();
    }

    int count(bool toTarget, std::uint8_t type) const {
        const auto& list = toTarget ? sentToTarget : sentToMaster;
        return static_cast<int>(std::count_if(
            list.begin(), list.end(), [&](const Bytes& m) { return !m.empty() && m[0] == type; }));
    }
    const Bytes* first(bool toTarget, std::uint8_t type) const {
        for (const Bytes& m : toTarget ? sentToTarget : sentToMaster) {
            if (!m.empty() && m[0] == type) {
                return &m;
            }
        }
        return nullptr;
    }

    std::vector<Bytes> sentToTarget;
    std::vector<Bytes> sentToMaster;
    // Messages of this sub-type are delivered only this many times more (the link breaks).
    std::optional<std::pair<std::uint8_t, int>> cutAfter;
    bool cut = false;
    std::function<void(Bytes&)> tamper;
    std::optional<std::uint8_t> dropType; // messages of this sub-type are lost
    FileTransferService master;
    FileTransferService target;

private:
    void carry(Bytes message, bool toTarget) {
        if (cut) {
            return;
        }
        if (cutAfter && !message.empty() && message[0] == cutAfter->first &&
            cutAfter->second-- <= 0) {
            cut = true;
            return;
        }
        if (dropType && !message.empty() && message[0] == *dropType) {
            return;
        }
        if (tamper) {
            tamper(message);
        }
        (toTarget ? sentToTarget : sentToMaster).push_back(message);
        (toTarget ? target : master).handleMessage(message);
    }
};

} // namespace nimbral::test
