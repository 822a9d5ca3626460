// End-to-end: the program's crackle through OpenAL's wave backend, recorded to a file.
#include "support/ProgramFixture.hpp"
#include "support/WaveReader.hpp"

#include <gtest/gtest.h>

using namespace e2e;

namespace {

// ---------------------------------------------------------------------------------------------
// Sound

TEST_F(SparklerE2e, WaveSoundBackendRecordsTheCrackle)
{
    const std::string wavePath = scratch + "/sound.wav";
    const std::string confPath = scratch + "/alsoft.conf";
    std::ofstream(confPath) << "[wave]\nfile=" << wavePath << "\n";
    ASSERT_NO_FATAL_FAILURE(startProgram({"ALSOFT_DRIVERS=wave", "ALSOFT_CONF=" + confPath}));
    std::this_thread::sleep_for(1500ms);
    ASSERT_TRUE(running());
    key("Escape");
    const std::optional<int> code = waitForExit(program, 5s);
    ASSERT_TRUE(code.has_value()) << "still running 5 s after Escape";
    program = -1;
    EXPECT_EQ(*code, 0) << programErrors();
    EXPECT_EQ(programErrors().find("without sound"), std::string::npos) << programErrors();

    ASSERT_TRUE(fs::exists(wavePath)) << "no wave file written";
    const WaveSummary wave = readWave(wavePath);
    ASSERT_TRUE(wave.parsed) << "not a wave file of " << fs::file_size(wavePath) << " bytes";
    EXPECT_GT(wave.dataBytes, 44100u) << "format " << wave.format << ", " << wave.channels << " channels, " << wave.bits
                                      << " bits";
    EXPECT_GT(wave.peak, 0.01) << "the recorded sound is silent";
    RecordProperty("wave_peak_permille", static_cast<int>(wave.peak * 1000));
    std::printf("wave: format %d, %d channels, %d bits, %zu data bytes, peak %.3f\n", wave.format, wave.channels,
                wave.bits, wave.dataBytes, wave.peak);
}

} // namespace
