#pragma once

#include <memory>

#include <QImage>
#include <QRegion>
#include <QSize>

#include "codec/video_decoder.h"

namespace nimbral {

// The remote screen as the Master shows it: the newest decoded picture in RGB, and the same
// scaled to the size it is shown at. Only what differs from the picture before is converted and
// scaled again, so a typed character costs a few tiles, not the whole screen. Plain memory
// work (libyuv's SIMD kernels), no GPU: it is as fast on a machine without one.
class RemotePicture {
public:
    // The grid changes are found on: a tile is converted again when any of its pixels changed.
    static constexpr int kTileWidth = 64;
    static constexpr int kTileHeight = 16;

    // Whether the planes hold what the frame's size and strides promise.
    static bool isDrawable(const DecodedFrame& frame);

    // Takes a drawable frame and returns where it differs from the last one (frame pixels): all
    // of it for the first frame or a new size, nothing for a repetition.
    QRegion apply(std::shared_ptr<const DecodedFrame> frame);
    // The size (device pixels) the picture is shown at; a new size scales everything again.
    void setShownSize(QSize size);
    // The part of the shown picture (device pixels) a changed frame rectangle reaches, with the
    // neighbours the scaling filter blends in.
    QRect shownRect(const QRect& frameRect) const;
    // What to draw: shownSize() pixels, or the unscaled picture when they are the same.
    const QImage& shown() const;

    QSize frameSize() const { return m_picture.size(); }
    QSize shownSize() const { return m_shownSize; }
    bool isEmpty() const { return m_picture.isNull(); }
    void clear();

private:
    QRegion changedRegion(const DecodedFrame& frame) const;
    void convert(const DecodedFrame& frame, const QRect& rect);
    void scale(const QRect& shownRect);
    // Makes the scaled picture anew (none when it would be the picture itself).
    void rescaleAll();

    std::shared_ptr<const DecodedFrame> m_last;
    QImage m_picture; // the frame's size, RGB32
    QImage m_scaled;  // m_shownSize when it differs from the frame's
    QSize m_shownSize;
};

} // namespace nimbral
