// The pilot: the autopilot's hand over the scene and its keys, the writer's pen and layout,
// the takeover by a person, and the loop that runs them as the live program does.
#include "session/Pilot.hpp"

#include "support/PilotedRun.hpp"

#include "platform/VirtualKeys.hpp"
#include "sim/ScreenSize.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <set>

namespace {

// Key kinds the autopilot presses: colours, trails, gravity.
enum class KeyKind { Help, Colour, Trails, Gravity, Other };

KeyKind kindOf(std::uintptr_t code)
{
    if (code == 'H')
        return KeyKind::Help;
    if (code >= '1' && code <= '8')
        return KeyKind::Colour;
    if (code == 'C')
        return KeyKind::Trails;
    if (code == VK_PRIOR || code == VK_NEXT)
        return KeyKind::Gravity;
    return KeyKind::Other;
}

} // namespace

TEST(Autopilot, WandersOverTheWholeSceneSmoothlyAndPressesTheScenesKeys)
{
    // Five minutes at 60 frames a second, the motion added up as the application adds it.
    for (std::uint32_t seed : {1u, 7u, 123456u}) {
        Autopilot hand(seed);
        std::int32_t x = screenCentreX;
        std::int32_t y = screenCentreY;
        hand.startAt(x, y);
        bool quarter[2][2] = {};
        std::set<KeyKind> kinds;
        std::int32_t lastDx = 0;
        std::int32_t lastDy = 0;
        int biggestChange = 0;
        int still = 0;
        for (int frame = 0; frame < 5 * 60 * 60; ++frame) {
            FrameInput input;
            hand.nextFrame(frame == 0 ? 0 : 17, input);
            if (frame == 0) {
                ASSERT_EQ(input.keys, std::vector<std::uintptr_t>{'H'}) << "the help panel is hidden at the start";
            }
            for (std::uintptr_t code : input.keys)
                kinds.insert(kindOf(code));
            x += input.dx;
            y -= input.dy;
            ASSERT_TRUE(x >= 0 && x < screenWidth && y >= 1 && y <= screenHeight)
                << "seed " << seed << " frame " << frame << " at " << x << "," << y;
            ASSERT_EQ(x, hand.x());
            ASSERT_EQ(y, hand.y());
            quarter[x >= screenCentreX][y >= screenCentreY] = true;
            biggestChange = std::max({biggestChange, std::abs(input.dx - lastDx), std::abs(input.dy - lastDy)});
            still += input.dx == 0 && input.dy == 0;
            lastDx = input.dx;
            lastDy = input.dy;
        }
        EXPECT_TRUE(quarter[0][0] && quarter[0][1] && quarter[1][0] && quarter[1][1]) << "seed " << seed;
        EXPECT_TRUE(kinds.count(KeyKind::Colour) && kinds.count(KeyKind::Trails) && kinds.count(KeyKind::Gravity))
            << "seed " << seed;
        EXPECT_FALSE(kinds.count(KeyKind::Other));
        // No jumps: a hand's speed changes by a few pixels a frame at most.
        EXPECT_LE(biggestChange, 12) << "seed " << seed;
        // It moves most of the time, and rests now and then.
        EXPECT_GT(still, 60);
        EXPECT_LT(still, 5 * 60 * 60 / 3);
    }
}

TEST(Autopilot, IsTheSameForASeedAndDiffersBetweenSeeds)
{
    auto path = [](std::uint32_t seed) {
        Autopilot hand(seed);
        std::vector<std::int32_t> out;
        for (int frame = 0; frame < 2000; ++frame) {
            FrameInput input;
            hand.nextFrame(frame % 7 == 0 ? 33 : 16, input);
            out.push_back(input.dx);
            out.push_back(input.dy);
            for (std::uintptr_t code : input.keys)
                out.push_back(-static_cast<std::int32_t>(code));
        }
        return out;
    };
    EXPECT_EQ(path(42), path(42));
    EXPECT_NE(path(42), path(43));
}

TEST(Autopilot, LongAndZeroStepsNeitherFlingNorFreezeTheHand)
{
    Autopilot hand(3);
    hand.startAt(100, 100);
    FrameInput first;
    hand.nextFrame(0, first);
    EXPECT_EQ(first.dx, 0);
    EXPECT_EQ(first.dy, 0);
    for (int i = 0; i < 50; ++i) {
        FrameInput input;
        hand.nextFrame(4000000000u, input); // a machine stalled for weeks
        EXPECT_LE(std::abs(input.dx) + std::abs(input.dy), 600);
        EXPECT_TRUE(hand.x() >= 0 && hand.x() < screenWidth && hand.y() >= 1 && hand.y() <= screenHeight);
    }
}

