// ChangedBands: where a frame was drawn on, or may differ from another frame, kept band by
// band. The frame is cut into bands of 16 rows; each band keeps one range of columns
// [left, right) that holds every pixel of the band that was touched. A band with
// left >= right was not touched at all. The screen device keeps one for each of its buffers,
// so that it can restore only what was drawn over the background, and hands the display the
// bands where the new frame may differ from the one it showed before.
#pragma once

#include <algorithm>
#include <cstddef>
#include <vector>

class ChangedBands {
public:
    static constexpr int bandRows = 16;

    // Bands for a frame of width x height, with nothing touched.
    void reset(int frameWidth, int frameHeight)
    {
        width = frameWidth;
        height = frameHeight;
        const std::size_t count = frameHeight > 0 ? static_cast<std::size_t>((frameHeight + bandRows - 1) / bandRows) : 0;
        bands.assign(count, Columns{frameWidth, 0});
    }
    // Nothing touched, the frame's size kept.
    void clear() { std::fill(bands.begin(), bands.end(), Columns{width, 0}); }
    // The rectangle at (x, y) of w x h was touched. It must lie inside the frame and not be
    // empty; on bands never reset (a surface that is not a frame) this does nothing.
    void mark(int x, int y, int w, int h)
    {
        if (bands.empty())
            return;
        const auto first = static_cast<unsigned>(y) / bandRows;
        const auto last = static_cast<unsigned>(y + h - 1) / bandRows;
        // A sprite's few rows mostly fall in one band.
        touch(bands[first], x, x + w);
        for (unsigned band = first + 1; band <= last; ++band)
            touch(bands[band], x, x + w);
    }
    // Everything touched in `a` or in `b`, which are bands of frames of one size.
    void unite(const ChangedBands& a, const ChangedBands& b)
    {
        width = a.width;
        height = a.height;
        bands.resize(a.bands.size());
        for (std::size_t band = 0; band < bands.size(); ++band) {
            bands[band].left = std::min(a.bands[band].left, b.bands[band].left);
            bands[band].right = std::max(a.bands[band].right, b.bands[band].right);
        }
    }

    int frameWidth() const { return width; }
    int frameHeight() const { return height; }
    std::size_t bandCount() const { return bands.size(); }
    // The touched columns of a band; left >= right when none.
    int leftOf(std::size_t band) const { return bands[band].left; }
    int rightOf(std::size_t band) const { return bands[band].right; }

private:
    struct Columns {
        int left;
        int right;
    };
    // A band is stored to only when it grows: most sprites land inside columns already marked,
    // and a store every time would chain each sprite's marking to the one before through memory.
    static void touch(Columns& columns, int left, int right)
    {
        if (left < columns.left)
            columns.left = left;
        if (right > columns.right)
            columns.right = right;
    }

    int width = 0;
    int height = 0;
    std::vector<Columns> bands;
};
