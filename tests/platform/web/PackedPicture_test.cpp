// The packed pictures the browser build embeds: the background comes back with every shown
// (RGB565) pixel as the BMP gives it, and anything but a whole, well-formed picture of the
// asked size is refused.
#include "platform/PixelFormat.hpp"
#include "platform/web/PackedPicture.hpp"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

// A packed picture as pack_picture writes it, from `pixels` (reduced) under a header of w x h.
std::vector<std::uint8_t> pack(const std::vector<std::uint8_t>& pixels, int width, int height)
{
    std::vector<std::uint8_t> packed = packedHeader(width, height);
    uLongf size = compressBound(static_cast<uLong>(pixels.size()));
    packed.resize(kPackedHeaderSize + size);
    EXPECT_EQ(compress2(packed.data() + kPackedHeaderSize, &size, pixels.data(), static_cast<uLong>(pixels.size()), Z_BEST_SPEED),
              Z_OK);
    packed.resize(kPackedHeaderSize + size);
    return packed;
}

Image smallPicture()
{
    Image image;
    image.width = 3;
    image.height = 2;
    image.rgb = {255, 255, 255, 7, 3, 7, 0x88, 0x44, 0x22, 1, 2, 3, 200, 100, 50, 0, 0, 0};
    return image;
}

std::uint16_t shownPixel(const Image& image, std::size_t at)
{
    return rgbToPixel(image.rgb[at * 3], image.rgb[at * 3 + 1], image.rgb[at * 3 + 2]);
}

} // namespace

TEST(PackedPicture, TheBackgroundShowsEveryPixelAsTheBmpDoesInAThirdOfItsBytes)
{
    Image bmp;
    ASSERT_TRUE(loadBitmapFile(SPARKLER_ASSET_DIR "/Background103.bmp", 0, 0, bmp));
    const std::vector<std::uint8_t> packed = pack(reducedPixels(bmp), bmp.width, bmp.height);
    EXPECT_LT(packed.size() * 3, static_cast<std::size_t>(bmp.width) * static_cast<std::size_t>(bmp.height) * 3);

    Image unpacked;
    ASSERT_TRUE(unpackPicture(packed.data(), packed.size(), 1024, 768, unpacked));
    ASSERT_EQ(unpacked.width, bmp.width);
    ASSERT_EQ(unpacked.height, bmp.height);
    ASSERT_EQ(unpacked.rgb.size(), bmp.rgb.size());
    std::size_t differing = 0;
    for (std::size_t i = 0; i < bmp.rgb.size() / 3; ++i)
        differing += shownPixel(unpacked, i) != shownPixel(bmp, i);
    EXPECT_EQ(differing, 0u);
    // Only the low bits went: full channels stay full, and every channel is within a step.
    for (std::size_t i = 0; i < bmp.rgb.size(); ++i)
        ASSERT_LE(std::abs(bmp.rgb[i] - unpacked.rgb[i]), 7) << "byte " << i;

    // Taken as the display's pixels, it is the BMP's pixels as the display reduces them.
    int width = 0;
    int height = 768;
    std::vector<std::uint16_t> pixels;
    ASSERT_TRUE(unpackPixels(packed.data(), packed.size(), width, height, pixels));
    EXPECT_EQ(width, 1024);
    EXPECT_EQ(height, 768);
    ASSERT_EQ(pixels.size(), bmp.rgb.size() / 3);
    differing = 0;
    for (std::size_t i = 0; i < pixels.size(); ++i)
        differing += pixels[i] != shownPixel(bmp, i);
    EXPECT_EQ(differing, 0u);
}

