#include "ui/remote_picture.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include <libyuv/convert_argb.h>
#include <libyuv/scale_argb.h>

namespace nimbral {

namespace {

// Bytes of a chroma row that hold pairs: the last column's colour included for odd widths.
int chromaRowBytes(int width) {
    return 2 * ((width + 1) / 2);
}

bool rowsDiffer(const std::uint8_t* a, int aStride, const std::uint8_t* b, int bStride,
                int firstRow, int endRow, int offset, int bytes) {
    for (int row = firstRow; row < endRow; ++row) {
        if (std::memcmp(a + static_cast<std::size_t>(row) * aStride + offset,
                        b + static_cast<std::size_t>(row) * bStride + offset,
                        static_cast<std::size_t>(bytes)) != 0) {
            return true;
        }
    }
    return false;
}

// Whether the tile of columns [left, right) and rows [top, bottom) differs in luma or chroma.
bool tileDiffers(const DecodedFrame& a, const DecodedFrame& b, int left, int right, int top,
                 int bottom) {
    if (rowsDiffer(a.yPlane.data(), a.yStride, b.yPlane.data(), b.yStride, top, bottom, left,
                   right - left)) {
        return true;
    }
    const int chromaEnd = right == a.width ? chromaRowBytes(a.width) : right;
    return rowsDiffer(a.uvPlane.data(), a.uvStride, b.uvPlane.data(), b.uvStride, top / 2,
                      (bottom + 1) / 2, left, chromaEnd - left);
}

} // namespace

bool RemotePicture::isDrawable(const DecodedFrame& frame) {
    if (frame.width <= 0 || frame.height <= 0 || frame.yStride < frame.width ||
        frame.uvStride < chromaRowBytes(frame.width) || frame.uvStride % 2 != 0) {
        return false;
    }
    const auto needed = [](std::int64_t stride, std::int64_t rows, std::int64_t lastRow) {
        return stride * (rows - 1) + lastRow;
    };
    const std::int64_t chromaRows = (frame.height + 1) / 2;
    return std::int64_t(frame.yPlane.size()) >= needed(frame.yStride, frame.height, frame.width) &&
           std::int64_t(frame.uvPlane.size()) >=
               needed(frame.uvStride, chromaRows, chromaRowBytes(frame.width));
}

QRegion RemotePicture::changedRegion(const DecodedFrame& frame) const {
    QRegion region;
    const int columns = (frame.width + kTileWidth - 1) / kTileWidth;
    for (int top = 0; top < frame.height; top += kTileHeight) {
        const int bottom = std::min(top + kTileHeight, frame.height);
        int runStart = -1;
        // One step past the last tile closes a run that reaches the right edge.
        for (int column = 0; column <= columns; ++column) {
            const int left = column * kTileWidth;
            const int right = std::min(left + kTileWidth, frame.width);
            const bool changed =
                column < columns && tileDiffers(frame, *m_last, left, right, top, bottom);
            if (changed && runStart < 0) {
                runStart = left;
            } else if (!changed && runStart >= 0) {
                region +=
                    QRect(runStart, top, std::min(left, frame.width) - runStart, bottom - top);
                runStart = -1;
            }
        }
    }
    return region;
}

void RemotePicture::convert(const DecodedFrame& frame, const QRect& rect) {
    // Chroma is shared by 2x2 pixels: start on an even pixel so the pairs line up.
    const int left = rect.left() & ~1;
    const int top = rect.top() & ~1;
    const int right = rect.left() + rect.width();
    const int bottom = rect.top() + rect.height();
    // Full-range BT.601, the inverse of the Target's conversion.
    libyuv::NV12ToARGBMatrix(
        frame.yPlane.data() + static_cast<std::size_t>(top) * frame.yStride + left, frame.yStride,
        frame.uvPlane.data() + static_cast<std::size_t>(top / 2) * frame.uvStride + left,
        frame.uvStride,
        m_picture.bits() + static_cast<std::size_t>(top) * m_picture.bytesPerLine() + left * 4,
        static_cast<int>(m_picture.bytesPerLine()), &libyuv::kYuvJPEGConstants, right - left,
        bottom - top);
}

QRect RemotePicture::shownRect(const QRect& frameRect) const {
    if (m_scaled.isNull()) {
        return frameRect;
    }
    const double sx = double(m_shownSize.width()) / m_picture.width();
    const double sy = double(m_shownSize.height()) / m_picture.height();
    // Bilinear filtering blends a neighbour on each side.
    const int left = std::max(0, int(std::floor(frameRect.left() * sx)) - 2);
    const int top = std::max(0, int(std::floor(frameRect.top() * sy)) - 2);
    const int right = std::min(m_shownSize.width(),
                               int(std::ceil((frameRect.left() + frameRect.width()) * sx)) + 2);
    const int bottom = std::min(m_shownSize.height(),
                                int(std::ceil((frameRect.top() + frameRect.height()) * sy)) + 2);
    return QRect(left, top, right - left, bottom - top);
}

void RemotePicture::scale(const QRect& shownRect) {
    libyuv::ARGBScaleClip(m_picture.constBits(), static_cast<int>(m_picture.bytesPerLine()),
                          m_picture.width(), m_picture.height(), m_scaled.bits(),
                          static_cast<int>(m_scaled.bytesPerLine()), m_scaled.width(),
                          m_scaled.height(), shownRect.x(), shownRect.y(), shownRect.width(),
                          shownRect.height(), libyuv::kFilterBilinear);
}

QRegion RemotePicture::apply(std::shared_ptr<const DecodedFrame> frame) {
    const QSize size(frame->width, frame->height);
    const bool newPicture = !m_last || m_picture.size() != size;
    if (newPicture) {
        m_picture = QImage(size, QImage::Format_RGB32);
    }
    const QRegion changed =
        newPicture ? QRegion(0, 0, size.width(), size.height()) : changedRegion(*frame);
    for (const QRect& rect : changed) {
        convert(*frame, rect);
    }
    m_last = std::move(frame);
    if (newPicture) {
        rescaleAll();
    } else if (!m_scaled.isNull()) {
        for (const QRect& rect : changed) {
            scale(shownRect(rect));
        }
    }
    return changed;
}

void RemotePicture::setShownSize(QSize size) {
    if (size != m_shownSize) {
        m_shownSize = size;
        rescaleAll();
    }
}

void RemotePicture::rescaleAll() {
    if (m_picture.isNull() || m_shownSize.isEmpty() || m_shownSize == m_picture.size()) {
        m_scaled = QImage();
        return;
    }
    m_scaled = QImage(m_shownSize, QImage::Format_RGB32);
    scale(QRect(QPoint(0, 0), m_shownSize));
}

const QImage& RemotePicture::shown() const {
    return m_scaled.isNull() ? m_picture : m_scaled;
}

void RemotePicture::clear() {
    m_last.reset();
    m_picture = QImage();
    m_scaled = QImage();
}

} // namespace nimbral
