// Win32Display: GDI presents and the sleeping frame pacer; see the header.
#include "platform/win32/Win32Display.hpp"

#include "platform/ScreenshotFile.hpp"
#include "platform/win32/Win32Window.hpp"

#include <windows.h>


namespace {

constexpr int kFramesPerSecond = 60;

// A top-down 16-bit DIB whose pixels are RGB565, as the frames are.
struct Rgb565Info {
    BITMAPINFOHEADER header;
    DWORD masks[3];
};

long long counterNow()
{
    LARGE_INTEGER now{};
    QueryPerformanceCounter(&now);
    return now.QuadPart;
}

} // namespace

int Win32Display::open(int width, int height, int bitsPerPixel)
{
    close();
    error.clear();
    if (bitsPerPixel != 16 || width <= 0 || height <= 0 || width > 16384 || height > 16384) {
        error = "only 16 bits per pixel can be shown";
        return E_INVALIDARG;
    }
    if (owner.handle() == nullptr) {
        error = "there is no window to show the frames in";
        return E_FAIL;
    }
    frameWidth = width;
    frameHeight = height;
    owner.showForDisplay();
    LARGE_INTEGER frequency{};
    QueryPerformanceFrequency(&frequency);
    counterFrequency = frequency.QuadPart;
    nextDue = 0;
    barsPainted = false;
    opened = true;
    return 0;
}

int Win32Display::show(const std::uint16_t* pixels, int width, int height, const ChangedBands*)
{
    if (!opened || pixels == nullptr || width != frameWidth || height != frameHeight)
        return E_FAIL;
    draw(pixels);
    lastFrame = std::span<const std::uint16_t>(pixels, static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    pace();
    return 0;
}

void Win32Display::close()
{
    if (opened)
        owner.hideForDisplay();
    opened = false;
    lastFrame = {};
}

void Win32Display::repaint()
{
    barsPainted = false;
    if (opened && !lastFrame.empty())
        draw(lastFrame.data());
}

void Win32Display::draw(const std::uint16_t* pixels)
{
    HWND window = owner.handle();
    RECT client{};
    if (!GetClientRect(window, &client) || client.right <= 0 || client.bottom <= 0)
        return; // minimised: nothing to draw into
    // The largest rectangle of the frame's aspect that fits, centred.
    const long long cw = client.right;
    const long long ch = client.bottom;
    long long w = cw;
    long long h = cw * frameHeight / frameWidth;
    if (h > ch) {
        h = ch;
        w = ch * frameWidth / frameHeight;
    }
    const int x = static_cast<int>((cw - w) / 2);
    const int y = static_cast<int>((ch - h) / 2);
    // A preview draws through the DC of the window it was handed, which its own window covers
    // whole: Windows shows the two alike, and Wine shows nothing drawn in a child window whose
    // parent is another process's. Its children are not clipped away (that is the drawing's own
    // window), windows above it are.
    HWND target = owner.previewParent() != nullptr ? owner.previewParent() : window;
    HDC dc = target != window ? GetDCEx(target, nullptr, DCX_CACHE | DCX_CLIPSIBLINGS) : GetDC(window);
    if (dc == nullptr)
        return;
    // The bars beside or above and below the picture. The window handed to a preview is its
    // owner's, which may paint its own background over them at any time: there they are
    // painted with every frame.
    if (!barsPainted || target != window) {
        const RECT bars[] = {{0, 0, x, client.bottom},
                             {static_cast<LONG>(x + w), 0, client.right, client.bottom},
                             {0, 0, client.right, y},
                             {0, static_cast<LONG>(y + h), client.right, client.bottom}};
        for (const RECT& bar : bars)
            if (bar.right > bar.left && bar.bottom > bar.top)
                FillRect(dc, &bar, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        barsPainted = true;
    }
    Rgb565Info info{};
    info.header.biSize = sizeof info.header;
    info.header.biWidth = frameWidth;
    info.header.biHeight = -frameHeight; // top row first
    info.header.biPlanes = 1;
    info.header.biBitCount = 16;
    info.header.biCompression = BI_BITFIELDS;
    info.masks[0] = 0xF800;
    info.masks[1] = 0x07E0;
    info.masks[2] = 0x001F;
    SetStretchBltMode(dc, COLORONCOLOR);
    StretchDIBits(dc, x, y, static_cast<int>(w), static_cast<int>(h), 0, 0, frameWidth, frameHeight, pixels,
                  reinterpret_cast<const BITMAPINFO*>(&info), DIB_RGB_COLORS, SRCCOPY);
    ReleaseDC(target, dc);
}

void Win32Display::pace()
{
    const long long period = counterFrequency / kFramesPerSecond;
    if (period <= 0)
        return;
    long long now = counterNow();
    if (nextDue == 0 || now - nextDue > period) {
        nextDue = now + period; // the first frame, or far behind: a new grid
        return;
    }
    // Sleep to within a millisecond of the turn (the clock runs at 1 ms), then wait it out.
    while (now < nextDue) {
        const long long leftMs = (nextDue - now) * 1000 / counterFrequency;
        Sleep(leftMs > 1 ? static_cast<DWORD>(leftMs - 1) : 0);
        now = counterNow();
    }
    nextDue += period;
}

std::string Win32Display::saveScreenshot()
{
    if (lastFrame.empty())
        return {};
    return saveScreenshotAndSay("sparkler", lastFrame.data(), frameWidth, frameHeight);
}
