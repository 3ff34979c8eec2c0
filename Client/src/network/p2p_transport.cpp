#include "network/p2p_transport.h"

#include <QMetaObject>

#include <spdlog/spdlog.h>

#include "rtc/rtc.h"

namespace nimbral {

P2PTransport::P2PTransport(QObject* parent)
    : P2PTransport(P2PSettings{}, parent) {
}

P2PTransport::P2PTransport(P2PSettings settings, QObject* parent)
    : ITransport(parent)
    , m_settings(std::move(settings)) {
    qRegisterMetaType<nimbral::ChannelType>();
    spdlog::info("P2PTransport: created (libdatachannel)");
}

P2PTransport::~P2PTransport() {
    {
        const std::lock_guard lock(m_mutex);
        m_shuttingDown = true;
    }
    disconnect();
}

void P2PTransport::createPeerConnection() {
    rtc::Configuration config;
    for (const std::string& url : m_settings.stunUrls) {
        config.iceServers.emplace_back(url);
    }
    if (!m_settings.turnPassword.empty()) {
        config.iceServers.emplace_back(m_settings.turnHost, m_settings.turnPort,
                                       m_settings.turnUser, m_settings.turnPassword,
                                       rtc::IceServer::RelayType::TurnTls);
    }
    config.bindAddress = m_settings.bindAddress;
    auto peer = std::make_shared<rtc::PeerConnection>(config);
    std::uint64_t link = 0;
    {
        const std::lock_guard lock(m_mutex);
        link = ++m_link;
    }

    // The callbacks run on the rtc thread: they log and post; the transport as the context of
    // each post means a post to a destroyed transport is dropped.
    peer->onStateChange([this, link](rtc::PeerConnection::State state) {
        spdlog::info("P2PTransport: PeerConnection state -> {}", static_cast<int>(state));
        // Disconnected is final in our rtc layer: the SCTP association has ended.
        if (state == rtc::PeerConnection::State::Failed ||
            state == rtc::PeerConnection::State::Disconnected ||
            state == rtc::PeerConnection::State::Closed) {
            QMetaObject::invokeMethod(
                this, [this, link] { onLinkLost(link); }, Qt::QueuedConnection);
        }
    });
    peer->onGatheringStateChange([](rtc::PeerConnection::GatheringState state) {
        spdlog::info("P2PTransport: ICE gathering state -> {}", static_cast<int>(state));
    });
    peer->onLocalDescription([this](rtc::Description description) {
        const QString type = QString::fromStdString(description.typeString());
        spdlog::info("P2PTransport: local description ready (type={})", type.toStdString());
        const QString sdp = QString::fromStdString(std::string(description));
        QMetaObject::invokeMethod(
            this,
            [this, sdp, type] {
                if (!shuttingDown()) {
                    emit localDescriptionReady(sdp, type);
                }
            },
            Qt::QueuedConnection);
    });
    peer->onLocalCandidate([this](rtc::Candidate candidate) {
        spdlog::debug("P2PTransport: local ICE candidate: {}", candidate.candidate());
        const QString text = QString::fromStdString(candidate.candidate());
        const QString mid = QString::fromStdString(candidate.mid());
        QMetaObject::invokeMethod(
            this,
            [this, text, mid] {
                if (!shuttingDown()) {
                    emit localCandidateReady(text, mid);
                }
            },
            Qt::QueuedConnection);
    });
    const std::lock_guard lock(m_mutex);
    m_peer = std::move(peer);
}

std::uint64_t P2PTransport::currentLink() const {
    const std::lock_guard lock(m_mutex);
    return m_link;
}

void P2PTransport::attachChannel(const std::shared_ptr<rtc::DataChannel>& channel, ChannelType type,
                                 const char* role, std::uint64_t link) {
    const char* name = type == ChannelType::Control ? "control" : "video";
    const std::string suffix = role[0] != '\0' ? std::string(" (") + role + ")" : std::string();
    channel->onOpen([this, type, name, suffix, link] {
        spdlog::info("P2PTransport: '{}' data channel open{}", name, suffix);
        QMetaObject::invokeMethod(
            this, [this, type, link] { onChannelOpen(type, link); }, Qt::QueuedConnection);
    });
    channel->onClosed([this, type, name, link] {
        spdlog::info("P2PTransport: '{}' data channel closed", name);
        // The peer closes its channels when it ends the session; without the control channel
        // the link is of no use, and waiting for ICE consent to fail would take ~10 s.
        if (type == ChannelType::Control) {
            QMetaObject::invokeMethod(
                this, [this, link] { onLinkLost(link); }, Qt::QueuedConnection);
        }
    });
    const std::string roleText = role[0] != '\0' ? role : "offerer";
    channel->onMessage(
        [this, type, roleText, link](rtc::binary data) {
            if (type == ChannelType::Control) {
                spdlog::info("P2PTransport: control channel received {} bytes ({})", data.size(),
                             roleText);
            }
            QByteArray bytes(reinterpret_cast<const char*>(data.data()),
                             static_cast<qsizetype>(data.size()));
            QMetaObject::invokeMethod(
                this,
                [this, type, bytes, link] {
                    if (!shuttingDown() && currentLink() == link) {
                        emit dataReceived(type, bytes);
                    }
                },
                Qt::QueuedConnection);
        },
        [](std::string) {}); // text messages are not ours
}

void P2PTransport::startAsOfferer() {
    spdlog::info("P2PTransport: starting as offerer");
    {
        const std::lock_guard lock(m_mutex);
        m_offerer = true;
    }
    createPeerConnection();
    std::shared_ptr<rtc::PeerConnection> peer;
    {
        const std::lock_guard lock(m_mutex);
        peer = m_peer;
    }
    auto control = peer->createDataChannel("control");
    rtc::DataChannelInit videoInit;
    videoInit.reliability.unordered = true;
    videoInit.reliability.maxRetransmits = 0;
    auto video = peer->createDataChannel("video", videoInit);
    const std::uint64_t link = currentLink();
    attachChannel(control, ChannelType::Control, "", link);
    attachChannel(video, ChannelType::Video, "", link);
    const std::lock_guard lock(m_mutex);
    m_control = std::move(control);
    m_video = std::move(video);
}

void P2PTransport::startAsAnswerer() {
    spdlog::info("P2PTransport: starting as answerer");
    {
        const std::lock_guard lock(m_mutex);
        m_offerer = false;
    }
    createPeerConnection();
    std::shared_ptr<rtc::PeerConnection> peer;
    {
        const std::lock_guard lock(m_mutex);
        peer = m_peer;
    }
    peer->onDataChannel([this, link = currentLink()](std::shared_ptr<rtc::DataChannel> channel) {
        const std::string label = channel->label();
        spdlog::info("P2PTransport: incoming data channel: {}", label);
        if (label == "control") {
            attachChannel(channel, ChannelType::Control, "answerer", link);
            const std::lock_guard lock(m_mutex);
            m_control = channel;
        } else if (label == "video") {
            attachChannel(channel, ChannelType::Video, "answerer", link);
            const std::lock_guard lock(m_mutex);
            m_video = channel;
        }
    });
}

bool P2PTransport::connect(const std::string&, quint16) {
    startAsOfferer();
    return true;
}

void P2PTransport::setRemoteDescription(const std::string& sdp, const std::string& type) {
    std::shared_ptr<rtc::PeerConnection> peer;
    {
        const std::lock_guard lock(m_mutex);
        peer = m_peer;
    }
    if (!peer) {
        spdlog::warn("P2PTransport: setRemoteDescription called with no PeerConnection");
        return;
    }
    spdlog::info("P2PTransport: setting remote description (type={})", type);
    try {
        peer->setRemoteDescription(rtc::Description(sdp, type));
    } catch (const std::exception& error) {
        spdlog::warn("P2PTransport: remote description refused: {}", error.what());
    }
}

void P2PTransport::addRemoteCandidate(const std::string& candidate, const std::string& mid) {
    std::shared_ptr<rtc::PeerConnection> peer;
    {
        const std::lock_guard lock(m_mutex);
        peer = m_peer;
    }
    if (!peer) {
        spdlog::warn("P2PTransport: addRemoteCandidate called with no PeerConnection");
        return;
    }
    spdlog::debug("P2PTransport: adding remote ICE candidate");
    peer->addRemoteCandidate(rtc::Candidate(candidate, mid));
}

void P2PTransport::disconnect() {
    std::shared_ptr<rtc::DataChannel> control;
    std::shared_ptr<rtc::DataChannel> video;
    std::shared_ptr<rtc::PeerConnection> peer;
    {
        const std::lock_guard lock(m_mutex);
        control = std::move(m_control);
        video = std::move(m_video);
        peer = std::move(m_peer);
        ++m_link; // whatever the old link still has queued is about a dead link
        m_connected = false;
        m_controlOpen = false;
        m_videoOpen = false;
    }
    // Outside the mutex: closing waits for the rtc thread, whose callbacks may want it.
    if (control) {
        control->close();
    }
    if (video) {
        video->close();
    }
    if (peer) {
        peer->close();
    }
}

bool P2PTransport::shuttingDown() const {
    // Checked under the mutex, emitted outside it: a receiver may call straight back in.
    const std::lock_guard lock(m_mutex);
    return m_shuttingDown;
}

bool P2PTransport::isConnected() const {
    const std::lock_guard lock(m_mutex);
    return m_connected;
}

bool P2PTransport::send(ChannelType channel, const std::uint8_t* data, std::size_t length) {
    const std::lock_guard lock(m_mutex);
    const std::shared_ptr<rtc::DataChannel>& target =
        channel == ChannelType::Control ? m_control : m_video;
    if (!target || !target->isOpen()) {
        return false;
    }
    try {
        const auto* begin = reinterpret_cast<const std::byte*>(data);
        target->send(rtc::binary(begin, begin + length));
        return true;
    } catch (const std::exception& error) {
        spdlog::warn("P2PTransport::send failed: {}", error.what());
        return false;
    }
}

std::size_t P2PTransport::pendingBytes(ChannelType channel) const {
    const std::lock_guard lock(m_mutex);
    const std::shared_ptr<rtc::DataChannel>& target =
        channel == ChannelType::Control ? m_control : m_video;
    return target ? target->bufferedAmount() : 0;
}

std::optional<double> P2PTransport::roundTripMs() const {
    std::shared_ptr<rtc::PeerConnection> peer;
    {
        const std::lock_guard lock(m_mutex);
        peer = m_peer;
    }
    if (!peer) {
        return std::nullopt;
    }
    const auto rtt = peer->rtt();
    if (!rtt) {
        return std::nullopt;
    }
    return static_cast<double>(rtt->count());
}

void P2PTransport::onChannelOpen(ChannelType type, std::uint64_t link) {
    bool nowConnected = false;
    {
        const std::lock_guard lock(m_mutex);
        if (m_shuttingDown || link != m_link) {
            return;
        }
        (type == ChannelType::Control ? m_controlOpen : m_videoOpen) = true;
        if (m_controlOpen && m_videoOpen && !m_connected) {
            m_connected = true;
            nowConnected = true;
        }
    }
    if (nowConnected) {
        spdlog::info("P2PTransport: both data channels open — P2P connected!");
        emit connected();
    }
}

void P2PTransport::onLinkLost(std::uint64_t link) {
    bool wasConnected = false;
    {
        const std::lock_guard lock(m_mutex);
        if (m_shuttingDown || link != m_link) {
            return;
        }
        wasConnected = m_connected;
        m_connected = false;
    }
    if (wasConnected) {
        emit disconnected();
    }
}

} // namespace nimbral
