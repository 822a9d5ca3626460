// Font for the live Windows program: the face asked for ("Arial") made with GDI's CreateFont
// at the cell height asked for, each line drawn antialiased (grey levels, no ClearType colour
// fringes) white on black into a DIB section, whose levels become the coverage; the colours
// are blended as the native text path blends them. The replay keeps the baked font, so that its
// frames hash as on Linux; the live program's panel is Windows' own Arial.
#include "platform/Font.hpp"

#include "platform/PixelFormat.hpp"
#include "platform/win32/WideText.hpp"

#include <windows.h>

#include <string>

struct Font::Impl {
    HDC dc = nullptr;
    HFONT font = nullptr;
    HGDIOBJ previousFont = nullptr;
    int height = 0;
    std::string faceName;

    ~Impl()
    {
        if (dc != nullptr) {
            SelectObject(dc, previousFont);
            DeleteDC(dc);
        }
        if (font != nullptr)
            DeleteObject(font);
    }
};

Font::Font(std::unique_ptr<Impl> fontImpl) : impl(std::move(fontImpl))
{}

Font::~Font() = default;

std::unique_ptr<Font> Font::create(const char* face, int cellHeight, bool bold)
{
    if (face == nullptr || cellHeight <= 0 || cellHeight > 512)
        return nullptr;
    auto impl = std::make_unique<Impl>();
    // A positive height asks for the cell height (ascent and descent), as the other paths do.
    impl->font = CreateFontW(cellHeight, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                             OUT_TT_PRECIS, CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, DEFAULT_PITCH | FF_SWISS,
                             wideText(face).c_str());
    impl->dc = CreateCompatibleDC(nullptr);
    if (impl->font == nullptr || impl->dc == nullptr)
        return nullptr;
    impl->previousFont = SelectObject(impl->dc, impl->font);
    TEXTMETRICW metrics{};
    wchar_t name[LF_FACESIZE] = {};
    if (!GetTextMetricsW(impl->dc, &metrics) || metrics.tmHeight <= 0)
        return nullptr;
    impl->height = metrics.tmHeight;
    GetTextFaceW(impl->dc, LF_FACESIZE, name);
    for (const wchar_t* c = name; *c != L'\0'; ++c)
        impl->faceName += (*c >= 32 && *c < 127) ? static_cast<char>(*c) : '?';
    return std::unique_ptr<Font>(new Font(std::move(impl)));
}

bool Font::coverage(const char* text, TextCoverage& out) const
{
    const std::wstring line = text != nullptr ? wideText(text) : std::wstring();
    SIZE extent{};
    if (line.empty() || !GetTextExtentPoint32W(impl->dc, line.c_str(), static_cast<int>(line.size()), &extent)
        || extent.cx <= 0 || extent.cx > 16384)
        return false;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = extent.cx;
    info.bmiHeader.biHeight = -impl->height; // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(impl->dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap == nullptr || bits == nullptr)
        return false;
    HGDIOBJ previous = SelectObject(impl->dc, bitmap);
    SetTextColor(impl->dc, RGB(255, 255, 255));
    SetBkColor(impl->dc, RGB(0, 0, 0));
    SetBkMode(impl->dc, OPAQUE);
    RECT box{0, 0, extent.cx, impl->height};
    const bool drawn
        = ExtTextOutW(impl->dc, 0, 0, ETO_OPAQUE, &box, line.c_str(), static_cast<UINT>(line.size()), nullptr) != FALSE;
    GdiFlush();
    out.width = extent.cx;
    out.height = impl->height;
    out.values.resize(static_cast<std::size_t>(out.width) * static_cast<std::size_t>(out.height));
    const auto* pixels = static_cast<const std::uint32_t*>(bits);
    for (std::size_t i = 0; i < out.values.size(); ++i)
        out.values[i] = static_cast<std::uint8_t>((pixels[i] >> 8) & 0xFF); // the green level
    SelectObject(impl->dc, previous);
    DeleteObject(bitmap);
    return drawn;
}

bool Font::shades(std::uint32_t backgroundColour, std::uint32_t textColour, std::uint16_t (&pixels)[256]) const
{
    // Each level between the two colours, channel by channel, as the native text path mixes them.
    for (int level = 0; level < 256; ++level) {
        std::uint32_t mixed = 0;
        for (int shift = 0; shift <= 16; shift += 8) {
            const int from = static_cast<int>((backgroundColour >> shift) & 0xFF);
            const int to = static_cast<int>((textColour >> shift) & 0xFF);
            mixed |= static_cast<std::uint32_t>(from + level * (to - from) / 255) << shift;
        }
        pixels[level] = rgbToPixel(mixed);
    }
    return true;
}

bool Font::draw(std::uint16_t* pixels, int width, int height, int x, int y, const char* text,
                std::uint32_t backgroundColour, std::uint32_t textColour) const
{
    TextCoverage line;
    std::uint16_t shade[256];
    if (pixels == nullptr || !coverage(text, line) || !shades(backgroundColour, textColour, shade))
        return false;
    for (int row = 0; row < line.height; ++row) {
        const int outRow = y + row;
        if (outRow < 0 || outRow >= height)
            continue;
        const std::uint8_t* in = &line.values[static_cast<std::size_t>(row) * static_cast<std::size_t>(line.width)];
        std::uint16_t* out = pixels + static_cast<std::size_t>(outRow) * static_cast<std::size_t>(width);
        for (int column = 0; column < line.width; ++column) {
            if (x + column >= 0 && x + column < width)
                out[x + column] = shade[in[column]];
        }
    }
    return true;
}

int Font::cellHeight() const
{
    return impl->height;
}

const char* Font::filePath() const
{
    return impl->faceName.c_str();
}
