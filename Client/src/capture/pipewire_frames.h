#pragma once

#include <cstdint>
#include <memory>

#include "capture/captured_frame.h"

namespace nimbral {

namespace platform {
class RemoteDesktopSession;
}

// The pictures of a PipeWire screen-cast stream, in shared memory (no GPU needed): BGRx or BGRA
// frames, copied on PipeWire's own thread into a pool buffer and handed to the capture thread.
// The stream's damage becomes the frame's dirty rectangles; where the compositor sends none
// (GNOME 43 does not), they come from comparing the picture with the last one. Frames that
// arrive before the last was taken are merged, so no change is lost. The stream's size follows
// the monitor's.
class PipeWireFrames {
public:
    PipeWireFrames();
    ~PipeWireFrames();
    PipeWireFrames(const PipeWireFrames&) = delete;
    PipeWireFrames& operator=(const PipeWireFrames&) = delete;

    // Connects to `node` on the user's PipeWire, or on the remote `fd` (taken over) when given.
    bool open(std::uint32_t node, int fd = -1);
    // The newest picture when one arrived within `waitMs`, else null. A key frame (no dirty
    // rectangles) when the stream said nothing of what changed, or its size changed.
    std::unique_ptr<CapturedFrame> takeFrame(int waitMs);
    // True once the stream ended or failed: the capture is lost.
    bool failed() const;

    struct State; // PipeWire's objects and the frame hand-over, shared with its callbacks

private:
    std::unique_ptr<State> m_state;
};

// The newest picture of a remote-desktop session's stream within `waitMs`, else null. The size of
// `monitor` and of the session's stream follow the pictures', so input aims at what is shown now.
// `lost` is set once the stream ended.
std::unique_ptr<CapturedFrame> takeSessionFrame(PipeWireFrames& frames,
                                                platform::RemoteDesktopSession& session,
                                                MonitorInfo& monitor, int waitMs, bool& lost);

// Copies a `width` x `height` BGRx picture of `stride` bytes a row into a packed frame buffer.
void copyStreamPicture(const std::uint8_t* source, int stride, int width, int height,
                       std::uint8_t* target);

} // namespace nimbral
