// End-to-end: what the real program shows at start, and what the keys H, B, C, 8 and Page Down
// change on screen.
#include "support/ProgramFixture.hpp"

#include <gtest/gtest.h>

#include <algorithm>

using namespace e2e;

namespace {

// ---------------------------------------------------------------------------------------------
// Start-up

TEST_F(SparklerE2e, StartUpShowsBackgroundSparksSmokeAndHelpPanel)
{
    ASSERT_NO_FATAL_FAILURE(startProgram());
    // Orange sparks (the first colour, for 5 s) burst from the emitter at the centre. The first
    // frames hold them in a few pixels there, so the shot waits until they have spread; a
    // fast start otherwise takes it while they are still a dot.
    const auto orange = [](Rgb p) { return classify(p) == Hue::Orange; };
    const Region aroundCentre{centreX - 60, centreY - 60, centreX + 60, centreY + 60};
    bool spread = false;
    const Image shot = screenshotWhen(
        "startup", 3s,
        [&](const Image& image) {
            return Clock::now() - started < 4s && countIf(image, aroundCentre, orange) >= 300;
        },
        &spread);
    ASSERT_TRUE(shot.valid());
    // Sparks are orange only during the first colour period (5 s).
    ASSERT_LT(seconds(Clock::now() - started), 4.0) << "the start took too long for the colour checks";

    // The night-lake picture: a blue sky in the upper right, a dark shore in the lower right.
    const Mean sky = meanOf(shot, upperRight);
    EXPECT_TRUE(backgroundShown(shot)) << "upper right mean " << sky.r << "," << sky.g << "," << sky.b;
    const Mean shore = meanOf(shot, lowerRightQuadrant);
    EXPECT_LT(shore.r + shore.g + shore.b, 3 * 40.0)
        << "lower right mean " << shore.r << "," << shore.g << "," << shore.b;
    EXPECT_GE(shore.b, shore.r);

    // They spread around the centre and fall: after a moment far more of them are below it
    // than above.
    EXPECT_TRUE(spread) << "orange spark pixels around the centre: " << countIf(shot, aroundCentre, orange);
    bool fell = false;
    const Image falling = screenshotWhen(
        "falling", 4s,
        [&](const Image& image) {
            return Clock::now() - started < 4500ms && countIf(image, belowEmitter, orange) >= 300;
        },
        &fell);
    const int orangeBelow = countIf(falling, belowEmitter, orange);
    const int orangeAbove = countIf(falling, aboveEmitter, orange);
    EXPECT_TRUE(fell) << "orange spark pixels well below the centre: " << orangeBelow;
    EXPECT_GT(orangeBelow, 3 * orangeAbove) << "sparks should fall: above " << orangeAbove;

    // The help panel: its light frame down the left edge and along the top, and not wider than 158.
    EXPECT_GE(panelLineOnLeftEdge(shot), 190) << "left frame line, column 0";
    EXPECT_GE(countIf(shot, {0, 0, panelWidth, 1}, isPanelLine), 150) << "top frame line, row 0";
    // (two long command lines run over the right frame line, their black boxes see-through)
    EXPECT_GE(countIf(shot, {panelWidth - 1, 2, panelWidth, panelHeight - 2}, isPanelLine), 150) << "right frame line";
    EXPECT_LE(countIf(shot, {panelWidth, 2, panelWidth + 1, panelHeight - 2}, isPanelLine), 5)
        << "column 158 is no longer the panel";
    // White command lines, light-grey count lines.
    EXPECT_GE(countIf(shot, {3, 8, panelWidth - 3, 145}, isWhite), 400) << "white text of the command lines";
    const int countGrey = countIf(shot, {3, 148, panelWidth - 3, 180}, isCountGrey);
    const int countWhite = countIf(shot, {3, 148, panelWidth - 3, 180}, isWhite);
    EXPECT_GE(countGrey, 80) << "light-grey count lines";
    EXPECT_LT(countWhite, countGrey / 5) << "the count lines are light grey, not white";
    // The panel is transparent where it is black: the sky shows through inside the frame.
    const Mean inside = meanOf(shot, {100, 2, 150, 8});
    EXPECT_GT(inside.b, inside.r + 20) << "inside the panel the background should show through";

    // Grey smoke rising above the emitter; the puffs are slow, so give them a moment.
    bool held = false;
    const Image later = screenshotWhen(
        "smoke", 6s, [](const Image& image) { return countIf(image, smokeColumn, isSmokeGrey) >= 150; }, &held);
    EXPECT_TRUE(held) << "smoke pixels above the centre: " << countIf(later, smokeColumn, isSmokeGrey);
    EXPECT_LT(countIf(later, {centreX - 40, 0, centreX + 40, 240}, isSmokeGrey),
              countIf(later, smokeColumn, isSmokeGrey))
        << "the smoke starts at the emitter and rises from there";
}

// ---------------------------------------------------------------------------------------------
// Keys

TEST_F(SparklerE2e, KeyHSlidesTheHelpPanelOutAndBackIn)
{
    ASSERT_NO_FATAL_FAILURE(startProgram());
    ASSERT_GE(panelLineOnLeftEdge(screenshot("before")), 190);

    key("h");
    bool held = false;
    const Image gone = screenshotWhen(
        "hidden", 3s,
        [](const Image& image) {
            return panelLineOnLeftEdge(image) == 0 && countIf(image, {0, 0, panelWidth, 1}, isPanelLine) == 0;
        },
        &held);
    EXPECT_TRUE(held) << "the panel's frame is still in the top-left corner 3 s after H";
    EXPECT_LT(countIf(gone, {3, 8, panelWidth - 3, 145}, isWhite), 40) << "the help text is still there";

    key("h");
    screenshotWhen(
        "back", 3s, [](const Image& image) { return panelLineOnLeftEdge(image) >= 190; }, &held);
    EXPECT_TRUE(held) << "the panel did not come back 3 s after the second H";
}

TEST_F(SparklerE2e, KeysBAndCSwitchBackgroundAndTrails)
{
    ASSERT_NO_FATAL_FAILURE(startProgram());
    ASSERT_TRUE(backgroundShown(screenshot("before")));

    bool held = false;
    key("b");
    screenshotWhen("b-off", 3s, backgroundBlack, &held);
    EXPECT_TRUE(held) << "B: the upper right corner is not black";
    key("b");
    screenshotWhen("b-on", 3s, backgroundShown, &held);
    EXPECT_TRUE(held) << "B again: the background did not come back";

    // A normal frame over black, then the same with clearing off: sparks leave trails.
    key("b");
    const Image cleared = screenshotWhen("cleared", 3s, backgroundBlack, &held);
    ASSERT_TRUE(held);
    const int litCleared = countIf(cleared, particleField, isLit);
    key("c");
    const Clock::time_point trailsFrom = Clock::now();
    const Image trails = screenshotWhen(
        "trails", 4s,
        [&](const Image& image) {
            return Clock::now() - trailsFrom >= 1s && countIf(image, particleField, isLit) > 3 * litCleared;
        },
        &held);
    const int litTrails = countIf(trails, particleField, isLit);
    EXPECT_TRUE(held) << "C: lit pixels " << litTrails << " with trails vs " << litCleared << " in a cleared frame";
    EXPECT_TRUE(backgroundBlack(trails)) << "C from background off keeps the background off";
    std::printf("lit pixels: %d cleared, %d with trails\n", litCleared, litTrails);

    // C again: clearing and background back on together; without the background (B) the
    // frame is sparse again. Trails only ever add lit pixels, so a cleared frame has far fewer
    // than the trails had; the first cleared count alone is no bound, as on a loaded machine it
    // may be taken before the sparkler has reached its full shower.
    key("c");
    screenshotWhen("c-back", 3s, backgroundShown, &held);
    EXPECT_TRUE(held) << "the second C did not bring the background back";
    key("b");
    const int sparse = std::max(2 * litCleared, litTrails / 2);
    const Image clearedAgain = screenshotWhen(
        "cleared-again", 3s,
        [&](const Image& image) { return backgroundBlack(image) && countIf(image, particleField, isLit) < sparse; },
        &held);
    EXPECT_TRUE(held) << "after the second C frames are not cleared: lit pixels "
                      << countIf(clearedAgain, particleField, isLit) << " vs " << litCleared << " cleared and "
                      << litTrails << " with trails";
}

TEST_F(SparklerE2e, Key8GivesEachSparkItsOwnColour)
{
    ASSERT_NO_FATAL_FAILURE(startProgram());
    key("b"); // over black, only the particles have colour
    key("2"); // one colour (orange), no cycling
    const Clock::time_point from = Clock::now();
    bool held = false;
    const Image single = screenshotWhen(
        "single", 4s,
        [&](const Image& image) {
            const auto counts = hueCounts(image, particleField);
            return Clock::now() - from >= 1500ms && backgroundBlack(image) && counts.count(Hue::Orange) > 0
                && counts.at(Hue::Orange) >= 300;
        },
        &held);
    ASSERT_TRUE(held) << "no orange sparks over black after B and 2: " << describe(hueCounts(single, particleField));
    auto counts = hueCounts(single, particleField);
    const int orangeSingle = counts[Hue::Orange];
    EXPECT_LT(counts[Hue::Violet] + counts[Hue::BlueViolet] + counts[Hue::Yellow] + counts[Hue::Green],
              orangeSingle / 10)
        << describe(counts);

    key("8");
    const Clock::time_point mixedFrom = Clock::now();
    const auto coloursShown = [](const std::map<Hue, int>& c) {
        int shown = 0;
        for (Hue hue : {Hue::Orange, Hue::Violet, Hue::BlueViolet, Hue::Yellow, Hue::Green})
            if (c.count(hue) > 0 && c.at(hue) >= 40)
                ++shown;
        return shown;
    };
    const Image mixed = screenshotWhen(
        "mixed", 5s,
        [&](const Image& image) {
            return Clock::now() - mixedFrom >= 1500ms && coloursShown(hueCounts(image, particleField)) == 5;
        },
        &held);
    counts = hueCounts(mixed, particleField);
    EXPECT_TRUE(held) << "after 8 not every spark colour shows at once: " << describe(counts);
    std::printf("colours with 2: %s\ncolours with 8: %s\n", describe(hueCounts(single, particleField)).c_str(),
                describe(counts).c_str());
    EXPECT_LT(counts[Hue::Orange], 2 * (counts[Hue::Violet] + counts[Hue::Green] + counts[Hue::Yellow]))
        << describe(counts);
}

TEST_F(SparklerE2e, PageDownTenTimesMakesSparksRise)
{
    ASSERT_NO_FATAL_FAILURE(startProgram());
    key("b"); // the background picture has a coloured firework in this part of the sky
    bool held = false;
    const Image before = screenshotWhen(
        "before", 4s,
        [](const Image& image) { return backgroundBlack(image) && countIf(image, belowEmitter, isSparkColour) >= 300; },
        &held);
    ASSERT_TRUE(held) << "no falling sparks over black";
    const int risingBefore = countIf(before, risingSparks, isSparkColour);
    const int fallingBefore = countIf(before, belowEmitter, isSparkColour);
    EXPECT_GT(fallingBefore, 4 * std::max(risingBefore, 1)) << "with normal gravity sparks fall";

    for (int i = 0; i < 12; ++i)
        ASSERT_NO_FATAL_FAILURE(key("Next"));
    const Clock::time_point from = Clock::now();
    const Image after = screenshotWhen(
        "after", 5s,
        [&](const Image& image) {
            return Clock::now() - from >= 1500ms && countIf(image, risingSparks, isSparkColour) >= 400;
        },
        &held);
    const int risingAfter = countIf(after, risingSparks, isSparkColour);
    EXPECT_TRUE(held) << "spark pixels well above the emitter: " << risingAfter << " (before: " << risingBefore << ")";
    EXPECT_GT(risingAfter, 5 * std::max(risingBefore, 20));
    std::printf("spark pixels well above the emitter: %d before, %d after Page Down\n", risingBefore, risingAfter);
}

} // namespace
