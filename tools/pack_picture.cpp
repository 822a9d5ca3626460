// pack_picture: packs a BMP picture as the browser build embeds it (see
// platform/web/PackedPicture.hpp): the pixels reduced to RGB565 and deflated at zlib's
// strongest level, behind a header with the size. Run by the browser build on its background.
// Usage: pack_picture IN.bmp OUT. Writes OUT whole or not at all.
#include "platform/AtomicFile.hpp"
#include "platform/BitmapLoader.hpp"
#include "platform/web/PackedPicture.hpp"

#include <zlib.h>

#include <cstdio>
#include <string>

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: pack_picture IN.bmp OUT\n");
        return 2;
    }
    Image image;
    if (!loadBitmapFile(argv[1], 0, 0, image) || image.width > 0xFFFF || image.height > 0xFFFF) {
        std::fprintf(stderr, "pack_picture: %s is not a readable BMP picture\n", argv[1]);
        return 1;
    }
    const std::vector<std::uint8_t> pixels = reducedPixels(image);
    std::vector<std::uint8_t> packed = packedHeader(image.width, image.height);
    uLongf deflatedSize = compressBound(static_cast<uLong>(pixels.size()));
    packed.resize(kPackedHeaderSize + deflatedSize);
    if (compress2(packed.data() + kPackedHeaderSize, &deflatedSize, pixels.data(), static_cast<uLong>(pixels.size()),
                  Z_BEST_COMPRESSION)
        != Z_OK) {
        std::fprintf(stderr, "pack_picture: zlib could not deflate %s\n", argv[1]);
        return 1;
    }
    packed.resize(kPackedHeaderSize + deflatedSize);
    std::string error;
    if (!AtomicFile::writeWhole(argv[2], packed.data(), packed.size(), error)) {
        std::fprintf(stderr, "pack_picture: %s\n", error.c_str());
        return 1;
    }
    std::printf("pack_picture: %s, %dx%d, %zu bytes\n", argv[2], image.width, image.height, packed.size());
    return 0;
}