TEST(PilotLoop, CarriesTheSparklerThroughTheMouseReadAndHidesTheHelp)
{
    PilotedRun run(11, true);
    Autopilot alone(11);
    std::int32_t x = screenCentreX;
    std::int32_t y = screenCentreY;
    for (int frame = 0; frame < 600; ++frame) {
        FrameInput input;
        alone.nextFrame(frame == 0 ? 0 : 16, input);
        x += input.dx;
        y -= input.dy;
        run.pass();
        ASSERT_EQ(run.x(), x) << "frame " << frame;
        ASSERT_EQ(run.y(), y) << "frame " << frame;
    }
    EXPECT_FALSE(run.app->helpVisible);
    EXPECT_TRUE(run.pilot.flying());
}

TEST(PilotLoop, APersonsMotionOrKeyTakesOverAtOnce)
{
    {
        PilotedRun run(5, true);
        for (int i = 0; i < 120; ++i)
            run.pass();
        run.mouse.move(30, -20); // a person's hand on the mouse
        run.pass();
        const std::int32_t x = run.x();
        const std::int32_t y = run.y();
        for (int i = 0; i < 120; ++i)
            run.pass();
        EXPECT_FALSE(run.pilot.flying());
        EXPECT_TRUE(run.pilot.tookOverByPerson());
        EXPECT_EQ(run.x(), x) << "the sparkler stays where the person left it";
        EXPECT_EQ(run.y(), y);
        run.mouse.move(-10, 0);
        run.pass();
        EXPECT_EQ(run.x(), x - 10);
    }
    {
        PilotedRun run(5, true);
        for (int i = 0; i < 60; ++i)
            run.pass();
        const bool smoke = run.app->smokeOn;
        run.window.postMessage(WM_KEYDOWN, 'S', 1); // a person's key
        run.pass();
        run.pass();
        EXPECT_FALSE(run.pilot.flying());
        EXPECT_NE(run.app->smokeOn, smoke) << "the person's key itself works";
    }
}

TEST(PilotLoop, WordsAreWrittenThenHeldThenTheAutopilotTakesTheSparkler)
{
    PilotedRun run(2, true, "Hi");
    const std::int64_t frames = run.pilot.framesToWriteAndHold(16, {});
    ASSERT_GT(frames, 0);
    int downs = 0;
    for (std::int64_t frame = 0; frame < frames; ++frame) {
        run.pass();
        downs += run.app->light != nullptr && run.app->light->penIsDown();
    }
    ASSERT_NE(run.app->light, nullptr) << "the first pen made the light";
    EXPECT_TRUE(run.pilot.wroteAndHeld());
    EXPECT_GT(downs, 20);
    EXPECT_TRUE(run.app->light->finished());
    EXPECT_GT(run.app->light->level(), 0) << "still lit at the end of the hold";
    const std::int32_t x = run.x();
    // The light fades, then the autopilot flies on from where the pen stopped.
    for (int i = 0; i < 200; ++i)
        run.pass();
    EXPECT_EQ(run.app->light->level(), 0);
    EXPECT_NE(run.x(), x);
}

TEST(TextWriter, TracesEachStrokeAtASteadySpeedWithThePenDownOnlyOnStrokes)
{
    StrokeFont font;
    std::string error;
    ASSERT_TRUE(font.read(StrokeFont::embeddedText(), error)) << error;
    TextWriter writer;
    std::string skipped;
    ASSERT_TRUE(writer.layOut(font, "Ok 42", skipped, error)) << error;
    EXPECT_TRUE(skipped.empty());
    bool down = false;
    int downs = 0;
    bool done = false;
    std::int32_t x = writer.x();
    std::int32_t y = writer.y();
    for (int frame = 0; frame < 5000 && !done; ++frame) {
        FrameInput input;
        writer.nextFrame(16, input);
        for (Pen pen : input.pen) {
            if (pen == Pen::Down) {
                EXPECT_FALSE(down);
                down = true;
                ++downs;
            } else if (pen == Pen::Up) {
                EXPECT_TRUE(down);
                down = false;
            } else {
                EXPECT_FALSE(down) << "the pen is lifted before it is done";
                done = true;
            }
        }
        // Along a stroke the pen never goes faster than its speed (a pixel of rounding aside).
        if (down && input.pen.empty()) {
            const double step = std::sqrt(double(input.dx) * input.dx + double(input.dy) * input.dy);
            EXPECT_LE(step, writer.penSpeed * 0.016 + 1.5) << "frame " << frame;
        }
        x += input.dx;
        y -= input.dy;
        EXPECT_TRUE(x >= 0 && x < screenWidth && y >= 1 && y <= screenHeight);
    }
    EXPECT_TRUE(done);
    EXPECT_TRUE(writer.done());
    EXPECT_EQ(downs, static_cast<int>(writer.strokes.size()));
    FrameInput after;
    writer.nextFrame(16, after);
    EXPECT_EQ(after.dx, 0);
    EXPECT_TRUE(after.pen.empty());
}

