// bake_font: bakes the help panel's font, found and sized as the program does, into a C++
// source holding the atlas's bytes, for the browser build, which has no font library.
// Usage: bake_font OUT.cpp. Every text the panel can write is checked to come out pixel for
// pixel as the native font draws it. Writes OUT.cpp whole or not at all.
#include "app/HelpTexts.hpp"
#include "platform/AtomicFile.hpp"
#include "platform/FontBaker.hpp"

#include <cstdio>
#include <sstream>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: bake_font OUT.cpp\n");
        return 2;
    }
    const std::string out = argv[1];
    auto font = Font::create(kHelpFontFace, kHelpFontCellHeight, kHelpFontBold);
    if (font == nullptr) {
        std::fprintf(stderr, "bake_font: the help font (%s) cannot be found or opened\n", kHelpFontFace);
        return 1;
    }
    GlyphAtlas atlas;
    FontBakeReport report;
    std::string error;
    if (!bakeGlyphAtlas(*font, helpPanelTexts(), kHelpBackground, atlas, report, error)) {
        std::fprintf(stderr, "bake_font: %s\n", error.c_str());
        return 1;
    }
    const std::vector<std::uint8_t> bytes = atlas.serialize();

    std::ostringstream source;
    source << "// Generated at build time by bake_font from " << atlas.fontPath << ".\n"
           << "#include <cstddef>\n#include <cstdint>\n\n"
           << "extern const std::uint8_t kBakedFont[] = {";
    for (std::size_t i = 0; i < bytes.size(); ++i)
        source << (i % 32 == 0 ? "\n" : "") << static_cast<unsigned>(bytes[i]) << ',';
    source << "\n};\nextern const std::size_t kBakedFontSize = sizeof kBakedFont;\n";

    const std::string text = source.str();
    if (!AtomicFile::writeWhole(out, text.data(), text.size(), error)) {
        std::fprintf(stderr, "bake_font: %s\n", error.c_str());
        return 1;
    }
    std::printf("bake_font: %s, %zu bytes, %d texts checked, %d kept whole\n", atlas.fontPath.c_str(), bytes.size(),
                report.checkedTexts, report.keptLines);
    return 0;
}
