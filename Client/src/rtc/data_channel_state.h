#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "rtc/rtc.h"

namespace rtc {

// One data channel's shared state; the public DataChannel is a handle to it.
struct DataChannelState : std::enable_shared_from_this<DataChannelState> {
    enum class Phase { Connecting, Open, Closed };

    std::weak_ptr<PeerConnectionState> connection;
    std::string label;
    std::string protocol;
    Reliability reliability;
    std::optional<std::uint16_t> streamId;

    mutable std::mutex mutex;
    Phase phase = Phase::Connecting;
    bool outgoingReset = false;
    std::function<void()> onOpen;
    std::function<void()> onClosed;
    std::function<void(message_variant)> onMessage;
    // Bytes accepted by send() and still waiting for the association.
    std::atomic<std::size_t> buffered{0};
    std::size_t maxMessageSize = 65536;

    void open();
    void closed();
    void deliver(message_variant&& message);
};

} // namespace rtc
