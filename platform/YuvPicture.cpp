// YuvPicture: table-driven RGB565 to planar YUV with sharp enlargement; see the header. Rows of
// the enlarged picture that come from the same frame row are written once and copied.
#include "platform/YuvPicture.hpp"

#include "platform/PixelFormat.hpp"

#include <cstring>

namespace {

std::uint8_t clampRound(double value)
{
    const double rounded = value + 0.5;
    return rounded <= 0.0 ? 0 : rounded >= 255.0 ? 255 : static_cast<std::uint8_t>(rounded);
}

} // namespace

YuvPicture::YuvPicture(int width, int height, int scale, bool fullChroma)
    : width_(width), height_(height), scale_(scale), fullChroma_(fullChroma), table_(65536)
{
    // BT.709 luma weights; studio range: Y 16 to 235, U and V 16 to 240 around 128.
    for (std::uint32_t pixel = 0; pixel < 65536; ++pixel) {
        const Rgb8 c = pixelToRgb(static_cast<std::uint16_t>(pixel));
        const double r = c.r / 255.0;
        const double g = c.g / 255.0;
        const double b = c.b / 255.0;
        const double y = 0.2126 * r + 0.7152 * g + 0.0722 * b;
        const std::uint32_t luma = clampRound(16.0 + 219.0 * y);
        const std::uint32_t u = clampRound(128.0 + 224.0 * (b - y) / 1.8556);
        const std::uint32_t v = clampRound(128.0 + 224.0 * (r - y) / 1.5748);
        table_[pixel] = luma | (u << 8) | (v << 16);
    }
}

std::array<std::uint8_t, 3> YuvPicture::yuvOf(std::uint16_t pixel) const
{
    const std::uint32_t yuv = table_[pixel];
    return {static_cast<std::uint8_t>(yuv), static_cast<std::uint8_t>(yuv >> 8), static_cast<std::uint8_t>(yuv >> 16)};
}

void YuvPicture::convert(const std::uint16_t* pixels, const std::array<std::uint8_t*, 3>& planes,
                         const std::array<int, 3>& strides) const
{
    if (strides[1] != strides[2])
        return; // the encoders' pictures always share one stride between U and V
    if (scale_ == 2 && !fullChroma_) {
        doubledRows(pixels, planes, strides);
        return;
    }
    lumaRows(pixels, planes[0], strides[0]);
    if (fullChroma_)
        fullChromaRows(pixels, planes[1], planes[2], strides[1]);
    else
        halfChromaRows(pixels, planes[1], planes[2], strides[1]);
}

void YuvPicture::doubledRows(const std::uint16_t* pixels, const std::array<std::uint8_t*, 3>& planes,
                             const std::array<int, 3>& strides) const
{
    for (int y = 0; y < height_; ++y) {
        const std::uint16_t* row = pixels + static_cast<std::size_t>(y) * width_;
        std::uint8_t* luma = planes[0] + static_cast<std::ptrdiff_t>(2 * y) * strides[0];
        std::uint8_t* u = planes[1] + static_cast<std::ptrdiff_t>(y) * strides[1];
        std::uint8_t* v = planes[2] + static_cast<std::ptrdiff_t>(y) * strides[2];
        for (int x = 0; x < width_; ++x) {
            const std::uint32_t yuv = table_[row[x]];
            luma[2 * x] = static_cast<std::uint8_t>(yuv);
            luma[2 * x + 1] = static_cast<std::uint8_t>(yuv);
            u[x] = static_cast<std::uint8_t>(yuv >> 8);
            v[x] = static_cast<std::uint8_t>(yuv >> 16);
        }
        std::memcpy(luma + strides[0], luma, 2 * static_cast<std::size_t>(width_));
    }
}

