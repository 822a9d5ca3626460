// HelpTexts: every text the help panel writes, with its place and colour, and the font it is
// written in. The panel draws them; the font baking of the browser build reads the same list
// to bake exactly what the panel can show (the counts run from 0 to the largest pool's size).
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

struct HelpLine {
    const char* text;
    int x;
    int y;
    std::uint32_t colour; // 0x00BBGGRR, on a black background
};

inline constexpr const char* kHelpFontFace = "Arial";
inline constexpr int kHelpFontCellHeight = 12;
inline constexpr bool kHelpFontBold = true;

inline constexpr std::uint32_t kHelpWhite = 0xFFFFFF;
inline constexpr std::uint32_t kHelpLightGrey = 0xC8C8C8;
inline constexpr std::uint32_t kHelpBackground = 0;

// The title, the H line and the seven command lines, drawn first and in this order.
inline constexpr HelpLine kHelpCommandLines[] = {
    {"HELP", 10, 10, kHelpWhite},
    {"Help Menu On/Off: Press H", 10, 25, kHelpWhite},
    {"Smoke On/Off: Press S", 10, 40, kHelpWhite},
    {"Sparkler On/Off: Press K", 10, 55, kHelpWhite},
    {"Gravity Adjust: PgUp/PgDn", 10, 70, kHelpWhite},
    {"Background On/Off: Press B", 10, 85, kHelpWhite},
    {"Sparkler Colours: Press 1-8", 10, 100, kHelpWhite},
    {"Cool (Side) Effect: Press C", 10, 115, kHelpWhite},
    {"Reverse Sound L/R: Press R", 10, 130, kHelpWhite},
};
// The two count lines: the prefix followed by the live count in decimal.
inline constexpr HelpLine kHelpSparklerCount = {"Sparkler Particles: ", 10, 150, kHelpLightGrey};
inline constexpr HelpLine kHelpSmokeCount = {"Smoke Particles: ", 10, 165, kHelpLightGrey};
// Drawn last.
inline constexpr HelpLine kHelpSignature = {"Dovrenko", 85, 185, kHelpWhite};
// No count can exceed the larger of the two pools.
inline constexpr int kHelpLargestCount = 5000;

// Every line the panel can write, each with its colour: the fixed lines and both count lines
// at every count from 0 to kHelpLargestCount.
inline std::vector<std::pair<std::string, std::uint32_t>> helpPanelTexts()
{
    std::vector<std::pair<std::string, std::uint32_t>> texts;
    for (const HelpLine& line : kHelpCommandLines)
        texts.emplace_back(line.text, line.colour);
    texts.emplace_back(kHelpSignature.text, kHelpSignature.colour);
    for (int count = 0; count <= kHelpLargestCount; ++count) {
        texts.emplace_back(kHelpSparklerCount.text + std::to_string(count), kHelpSparklerCount.colour);
        texts.emplace_back(kHelpSmokeCount.text + std::to_string(count), kHelpSmokeCount.colour);
    }
    return texts;
}
