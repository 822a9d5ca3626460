// WebDisplay: the page's canvas as the display. Each shown RGB565 frame goes as it is to the
// page's screen (screen.js), which puts it on a canvas of the frame's size, through WebGL where
// it can, with the bands where it may differ from the frame before (only those are put); the
// page's style scales that canvas to the window with its aspect kept and black bars around it.
#pragma once

#include "platform/Display.hpp"

#include <string>
#include <vector>

class WebDisplay : public Display {
public:
    int open(int width, int height, int bitsPerPixel) override;
    int show(const std::uint16_t* pixels, int width, int height, const ChangedBands* mayDiffer) override;
    void close() override;
    const char* lastError() const override { return error.c_str(); }
    // The caller's buffer, as it stays until the next show.
    std::span<const std::uint16_t> shownFrame() const override { return lastFrame; }

    // Frames shown since the page started, for the page's frame-rate readout.
    unsigned shownFrames() const { return shown; }

private:
    std::span<const std::uint16_t> lastFrame;
    // Each band's changed columns, left and right, handed to the page's screen.
    std::vector<int> bandColumns;
    int frameWidth = 0;
    int frameHeight = 0;
    bool opened = false;
    unsigned shown = 0;
    std::string error;
};
