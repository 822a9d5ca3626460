// make_icons: writes the program's icon, drawn from its own pictures, as PNG files at the
// sizes of the desktop's icon theme and of the web page's manifest, and as one SVG file.
//
//   build/tools/make_icons assets/icons
//
// Output: sparkler-16.png ... sparkler-512.png (RGBA) and sparkler.svg. The PNGs are what the
// program itself draws for its window icon; the SVG fills the same shapes with the same
// gradients. Both are deterministic. The install rules put them into the hicolor theme.
#include "gfx/Icon.hpp"
#include "platform/AtomicFile.hpp"
#include "platform/PngWriter.hpp"

#include <cmath>
#include <cstdio>
#include <sstream>
#include <string>

namespace {

// The theme's sizes, then the two an installable web page names in its manifest.
constexpr int kSizes[] = {16, 22, 24, 32, 48, 64, 128, 256, 192, 512};
constexpr double kSvgSize = 256.0;

std::string hex(const IconRgb& c)
{
    char text[8];
    const auto byte = [](double v) { return static_cast<unsigned>(v + 0.5); };
    std::snprintf(text, sizeof text, "#%02x%02x%02x", byte(c.r), byte(c.g), byte(c.b));
    return text;
}

// Three decimals in the 256-unit view box: plenty, and stable across printf implementations.
std::string num(double unit)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", unit * kSvgSize);
    return text;
}

void writeStops(std::ostringstream& svg, const IconShape& shape)
{
    for (const IconStop& s : shape.stops) {
        char at[16];
        std::snprintf(at, sizeof at, "%.3f", s.at);
        svg << "<stop offset=\"" << at << "\" stop-color=\"" << hex(s.colour) << "\"";
        if (s.alpha < 1.0) {
            char alpha[16];
            std::snprintf(alpha, sizeof alpha, "%.3f", s.alpha);
            svg << " stop-opacity=\"" << alpha << "\"";
        }
        svg << "/>";
    }
}

std::string svgFor(const std::vector<IconShape>& shapes)
{
    std::ostringstream svg;
    svg << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"256\" height=\"256\" viewBox=\"0 0 256 256\">\n"
        << "<defs>\n";
    // Gradients first, one per shape that has more than one stop.
    for (std::size_t i = 0; i < shapes.size(); ++i) {
        const IconShape& s = shapes[i];
        if (s.stops.size() < 2)
            continue;
        if (s.kind == IconShape::Glow) {
            svg << "<radialGradient id=\"g" << i << "\" gradientUnits=\"userSpaceOnUse\" cx=\"" << num(s.x0)
                << "\" cy=\"" << num(s.y0) << "\" r=\"" << num(s.width) << "\">";
            writeStops(svg, s);
            svg << "</radialGradient>\n";
        } else {
            const bool vertical = s.kind == IconShape::Tile;
            svg << "<linearGradient id=\"g" << i << "\" gradientUnits=\"userSpaceOnUse\" x1=\"" << num(s.x0)
                << "\" y1=\"" << num(s.y0) << "\" x2=\"" << num(vertical ? s.x0 : s.x1) << "\" y2=\"" << num(s.y1)
                << "\">";
            writeStops(svg, s);
            svg << "</linearGradient>\n";
        }
    }
    svg << "</defs>\n";
    for (std::size_t i = 0; i < shapes.size(); ++i) {
        const IconShape& s = shapes[i];
        const std::string fill = s.stops.size() < 2 ? hex(s.stops.front().colour) : "url(#g" + std::to_string(i) + ")";
        switch (s.kind) {
        case IconShape::Tile:
            svg << "<rect x=\"" << num(s.x0) << "\" y=\"" << num(s.y0) << "\" width=\"" << num(s.x1 - s.x0)
                << "\" height=\"" << num(s.y1 - s.y0) << "\" rx=\"" << num(s.width) << "\" fill=\"" << fill << "\"/>\n";
            break;
        case IconShape::Stroke:
            svg << "<line x1=\"" << num(s.x0) << "\" y1=\"" << num(s.y0) << "\" x2=\"" << num(s.x1) << "\" y2=\""
                << num(s.y1) << "\" stroke=\"" << fill << "\" stroke-width=\"" << num(s.width)
                << "\" stroke-linecap=\"round\"/>\n";
            break;
        case IconShape::Ray: {
            // The tapering ray as a four-cornered polygon across its axis.
            const double ax = s.x1 - s.x0;
            const double ay = s.y1 - s.y0;
            const double length = std::sqrt(ax * ax + ay * ay);
            const double nx = -ay / length;
            const double ny = ax / length;
            const double h0 = s.width / 2;
            const double h1 = s.tipWidth / 2;
            svg << "<polygon points=\"" << num(s.x0 + nx * h0) << "," << num(s.y0 + ny * h0) << " "
                << num(s.x1 + nx * h1) << "," << num(s.y1 + ny * h1) << " " << num(s.x1 - nx * h1) << ","
                << num(s.y1 - ny * h1) << " " << num(s.x0 - nx * h0) << "," << num(s.y0 - ny * h0) << "\" fill=\""
                << fill << "\"/>\n";
            break;
        }
        case IconShape::Dot:
            svg << "<rect x=\"" << num(s.x0 - s.width / 2) << "\" y=\"" << num(s.y0 - s.width / 2) << "\" width=\""
                << num(s.width) << "\" height=\"" << num(s.width) << "\" fill=\"" << fill << "\"/>\n";
            break;
        case IconShape::Glow:
            svg << "<circle cx=\"" << num(s.x0) << "\" cy=\"" << num(s.y0) << "\" r=\"" << num(s.width) << "\" fill=\""
                << fill << "\"/>\n";
            break;
        }
    }
    svg << "</svg>\n";
    return svg.str();
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_icons OUTPUT_DIR\n");
        return 2;
    }
    const std::string dir = argv[1];
    IconColours colours;
    if (!iconColoursFromImages(colours)) {
        std::fprintf(stderr, "make_icons: the program's pictures could not be decoded\n");
        return 1;
    }
    const std::vector<IconShape> shapes = iconShapes(colours);
    for (int size : kSizes) {
        const std::vector<std::uint8_t> rgba = drawIcon(shapes, size);
        const std::string path = dir + "/sparkler-" + std::to_string(size) + ".png";
        std::string error;
        if (!writeRgbaPng(path, rgba.data(), size, size, error)) {
            std::fprintf(stderr, "make_icons: %s\n", error.c_str());
            return 1;
        }
    }
    const std::string svg = svgFor(shapes);
    std::string error;
    if (!AtomicFile::writeWhole(dir + "/sparkler.svg", svg.data(), svg.size(), error)) {
        std::fprintf(stderr, "make_icons: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
