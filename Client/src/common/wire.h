#pragma once

#include <bit>
#include <concepts>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

// The one way the session's messages are written and read: fixed-size fields little-endian,
// every read checked against the end of the message, no exceptions. A failed read returns
// false and leaves the position where it was, so a parser gives up with a clear reason and the
// peer's bytes never decide how far anything reads.
namespace nimbral::wire {

template <typename T>
concept Field = std::integral<T> || std::same_as<T, double>;
template <typename T, std::size_t Bytes>
concept Unsigned = std::unsigned_integral<T> && sizeof(T) == Bytes;

// The wire is little-endian; so is every machine we build for, which the check keeps true.
static_assert(std::endian::native == std::endian::little);

class Reader {
public:
    Reader(const void* data, std::size_t size)
        : m_data(static_cast<const std::uint8_t*>(data))
        , m_size(data == nullptr ? 0 : size) {}

    std::size_t remaining() const { return m_size - m_pos; }
    const std::uint8_t* current() const { return m_data + m_pos; }

    template <Field T> bool read(T& value) {
        if (remaining() < sizeof(T)) {
            return false;
        }
        std::memcpy(&value, m_data + m_pos, sizeof(T));
        m_pos += sizeof(T);
        return true;
    }
    // By width, for any unsigned type of it (quint64 and std::uint64_t differ on Linux).
    template <Unsigned<1> T> bool u8(T& value) { return read(value); }
    template <Unsigned<2> T> bool u16(T& value) { return read(value); }
    template <Unsigned<4> T> bool u32(T& value) { return read(value); }
    template <Unsigned<8> T> bool u64(T& value) { return read(value); }

    // The next `count` bytes, in place.
    bool bytes(std::size_t count, std::span<const std::uint8_t>& out) {
        if (remaining() < count) {
            return false;
        }
        out = {m_data + m_pos, count};
        m_pos += count;
        return true;
    }
    // A u32 length and that many bytes; a short body leaves the position before the length.
    bool lengthPrefixed(std::span<const std::uint8_t>& out) {
        const std::size_t start = m_pos;
        std::uint32_t length = 0;
        if (!u32(length) || !bytes(length, out)) {
            m_pos = start;
            return false;
        }
        return true;
    }

private:
    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_pos = 0;
};

// Appends to any byte container: std::vector<std::uint8_t>, std::string, QByteArray.
template <typename Bytes> void putBytes(Bytes& out, const void* data, std::size_t size) {
    const auto* first = static_cast<const char*>(data);
    if constexpr (requires { out.append(first, size); }) {
        out.append(first, static_cast<decltype(out.size())>(size));
    } else {
        const std::size_t at = out.size();
        out.resize(at + size);
        std::memcpy(out.data() + at, first, size);
    }
}

template <Field T, typename Bytes> void put(Bytes& out, T value) {
    char bytes[sizeof(T)];
    std::memcpy(bytes, &value, sizeof(T));
    putBytes(out, bytes, sizeof(T));
}

} // namespace nimbral::wire
