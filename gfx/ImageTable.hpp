// The program's own pictures, embedded in the binary at build time as BMP files and found by
// their numbers: 103 background, 112 help panel, 113 spark sheet, 114 burst spark sheet,
// 115 smoke sheet. Nothing is read from disk for them at run time.
#pragma once

#include <cstddef>
#include <cstdint>

struct ImageResource {
    int id;
    const std::uint8_t* data;
    std::size_t size;
};

// The picture with this number, or null when the table has none.
const ImageResource* findImage(int id);
