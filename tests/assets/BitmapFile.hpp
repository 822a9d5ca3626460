// The committed pictures read back for the asset tests: the BMP file's headers and pixels,
// parsed by hand so that the tests check the file itself, and helpers to compare pixels.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <string>
#include <vector>

namespace assettest {

struct Pixel {
    int r = 0;
    int g = 0;
    int b = 0;
    bool operator==(const Pixel&) const = default;
};

inline void PrintTo(const Pixel& p, std::ostream* os)
{
    *os << "(" << p.r << ", " << p.g << ", " << p.b << ")";
}

// A BMP file as stored: the header fields the program depends on, and the pixels top row first.
struct Bitmap {
    std::size_t fileSize = 0;
    std::uint32_t pixelOffset = 0;
    std::uint32_t infoSize = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::uint16_t planes = 0;
    std::uint16_t bitsPerPixel = 0;
    std::uint32_t compression = 0;
    std::uint32_t coloursUsed = 0;
    std::vector<Pixel> pixels;

    Pixel at(int x, int y) const
    {
        return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)];
    }
};

inline std::uint32_t le16(const std::vector<std::uint8_t>& d, std::size_t at)
{
    return static_cast<std::uint32_t>(d[at] | (d[at + 1] << 8));
}
inline std::uint32_t le32(const std::vector<std::uint8_t>& d, std::size_t at)
{
    return le16(d, at) | (le16(d, at + 2) << 16);
}

// Reads the header of any BMP, and the pixels when they are 24-bit and uncompressed. Rows are
// taken as bottom-up when the height is positive, as the format defines.
inline ::testing::AssertionResult readBitmap(const std::string& name, Bitmap& out)
{
    const std::string path = std::string(SPARKLER_ASSET_DIR) + "/" + name;
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return ::testing::AssertionFailure() << "cannot open " << path;
    const std::vector<std::uint8_t> data{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    if (data.size() < 54 || data[0] != 'B' || data[1] != 'M')
        return ::testing::AssertionFailure() << path << " is not a BMP file";
    out.fileSize = data.size();
    out.pixelOffset = le32(data, 10);
    out.infoSize = le32(data, 14);
    out.width = static_cast<std::int32_t>(le32(data, 18));
    out.height = static_cast<std::int32_t>(le32(data, 22));
    out.planes = static_cast<std::uint16_t>(le16(data, 26));
    out.bitsPerPixel = static_cast<std::uint16_t>(le16(data, 28));
    out.compression = le32(data, 30);
    out.coloursUsed = le32(data, 46);
    if (out.bitsPerPixel != 24 || out.compression != 0 || out.width <= 0 || out.height == 0)
        return ::testing::AssertionSuccess(); // header only; the form test reports what is wrong
    const bool bottomUp = out.height > 0;
    const int rows = bottomUp ? out.height : -out.height;
    const std::size_t stride = (static_cast<std::size_t>(out.width) * 3 + 3) / 4 * 4;
    if (out.pixelOffset + stride * static_cast<std::size_t>(rows) > data.size())
        return ::testing::AssertionFailure() << path << " is shorter than its pixel rows";
    out.pixels.resize(static_cast<std::size_t>(out.width) * static_cast<std::size_t>(rows));
    for (int row = 0; row < rows; ++row) {
        const int y = bottomUp ? rows - 1 - row : row;
        const std::size_t start = out.pixelOffset + stride * static_cast<std::size_t>(row);
        for (int x = 0; x < out.width; ++x) {
            const std::size_t p = start + static_cast<std::size_t>(x) * 3;
            out.pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(out.width) + static_cast<std::size_t>(x)]
                = Pixel{data[p + 2], data[p + 1], data[p]};
        }
    }
    return ::testing::AssertionSuccess();
}

inline Bitmap load(const std::string& name)
{
    Bitmap bitmap;
    EXPECT_TRUE(readBitmap(name, bitmap));
    return bitmap;
}

constexpr Pixel kBlack{0, 0, 0};
constexpr Pixel kNearWhite{253, 253, 253};
constexpr Pixel kWhite{255, 255, 255};

struct Offset {
    int x;
    int y;
};

// Compares a whole picture with the expected one given as a function of (x, y), reporting at
// most a handful of differing pixels.
template <typename Expected> void expectPixels(const Bitmap& bitmap, Expected expected)
{
    int failures = 0;
    for (int y = 0; y < bitmap.height && failures < 8; ++y) {
        for (int x = 0; x < bitmap.width && failures < 8; ++x) {
            const Pixel want = expected(x, y);
            if (bitmap.at(x, y) != want) {
                ++failures;
                ADD_FAILURE() << "pixel (" << x << ", " << y << ") is " << ::testing::PrintToString(bitmap.at(x, y))
                              << ", expected " << ::testing::PrintToString(want);
            }
        }
    }
}

// ---------------------------------------------------------------------------------------
// File form

} // namespace assettest
