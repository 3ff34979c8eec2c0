#include <gtest/gtest.h>

#include "capture/pipewire_frames.h"

namespace nimbral {
namespace {

// A 200 x 130 picture (four rows of 64-pixel tiles, the last one short) and a copy of it.
struct Pictures {
    static constexpr int kWidth = 200;
    static constexpr int kHeight = 130;
    std::vector<std::uint8_t> before = std::vector<std::uint8_t>(kWidth * kHeight * 4, 7);
    std::vector<std::uint8_t> after = before;
    void change(int x, int y) { after[(static_cast<std::size_t>(y) * kWidth + x) * 4 + 1] ^= 0xff; }
    std::vector<DirtyRect> tiles(std::size_t maxRects = 64) const {
        return changedTiles(before.data(), after.data(), kWidth, kHeight, maxRects);
    }
};

TEST(ChangedTiles, NameTheTilesThatDifferMergedAlongTheirRow) {
    Pictures pictures;
    EXPECT_TRUE(pictures.tiles().empty()) << "the same picture changed nothing";

    pictures.change(0, 0);
    EXPECT_EQ(pictures.tiles(), (std::vector<DirtyRect>{{0, 0, 64, 64}}));

    // Neighbours in a row become one rectangle; the right edge and the short last row are
    // clipped to the picture.
    pictures.change(70, 10);
    pictures.change(199, 129);
    EXPECT_EQ(pictures.tiles(), (std::vector<DirtyRect>{{0, 0, 128, 64}, {192, 128, 8, 2}}));

    // A gap in the row splits it.
    Pictures gap;
    gap.change(5, 70);
    gap.change(150, 70);
    EXPECT_EQ(gap.tiles(), (std::vector<DirtyRect>{{0, 64, 64, 64}, {128, 64, 64, 64}}));

    // More rectangles than wanted: the whole picture.
    EXPECT_EQ(gap.tiles(1), (std::vector<DirtyRect>{{0, 0, 200, 130}}));
}

TEST(CopyStreamPicture, DropsEachRowsPaddingBeyondTheWidth) {
    // Two rows of 2 pixels with 4 bytes of padding each.
    const std::vector<std::uint8_t> stream{1, 2,  3,  4,  5,  6,  7,  8,  0xee, 0xee, 0xee, 0xee,
                                           9, 10, 11, 12, 13, 14, 15, 16, 0xee, 0xee, 0xee, 0xee};
    std::vector<std::uint8_t> packed(16);
    copyStreamPicture(stream.data(), 12, 2, 2, packed.data());
    EXPECT_EQ(packed,
              (std::vector<std::uint8_t>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16}));
}

} // namespace
} // namespace nimbral
