// ProgressLine: the text of the line, how often it is redrawn, and what is left on the
// terminal at the end; written into a memory stream in place of stderr.
#include "replay/ProgressLine.hpp"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

// A memory stream that collects what the line writes.
class Captured {
public:
    Captured() : file(open_memstream(&buffer, &size)) {}
    ~Captured()
    {
        std::fclose(file);
        std::free(buffer);
    }
    std::FILE* stream() { return file; }
    std::string text()
    {
        std::fflush(file);
        return std::string(buffer, size);
    }

private:
    char* buffer = nullptr;
    std::size_t size = 0;
    std::FILE* file;
};

int count(const std::string& text, char c)
{
    int n = 0;
    for (char x : text)
        n += x == c;
    return n;
}

} // namespace

TEST(ProgressLine, TextGivesFramesRateAndTimeLeft)
{
    EXPECT_EQ(ProgressLine::text(120, 600, 2.0), "frame 120 of 600, 60.0 frames/s, 8 s left");
    // The time left rounds up: 1.5 s to go is "2 s", never "1 s" or "0 s".
    EXPECT_EQ(ProgressLine::text(3, 6, 1.5), "frame 3 of 6, 2.0 frames/s, 2 s left");
    EXPECT_EQ(ProgressLine::text(10, 100000, 1.0), "frame 10 of 100000, 10.0 frames/s, 2 h 46 min left");
    EXPECT_EQ(ProgressLine::text(100, 1000, 10.0), "frame 100 of 1000, 10.0 frames/s, 1 min 30 s left");
    EXPECT_EQ(ProgressLine::text(600, 600, 12.5), "frame 600 of 600, 48.0 frames/s, done in 12.5 s");
    // Before any time has passed there is no rate to tell the time left by.
    EXPECT_EQ(ProgressLine::text(0, 600, 0.0), "frame 0 of 600, 0.0 frames/s");
}

TEST(ProgressLine, RedrawsInPlaceAtMostFourTimesASecondAndAlwaysAtTheEnd)
{
    Captured out;
    ProgressLine line(out.stream(), 100, 10.0);
    for (int done = 1; done <= 100; ++done)
        line.update(done, 10.0 + done * 0.01); // one second for all 100 frames
    const std::string text = out.text();
    // The first frame, one every quarter second, and the last.
    EXPECT_GE(count(text, '\r'), 4);
    EXPECT_LE(count(text, '\r'), 6);
    EXPECT_EQ(count(text, '\n'), 0) << "the line is redrawn, never a new one";
    EXPECT_NE(text.find("\rframe 100 of 100, 100.0 frames/s, done in 1.0 s\x1b[K"), std::string::npos) << text;

    line.finish(11.0);
    EXPECT_EQ(out.text().back(), '\n') << "the last count stays on its own line";
    EXPECT_EQ(count(out.text(), '\n'), 1);
}

TEST(ProgressLine, AStoppedRunEndsWithItsLastCountAndNothingDrawnLeavesNothing)
{
    Captured out;
    ProgressLine line(out.stream(), 100, 0.0);
    line.update(7, 0.1);
    line.update(8, 0.2); // too soon to redraw
    line.finish(0.3);
    const std::string text = out.text();
    EXPECT_NE(text.find("\rframe 8 of 100"), std::string::npos) << text;
    EXPECT_EQ(text.back(), '\n');

    Captured quiet;
    ProgressLine never(quiet.stream(), 100, 0.0);
    never.finish(1.0);
    EXPECT_EQ(quiet.text(), "");

    ProgressLine nowhere(nullptr, 100, 0.0); // no terminal: every call is a no-op
    nowhere.update(100, 1.0);
    nowhere.finish(1.0);
}
