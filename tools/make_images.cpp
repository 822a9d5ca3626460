// make_images: writes the program's five pictures as BMP files into a directory.
//
//   build/tools/make_images assets
//
// Output (24 bits per pixel, BI_RGB, 40-byte info header, no colour table, bottom-up rows
// padded to 4 bytes):
//   Background103.bmp  1024 x 768  night photograph of a lakeside firework at dusk
//   HelpPanel112.bmp    158 x 200  black panel inside a two-pixel grey frame
//   SparkSheet113.bmp    21 x 18   spark sprites, 7 frames x 6 colours of 3 x 3 pixels
//   BurstSheet114.bmp    21 x 18   burst spark sprites, same layout
//   SmokeSheet115.bmp    48 x 4    smoke puff sprites, 12 frames of 4 x 4 pixels
//
// The sprite sheets and the panel are fixed tables. The background is synthesised from
// hash-based noise and a fixed-seed generator, and uses only +, -, *, / and sqrt on doubles
// (exp and sin are computed here from those), so every run and every build writes
// byte-identical files. Black (0, 0, 0) is the colour key of the panel and the sheets.
#include "images/Images.hpp"

#include <array>
#include <cstdio>
#include <string>

using namespace images;

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output directory>\n", argc > 0 ? argv[0] : "make_images");
        return 2;
    }
    const std::string dir = argv[1];
    Picture background = makeBackground();
    Picture panel = makeHelpPanel();
    Picture sparks = makeSparkSheet();
    Picture burst = makeBurstSheet();
    Picture smoke = makeSmokeSheet();
    struct Output {
        const char* name;
        Picture* picture;
    };
    const std::array<Output, 5> outputs{{
        {"Background103.bmp", &background},
        {"HelpPanel112.bmp", &panel},
        {"SparkSheet113.bmp", &sparks},
        {"BurstSheet114.bmp", &burst},
        {"SmokeSheet115.bmp", &smoke},
    }};
    for (const Output& o : outputs) {
        const std::string path = dir + "/" + o.name;
        if (!writeBmp(path, *o.picture)) {
            std::fprintf(stderr, "make_images: cannot write %s\n", path.c_str());
            return 1;
        }
    }
    double sum[3] = {0.0, 0.0, 0.0};
    for (const Rgb& p : background.pixels) {
        sum[0] += p.r;
        sum[1] += p.g;
        sum[2] += p.b;
    }
    const double n = static_cast<double>(background.pixels.size());
    std::printf("Background103.bmp mean colour: %.2f %.2f %.2f\n", sum[0] / n, sum[1] / n, sum[2] / n);
    return 0;
}
