// A picture packed as the display keeps it: a header ("P565", width and height as 16-bit
// little-endian numbers) and then the pixels reduced to RGB565, two little-endian bytes each,
// top row first, as one zlib stream. The browser build embeds its background this way: only
// the reduced pixels are ever shown, and widened back to 8-bit channels (pixelToRgb) they
// reduce to exactly the same pixels, so the frames are unchanged while the photograph's noisy
// low bits are gone. Packing (deflating) is the build tool's; here are the pure pieces.
#pragma once

#include "platform/BitmapLoader.hpp"

#include <cstddef>
#include <cstdint>
#include <vector>

constexpr std::size_t kPackedHeaderSize = 8;

// True when the bytes start with the packed picture's header.
bool isPackedPicture(const std::uint8_t* data, std::size_t size);
// The header of a packed picture of this size; sides from 1 to 65535.
std::vector<std::uint8_t> packedHeader(int width, int height);
// The image's pixels reduced to RGB565, two little-endian bytes each, top row first.
std::vector<std::uint8_t> reducedPixels(const Image& image);
// Inflates a packed picture into its RGB565 pixels, top row first, and says its size. False
// for anything but a whole, well-formed picture, or when `width`/`height` (0: any) differ
// from its stored size.
bool unpackPixels(const std::uint8_t* data, std::size_t size, int& width, int& height,
                  std::vector<std::uint16_t>& pixels);
// Inflates a packed picture into 8-bit RGB. False for anything but a whole, well-formed
// picture, or when `width`/`height` (0: any) differ from its stored size.
bool unpackPicture(const std::uint8_t* data, std::size_t size, int width, int height, Image& out);