TEST(TextWriter, LaysWordsOutCentredAndInsideTheSceneInAsManyLinesAsFitBest)
{
    StrokeFont font;
    std::string error;
    ASSERT_TRUE(font.read(StrokeFont::embeddedText(), error)) << error;
    auto box = [&](const std::string& text, double& left, double& right, double& bottom, double& top) {
        TextWriter writer;
        std::string skipped;
        EXPECT_TRUE(writer.layOut(font, text, skipped, error)) << error;
        left = bottom = 1e9;
        right = top = -1e9;
        for (const auto& stroke : writer.strokes) {
            for (const auto& p : stroke) {
                left = std::min(left, p.x);
                right = std::max(right, p.x);
                bottom = std::min(bottom, p.y);
                top = std::max(top, p.y);
            }
        }
    };
    double l = 0, r = 0, b = 0, t = 0;
    for (const char* text : {"A", "Happy 2027", "The quick brown fox jumps over the lazy dog twice", "ONE\\nTWO"}) {
        box(text, l, r, b, t);
        EXPECT_GE(l, 60.0) << text;
        EXPECT_LE(r, screenWidth - 60.0) << text;
        EXPECT_GE(b, 40.0) << text;
        EXPECT_LE(t, screenHeight - 40.0) << text;
        EXPECT_NEAR((l + r) / 2, screenCentreX, 40.0) << text;
    }
    // A long sentence is broken into lines: taller than one line of its letters.
    box("The quick brown fox jumps over the lazy dog twice", l, r, b, t);
    EXPECT_GT(t - b, 200.0);
    box("ONE\\nTWO", l, r, b, t);
    EXPECT_GT(t - b, 300.0) << "a hard break makes two lines";
}

TEST(TextWriter, LeavesOutWhatTheFontLacksAndRefusesTextWithNothingToWrite)
{
    StrokeFont font;
    std::string error;
    ASSERT_TRUE(font.read(StrokeFont::embeddedText(), error)) << error;
    TextWriter writer;
    std::string skipped;
    ASSERT_TRUE(writer.layOut(font, "Café \xC3\xA9t\xC3\xA9 \xE2\x82\xAC", skipped, error)) << error;
    EXPECT_EQ(skipped, "\xC3\xA9 \xE2\x82\xAC") << "each missing character named once";
    EXPECT_FALSE(writer.layOut(font, "  \xE2\x82\xAC \\n ", skipped, error));
    EXPECT_EQ(error, "nothing in the text can be written");
    EXPECT_FALSE(writer.layOut(font, "", skipped, error));
}

TEST(StrokeFont, ReadsTheEmbeddedFontAndRefusesMalformedText)
{
    StrokeFont font;
    std::string error;
    ASSERT_TRUE(font.read(StrokeFont::embeddedText(), error)) << error;
    for (char c = ' '; c <= '~'; ++c)
        ASSERT_NE(font.glyph(c), nullptr) << c;
    EXPECT_EQ(font.glyph('\t'), nullptr);
    EXPECT_EQ(font.glyph(static_cast<char>(0xC3)), nullptr);
    const StrokeGlyph& a = *font.glyph('A');
    EXPECT_EQ(a.strokes.size(), 3u) << "two slants and the bar";
    EXPECT_LT(a.left, 0);
    EXPECT_GT(a.right, 0);
    EXPECT_TRUE(font.glyph(' ')->strokes.empty());

    for (const char* bad : {"", "12345", "12345 x9MWRFRT", "12345  9MWRF", "12345  3MW\x01\x02RR\n"}) {
        StrokeFont broken;
        EXPECT_FALSE(broken.read(bad, error)) << bad;
        EXPECT_FALSE(error.empty());
    }
    // A glyph may go on over the next line.
    StrokeFont wrapped;
    ASSERT_TRUE(wrapped.read("12345  4JZRF\nRTRY\n", error)) << error;
    EXPECT_EQ(wrapped.glyph(' ')->strokes.size(), 1u);
    EXPECT_EQ(wrapped.glyph(' ')->strokes[0].size(), 3u);
}