void YuvPicture::lumaRows(const std::uint16_t* pixels, std::uint8_t* plane, int stride) const
{
    for (int y = 0; y < height_; ++y) {
        const std::uint16_t* row = pixels + static_cast<std::size_t>(y) * width_;
        std::uint8_t* out = plane + static_cast<std::ptrdiff_t>(y) * scale_ * stride;
        if (scale_ == 2) {
            for (int x = 0; x < width_; ++x) {
                const std::uint8_t luma = static_cast<std::uint8_t>(table_[row[x]]);
                out[2 * x] = luma;
                out[2 * x + 1] = luma;
            }
        } else {
            for (int x = 0; x < width_; ++x)
                std::memset(out + x * scale_, static_cast<std::uint8_t>(table_[row[x]]), scale_);
        }
        for (int copy = 1; copy < scale_; ++copy)
            std::memcpy(out + static_cast<std::ptrdiff_t>(copy) * stride, out, lumaWidth());
    }
}

void YuvPicture::fullChromaRows(const std::uint16_t* pixels, std::uint8_t* u, std::uint8_t* v, int stride) const
{
    for (int y = 0; y < height_; ++y) {
        const std::uint16_t* row = pixels + static_cast<std::size_t>(y) * width_;
        const std::ptrdiff_t at = static_cast<std::ptrdiff_t>(y) * scale_ * stride;
        for (int x = 0; x < width_; ++x) {
            const std::uint32_t yuv = table_[row[x]];
            std::memset(u + at + x * scale_, static_cast<std::uint8_t>(yuv >> 8), scale_);
            std::memset(v + at + x * scale_, static_cast<std::uint8_t>(yuv >> 16), scale_);
        }
        for (int copy = 1; copy < scale_; ++copy) {
            std::memcpy(u + at + static_cast<std::ptrdiff_t>(copy) * stride, u + at, lumaWidth());
            std::memcpy(v + at + static_cast<std::ptrdiff_t>(copy) * stride, v + at, lumaWidth());
        }
    }
}

void YuvPicture::halfChromaRows(const std::uint16_t* pixels, std::uint8_t* u, std::uint8_t* v, int stride) const
{
    const int last = lumaWidth() - 1;
    const int bottom = lumaHeight() - 1;
    for (int cy = 0; cy < chromaHeight(); ++cy) {
        std::uint8_t* outU = u + static_cast<std::ptrdiff_t>(cy) * stride;
        std::uint8_t* outV = v + static_cast<std::ptrdiff_t>(cy) * stride;
        // The frame rows under this sample's two picture rows (one row at an even scale).
        const std::uint16_t* top = pixels + static_cast<std::size_t>(2 * cy / scale_) * width_;
        const std::uint16_t* under
            = pixels + static_cast<std::size_t>((2 * cy + 1 > bottom ? bottom : 2 * cy + 1) / scale_) * width_;
        if (scale_ % 2 == 0) {
            for (int x = 0; x < width_; ++x) {
                const std::uint32_t yuv = table_[top[x]];
                std::memset(outU + x * (scale_ / 2), static_cast<std::uint8_t>(yuv >> 8), scale_ / 2);
                std::memset(outV + x * (scale_ / 2), static_cast<std::uint8_t>(yuv >> 16), scale_ / 2);
            }
            continue;
        }
        for (int cx = 0; cx < chromaWidth(); ++cx) {
            const int left = 2 * cx / scale_;
            const int right = (2 * cx + 1 > last ? last : 2 * cx + 1) / scale_;
            const std::uint32_t a = table_[top[left]], b = table_[top[right]];
            const std::uint32_t c = table_[under[left]], d = table_[under[right]];
            const auto mean = [&](int shift) {
                const std::uint32_t sum
                    = ((a >> shift) & 0xFF) + ((b >> shift) & 0xFF) + ((c >> shift) & 0xFF) + ((d >> shift) & 0xFF);
                return static_cast<std::uint8_t>((sum + 2) / 4);
            };
            outU[cx] = mean(8);
            outV[cx] = mean(16);
        }
    }
}
