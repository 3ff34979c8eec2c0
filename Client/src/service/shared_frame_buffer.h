#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace nimbral {

// One NV12 frame, the latest, handed from the service to its agent through shared memory.
// Layout (little-endian): width, height, luma stride, chroma stride (u32 each), frame ID (u64:
// 0 until the first frame, then 1, 2, ...), data size (u64), then the luma plane followed by the
// interleaved chroma plane.
//
// One writer, readers in other processes, no lock: the writer first replaces the frame ID with
// kWritingFrameId, then writes data and header, and stores the new ID last; a reader takes a
// frame only when it read the same ID (not kWritingFrameId) before and after its copy, so a
// frame overwritten while it was copied is dropped, never shown torn.
struct SharedFrameHeader {
    std::uint32_t width;
    std::uint32_t height;
    std::uint32_t yStride;
    std::uint32_t uvStride;
    std::uint64_t frameId;
    std::uint64_t dataSize;
};
static_assert(sizeof(SharedFrameHeader) == 32);

class SharedFrameBuffer {
public:
    static constexpr std::size_t kHeaderSize = 32;
    static constexpr std::size_t kDefaultSize = 16777216;
    static constexpr std::uint64_t kWritingFrameId = ~std::uint64_t(0);
    // The service's section; tests use names of their own. On Windows the service runs in
    // session 0 and its agents in the users' sessions: only the global namespace reaches both.
#ifdef _WIN32
    static constexpr const char* kDefaultName = "Global\\NimbralFrame";
#else
    static constexpr const char* kDefaultName = "/NimbralFrame";
#endif
    // Who reads the frames: a user (a uid) on Linux, the agent's session (a Windows session ID,
    // whose interactive user is let in) on Windows.
    using UserId = std::uint32_t;

    SharedFrameBuffer();
    ~SharedFrameBuffer();
    SharedFrameBuffer(const SharedFrameBuffer&) = delete;
    SharedFrameBuffer& operator=(const SharedFrameBuffer&) = delete;

    // Writer: (re)creates the section, replacing whatever had the name, readable by `reader`
    // alone when given (Linux: mode 0600 and owned by it; Windows: the local system account and
    // the session's user); otherwise by the creating account alone.
    bool create(const std::string& name, std::size_t maxSize, std::optional<UserId> reader = {});
    // Hands the section to another reader (a new agent user); false when that is refused.
    bool setReader(UserId reader);
    bool writeFrame(std::uint32_t width, std::uint32_t height, std::uint32_t yStride,
                    std::uint32_t uvStride, const std::uint8_t* data, std::size_t size);
    std::uint64_t frameId() const;
    // Unmaps; a writer also removes the section's name.
    void close();
    bool isOpen() const {
        return m_view != nullptr;
    }
    std::size_t mappedSize() const {
        return m_size;
    }

    // Reader: opens an existing section for reading. Refused when it is not owned by this user
    // or root, or others may write it: then it is not the service's.
    bool openForReading(const std::string& name);

    struct Frame {
        std::uint32_t width = 0;
        std::uint32_t height = 0;
        std::uint32_t yStride = 0;
        std::uint32_t uvStride = 0;
        std::uint64_t frameId = 0;
        std::vector<std::uint8_t> yPlane;  // yStride x height
        std::vector<std::uint8_t> uvPlane; // uvStride x (height + 1) / 2
    };
    enum class ReadStatus { Ok, NoNewFrame, Torn, Malformed, NotOpen };
    // The current frame when its ID is above `newerThan`. Torn: overwritten during the copy
    // (dropped; the next notice brings the next frame). Malformed: the header promises more
    // than the section holds.
    ReadStatus readFrame(std::uint64_t newerThan, Frame& frame) const;
    // The same for a BGRA picture (the agent's screen): yStride bytes a row, no chroma plane
    // (uvStride 0); written with writeFrame(width, height, stride, 0, ...).
    ReadStatus readPicture(std::uint64_t newerThan, Frame& frame) const;

#ifndef _WIN32
    // Writer in the user's session: a nameless section (memfd) sealed at its size, so the
    // service that reads it can never find it cut short. The service opens it through
    // /proc/<pid>/fd/<descriptor()>.
    bool createSealed(std::size_t maxSize);
    int descriptor() const {
        return m_fd;
    }
    // Reader: the section behind `path`, refused unless it is owned by `owner` and sealed
    // against shrinking.
    bool openSealed(const std::string& path, UserId owner);
#endif

private:
    ReadStatus read(std::uint64_t newerThan, Frame& frame, bool picture) const;
#ifndef _WIN32
    // Maps the open section (its first `size` bytes); a writer's header starts empty.
    bool map(std::size_t size, bool writable);
#endif
    // Whether the memory behind the mapping still covers `bytes`: a reader that owns the section
    // could shrink it, and writing past its end would end this process.
    bool backingHolds(std::size_t bytes) const;

    int m_fd = -1;             // the POSIX shared memory object
    void* m_mapping = nullptr; // the Windows section handle
    void* m_view = nullptr;
    std::size_t m_size = 0;
    bool m_writable = false;
    std::uint64_t m_counter = 0;
    std::string m_name;
};

} // namespace nimbral
