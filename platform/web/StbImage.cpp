// The one translation unit that compiles stb_image's implementation where the pictures are
// decoded with it (the browser and Windows builds, the picture packer, the native tests of the
// packed pictures): its BMP reader (BitmapLoader.cpp) and its zlib decoder (PackedPicture.cpp),
// without its file functions. Its own warnings are not ours to fix.
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_BMP
#define STBI_SUPPORT_ZLIB
#define STBI_NO_STDIO
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wsign-compare"
#include <stb/stb_image.h>
#pragma GCC diagnostic pop
