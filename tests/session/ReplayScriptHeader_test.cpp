// ReplayScript's header (the seed and frame count a recorded session starts with) and the key
// names a record is written with, which must read back as the same codes.
#include "session/ReplayScript.hpp"

#include <gtest/gtest.h>

#include <string>

TEST(ReplayScriptHeader, GivesTheSeedAndFramesOfTheCommentsBeforeTheFirstEvent)
{
    ReplayScript script;
    std::string error;
    ASSERT_TRUE(
        script.parse("# A live session\n  # seed 1733650000\n# frames 600     \n\n3 key H\n# frames 9\n", "s", error))
        << error;
    EXPECT_EQ(script.seed, 1733650000u);
    EXPECT_EQ(script.frames, 600) << "a comment after the first event is only a comment";

    ReplayScript plain;
    ASSERT_TRUE(plain.parse("# no header here\n# seed 7, 2400 frames: the help panel shown\n# frames 1 2\n"
                            "1 key C   # seed 5\n",
                            "s", error))
        << error;
    EXPECT_FALSE(plain.seed.has_value());
    EXPECT_FALSE(plain.frames.has_value());
}

TEST(ReplayScriptHeader, AHeaderValueThatCannotBeReadIsAnErrorOnItsLine)
{
    for (const char* text : {"# seed\n", "# seed -1\n", "# seed 4294967296\n", "# frames 12x\n", "# frames\n"}) {
        ReplayScript script;
        std::string error;
        EXPECT_FALSE(script.parse(std::string("# header\n") + text, "run.txt", error)) << text;
        EXPECT_EQ(error.rfind("run.txt:2: ", 0), 0u) << error;
    }
}

TEST(ReplayScriptHeader, EveryKeyNameReadsBackAsItsCode)
{
    EXPECT_EQ(ReplayScript::keyName(27), "Escape");
    EXPECT_EQ(ReplayScript::keyName(33), "PageUp");
    EXPECT_EQ(ReplayScript::keyName('8'), "8");
    EXPECT_EQ(ReplayScript::keyName('9'), "57") << "only 1..8 are digit names";
    EXPECT_EQ(ReplayScript::keyName(1), "01") << "not the digit key 1";
    for (std::uintptr_t code = 1; code <= 255; ++code) {
        ReplayScript script;
        std::string error;
        ASSERT_TRUE(script.parse("0 key " + ReplayScript::keyName(code) + "\n", "s", error)) << code << ": " << error;
        EXPECT_EQ(script.keys[0], std::vector<std::uintptr_t>{code});
    }
}
