// The program's icon: a hand-held sparkler burning against the night sky, in the colours of
// the program's own pictures (the spark sheet's orange row, the smoke's grey, the background's
// sky). The design is a short list of shapes in a unit square, so that one description gives
// the PNG icons at every size, the SVG icon and the window's icon. No file is read: the
// colours come from the embedded image table. Only +, -, *, / and sqrt are used.
#pragma once

#include <cstdint>
#include <vector>

struct IconRgb {
    double r = 0.0; // 0..255
    double g = 0.0;
    double b = 0.0;
};

struct IconStop {
    double at = 0.0; // 0..1 along the gradient
    IconRgb colour;
    double alpha = 1.0;
};

// One shape of the design, in unit coordinates (x right, y down, the icon is [0,1] x [0,1]).
struct IconShape {
    enum Kind {
        Tile,   // rounded square (x0,y0)-(x1,y1) with corner radius `width`, vertical gradient
        Stroke, // segment (x0,y0)-(x1,y1), round ends, `width` across, one colour
        Ray,    // tapering from `width` across at (x0,y0) to `tipWidth` at (x1,y1), gradient along it
        Dot,    // square centred on (x0,y0), `width` wide, one colour
        Glow    // disc centred on (x0,y0) of radius `width`, radial gradient, fading to nothing
    };
    Kind kind = Tile;
    double x0 = 0.0;
    double y0 = 0.0;
    double x1 = 0.0;
    double y1 = 0.0;
    double width = 0.0;
    double tipWidth = 0.0;
    std::vector<IconStop> stops; // one stop for a single colour
};

// The colours the design takes from the program's pictures.
struct IconColours {
    IconRgb skyTop;          // the background's top right
    IconRgb skyLow;          // the background's sky near the horizon
    IconRgb wire;            // the smoke sheet's first grey
    IconRgb spark[7];        // the spark sheet's orange row, frames 0 to 6
    IconRgb hot;             // the near-white centre of a burning spark
};

// Read from the embedded pictures; false when one of them is missing or cannot be decoded.
bool iconColoursFromImages(IconColours& out);

// The shapes of the design, back to front.
std::vector<IconShape> iconShapes(const IconColours& colours);

// The icon drawn at size x size pixels, RGBA with straight alpha, top row first; each pixel is
// the average of a grid of samples. Strokes and rays are kept at least one pixel across so the
// burst still reads at 16 pixels. Empty when size is not positive.
std::vector<std::uint8_t> drawIcon(const std::vector<IconShape>& shapes, int size);