TEST(PackedPicture, WidensChannelsSoThatFullStaysFullAndBlackStaysBlack)
{
    const Image image = smallPicture();
    const std::vector<std::uint8_t> packed = pack(reducedPixels(image), 3, 2);
    Image out;
    ASSERT_TRUE(unpackPicture(packed.data(), packed.size(), 0, 0, out));
    EXPECT_EQ(std::vector<std::uint8_t>(out.rgb.begin(), out.rgb.begin() + 3), (std::vector<std::uint8_t>{255, 255, 255}));
    EXPECT_EQ(std::vector<std::uint8_t>(out.rgb.begin() + 3, out.rgb.begin() + 6), (std::vector<std::uint8_t>{0, 0, 0}));
    for (std::size_t i = 0; i < 6; ++i)
        EXPECT_EQ(shownPixel(out, i), shownPixel(image, i)) << "pixel " << i;
}

TEST(PackedPicture, RefusesAnythingButAWholePictureOfTheAskedSize)
{
    const Image image = smallPicture();
    const std::vector<std::uint8_t> pixels = reducedPixels(image);
    const std::vector<std::uint8_t> good = pack(pixels, 3, 2);
    Image out;
    EXPECT_FALSE(unpackPicture(good.data(), good.size(), 4, 2, out)) << "another width asked for";
    EXPECT_FALSE(unpackPicture(good.data(), good.size(), 3, 1, out)) << "another height asked for";

    std::vector<std::uint8_t> cut(good.begin(), good.end() - 6);
    EXPECT_FALSE(unpackPicture(cut.data(), cut.size(), 0, 0, out)) << "a cut stream";
    const std::vector<std::uint8_t> tooMany = pack(pixels, 2, 2);
    EXPECT_FALSE(unpackPicture(tooMany.data(), tooMany.size(), 0, 0, out)) << "more pixels than the header says";
    const std::vector<std::uint8_t> tooFew = pack(pixels, 3, 3);
    EXPECT_FALSE(unpackPicture(tooFew.data(), tooFew.size(), 0, 0, out)) << "fewer pixels than the header says";
    const std::vector<std::uint8_t> empty = pack(pixels, 0, 2);
    EXPECT_FALSE(unpackPicture(empty.data(), empty.size(), 0, 0, out)) << "a side of 0";
    const std::vector<std::uint8_t> huge = pack(pixels, 40000, 40000);
    EXPECT_FALSE(unpackPicture(huge.data(), huge.size(), 0, 0, out)) << "a hostile size";

    std::vector<std::uint8_t> garbage = good;
    for (std::size_t i = kPackedHeaderSize; i < garbage.size(); ++i)
        garbage[i] = static_cast<std::uint8_t>(garbage[i] * 37 + 11);
    EXPECT_FALSE(unpackPicture(garbage.data(), garbage.size(), 0, 0, out)) << "a stream that is not zlib";

    std::vector<std::uint8_t> bmpLike = good;
    bmpLike[0] = 'B';
    bmpLike[1] = 'M';
    EXPECT_FALSE(isPackedPicture(bmpLike.data(), bmpLike.size()));
    EXPECT_FALSE(unpackPicture(bmpLike.data(), bmpLike.size(), 0, 0, out));
    EXPECT_FALSE(isPackedPicture(good.data(), kPackedHeaderSize - 1));
    EXPECT_TRUE(isPackedPicture(good.data(), good.size()));
    EXPECT_TRUE(unpackPicture(good.data(), good.size(), 3, 2, out));

    int width = 0;
    int height = 0;
    std::vector<std::uint16_t> shown;
    EXPECT_FALSE(unpackPixels(cut.data(), cut.size(), width, height, shown)) << "a cut stream, as pixels";
    EXPECT_FALSE(unpackPixels(tooMany.data(), tooMany.size(), width, height, shown)) << "too many pixels";
    width = 4;
    EXPECT_FALSE(unpackPixels(good.data(), good.size(), width, height, shown)) << "another width asked for";
    width = 0;
    ASSERT_TRUE(unpackPixels(good.data(), good.size(), width, height, shown));
    EXPECT_EQ(shown, (std::vector<std::uint16_t>{0xFFFF, 0x0000, 0x8A24, 0x0000, 0xCB26, 0x0000}));
}
