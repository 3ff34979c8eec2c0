// The relay's byte stream as both ends read it: the client cuts it into frames, the relay node
// follows frame boundaries to rejoin peers cleanly. The two must agree on every stream, and the
// join frame's JSON must parse safely.

#include "fuzz_support.h"
#include "network/relay_frame_reader.h"
#include "relay_frame_cursor.h"
#include "relay_node.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    nimbral::fuzz::quietLogs();
    if (size < 1) {
        return 0;
    }
    // The first byte says in what pieces the stream arrives.
    const std::size_t piece = 1 + data[0] % 97;
    const auto* stream = reinterpret_cast<const char*>(data + 1);
    const std::size_t length = size - 1;

    nimbral::RelayFrameReader reader;
    nimbral::server::RelayFrameCursor cursor;
    QString error;
    std::size_t frames = 0;
    std::size_t boundaries = 0;
    bool cursorRefused = false;
    for (std::size_t at = 0; at < length && error.isEmpty(); at += piece) {
        const std::size_t count = std::min(piece, length - at);
        reader.append(QByteArray(stream + at, static_cast<qsizetype>(count)));
        while (const auto frame = reader.next(&error)) {
            NIMBRAL_FUZZ_CHECK(frame->payload.size() <= nimbral::RelayFrameReader::kMaxPayload);
            ++frames;
        }
        for (std::size_t offset = 0; offset < count && !cursorRefused;) {
            const qint64 taken =
                cursor.advance(stream + at + offset, static_cast<qint64>(count - offset), true);
            if (taken < 0) {
                cursorRefused = true;
                break;
            }
            NIMBRAL_FUZZ_CHECK(taken > 0);
            offset += static_cast<std::size_t>(taken);
            if (cursor.atBoundary()) {
                ++boundaries;
            }
        }
    }
    NIMBRAL_FUZZ_CHECK(cursorRefused == !error.isEmpty());
    NIMBRAL_FUZZ_CHECK(frames == boundaries);
    NIMBRAL_FUZZ_CHECK(error.isEmpty() || reader.bufferedBytes() == 0);

    // The same bytes as a join frame's payload.
    const auto join =
        nimbral::server::RelayNode::parseJoin(QByteArray(stream, static_cast<qsizetype>(length)));
    (void)join;
    return 0;
}
