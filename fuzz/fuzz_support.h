#pragma once

// What every fuzz program shares: a Qt application of the right kind, quiet logging, a private
// working folder, and a reader over the fuzzer's bytes.

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string_view>
#include <vector>

#include <QCoreApplication>
#include <QDir>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <QtEndian>

#include <spdlog/sinks/null_sink.h>
#include <spdlog/spdlog.h>

namespace nimbral::fuzz {

// Stops the run with a crash report: a property the code promises does not hold.
#define NIMBRAL_FUZZ_CHECK(condition)                                                              \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "check failed: %s (%s:%d)\n", #condition, __FILE__, __LINE__);    \
            std::abort();                                                                          \
        }                                                                                          \
    } while (false)

// Warnings and errors are still formatted (their format strings are part of what is tested),
// but nothing is written.
inline void quietLogs() {
    static bool done = false;
    if (done) {
        return;
    }
    done = true;
    auto logger =
        std::make_shared<spdlog::logger>("fuzz", std::make_shared<spdlog::sinks::null_sink_mt>());
    logger->set_level(spdlog::level::warn);
    spdlog::set_default_logger(logger);
}

// One application for the whole run, created on first use; a GUI one (on the offscreen
// platform) when the code under test touches the clipboard. Also moves the process into a
// folder of its own, so that whatever a fuzzed message makes the code write lands there.
inline void ensureApplication(bool gui = false) {
    // Kept until the process ends and never destroyed: libFuzzer leaves through exit(), where
    // tearing Qt down under its own feet would crash.
    static QCoreApplication* app = nullptr;
    if (app != nullptr) {
        return;
    }
    quietLogs();
    static int argc = 1;
    static char name[] = "nimbral-fuzz";
    static char* argv[] = {name, nullptr};
    if (gui) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        app = new QGuiApplication(argc, argv);
    } else {
        app = new QCoreApplication(argc, argv);
    }
    // Relative paths in fuzzed messages resolve in here (the corpus paths given to the program
    // must therefore be absolute; scripts/fuzz.sh passes them so).
    static QTemporaryDir folder;
    QDir::setCurrent(folder.path());
}

// Takes the fuzzer's bytes front to back; reads past the end give zeros and empty spans.
class Bytes {
public:
    Bytes(const std::uint8_t* data, std::size_t size)
        : m_data(data)
        , m_size(size) {}

    bool empty() const { return m_pos >= m_size; }
    std::size_t remaining() const { return m_size - m_pos; }

    std::uint8_t u8() { return empty() ? 0 : m_data[m_pos++]; }
    std::uint16_t u16() {
        const std::uint16_t low = u8();
        return static_cast<std::uint16_t>(low | (u8() << 8));
    }
    std::uint64_t u64() {
        std::uint64_t value = 0;
        for (int i = 0; i < 8; ++i) {
            value |= std::uint64_t{u8()} << (8 * i);
        }
        return value;
    }
    std::vector<std::uint8_t> take(std::size_t count) {
        count = std::min(count, remaining());
        std::vector<std::uint8_t> out(m_data + m_pos, m_data + m_pos + count);
        m_pos += count;
        return out;
    }
    std::vector<std::uint8_t> rest() { return take(remaining()); }

private:
    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_pos = 0;
};

// A file-transfer message that would make the serving side write outside the current folder:
// an upload start or end whose path is absolute or climbs, or an entry put below such a folder
// (the name below it is the service's own check, and goes through). The fuzz programs skip
// those (serving the whole disk is the Target's job; the fuzzer's machine is not to be
// rewritten), and a folder tree asked of another folder than this one (a walk of the whole
// disk proves nothing and takes long); everything else, malformed paths included, goes through.
inline bool writesOutsideFolder(const std::vector<std::uint8_t>& message) {
    constexpr std::uint8_t kUploadStart = 5;
    constexpr std::uint8_t kUploadEnd = 7;
    constexpr std::uint8_t kStreamPut = 15;   // id (4) and size (8) before the path
    constexpr std::uint8_t kTreeRequest = 18; // id (4) before the folder
    constexpr std::uint8_t kPutEntry = 20;    // id (4), kind (1) and size (8) before the folder
    std::size_t at = 0;
    if (message.size() >= 1 && (message[0] == kUploadStart || message[0] == kUploadEnd)) {
        at = 1;
    } else if (message.size() >= 1 && message[0] == kStreamPut) {
        at = 13;
    } else if (message.size() >= 1 && message[0] == kTreeRequest) {
        at = 5;
    } else if (message.size() >= 1 && message[0] == kPutEntry) {
        at = 14;
    } else {
        return false;
    }
    if (message.size() < at + 4) {
        return false;
    }
    const quint32 length = qFromLittleEndian<quint32>(message.data() + at);
    if (length > message.size() - at - 4) {
        return false; // the service reads no path at all
    }
    const std::string_view path(reinterpret_cast<const char*>(message.data() + at + 4), length);
    return path.find('/') != std::string_view::npos || path.find('\\') != std::string_view::npos ||
           path == "." || path == ".." || path.find('\0') != std::string_view::npos;
}

} // namespace nimbral::fuzz
