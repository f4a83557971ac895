// The sound analysis on synthetic signals: bands, channels, silence,
// clipping and automatic gain.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

#include "listen/analysis.h"

namespace ztx::listen {
namespace {

const AudioFormat kFormat;

// `ms` of a sine of `hz` with the given amplitudes per channel, fed block
// by block; the phase carries on between calls.
struct SineFeeder {
    Analyser analyser{kFormat};
    double phase = 0;
    const Levels& Feed(double ms, double hz, double left, double right) {
        const int blocks = static_cast<int>(ms * kFormat.sampleRate / 1000.0 / kFormat.blockFrames + 0.5);
        std::vector<int16_t> block(2 * static_cast<size_t>(kFormat.blockFrames));
        for (int b = 0; b < blocks; ++b) {
            for (int i = 0; i < kFormat.blockFrames; ++i) {
                const double s = std::sin(phase);
                phase += 2 * std::numbers::pi * hz / kFormat.sampleRate;
                block[2 * i] = static_cast<int16_t>(std::clamp(left * s, -32768.0, 32767.0));
                block[2 * i + 1] = static_cast<int16_t>(std::clamp(right * s, -32768.0, 32767.0));
            }
            analyser.Feed(block);
        }
        return analyser.Current();
    }
};

int LoudestBand(const Levels& l) {
    return static_cast<int>(std::max_element(l.bands1.begin(), l.bands1.end()) - l.bands1.begin());
}

TEST(ListenAnalysis, ASineLandsInTheBandOfItsFrequency) {
    for (int k = 0; k < kBandCount; ++k) {
        SineFeeder f;
        const Levels& l = f.Feed(200, kBandCentres[k], 8000, 8000);
        EXPECT_EQ(LoudestBand(l), k) << kBandCentres[k] << " Hz";
    }
    // 1 kHz reads as its amplitude in "1KHz", far above every other band.
    SineFeeder f;
    const Levels& l = f.Feed(200, 1000, 10000, 10000);
    EXPECT_NEAR(l.bands1[4], 10000, 500);
    EXPECT_NEAR(l.bands2[4], 10000, 500);
    EXPECT_NEAR(l.left, 10000, 100);
    EXPECT_NEAR(l.right, 10000, 100);
    for (int k = 0; k < kBandCount; ++k)
        if (k != 4) {
            EXPECT_LT(l.bands1[k], l.bands1[4] / 20) << "band " << k;
        }
    // Bass below the lowest centre still counts in the lowest band.
    EXPECT_EQ(LoudestBand(SineFeeder().Feed(200, 55, 8000, 8000)), 0);
}

TEST(ListenAnalysis, LeftOnlyAudioLiftsLeftNotRight) {
    SineFeeder f;
    const Levels& l = f.Feed(100, 440, 12000, 0);
    EXPECT_NEAR(l.left, 12000, 150);
    EXPECT_EQ(l.right, 0.0f);
    EXPECT_GT(l.bands1[1], 3000.0f);  // the bands hear the mix of both
}

TEST(ListenAnalysis, SilenceDecaysToZeroAndTheSecondSetHoldsLonger) {
    SineFeeder f;
    f.Feed(200, 1000, 32000, 32000);
    const Levels& after = f.Feed(150, 1000, 0, 0);
    EXPECT_GT(after.bands2[4], 1.3f * after.bands1[4]);  // 150 ms against 100 ms half-lives
    EXPECT_LT(after.left, 32000 * 0.5f);
    const Levels& silent = f.Feed(6000, 1000, 0, 0);
    EXPECT_EQ(silent.left, 0.0f);
    EXPECT_EQ(silent.right, 0.0f);
    for (int k = 0; k < kBandCount; ++k) {
        EXPECT_EQ(silent.bands1[k], 0.0f);
        EXPECT_EQ(silent.bands2[k], 0.0f);
    }
}

TEST(ListenAnalysis, ClippedAudioStaysWithinFullScale) {
    SineFeeder f;
    f.analyser.SetTuning({.sensitivityDb = 12});
    const Levels& l = f.Feed(200, 300, 1e6, 1e6);  // a square wave at the limits
    EXPECT_FLOAT_EQ(l.levelScale, kFullScale / std::pow(10.0f, 0.6f));
    EXPECT_LE(l.left, l.levelScale);
    EXPECT_LE(l.right, l.levelScale);
    for (int k = 0; k < kBandCount; ++k) {
        EXPECT_TRUE(std::isfinite(l.bands1[k]));
        EXPECT_LE(l.bands1[k], l.bandScale);
        EXPECT_LE(l.bands2[k], l.bandScale);
    }
}

TEST(ListenAnalysis, AutomaticGainKeepsQuietAndLoudInRange) {
    const auto volume = [](const Levels& l) { return (l.left + l.right) / (2.0f * static_cast<float>(l.gainDivisor)); };
    SineFeeder quiet, loud;
    EXPECT_GT(volume(quiet.Feed(2000, 500, 300, 300)), 0.8f);
    EXPECT_LE(volume(quiet.analyser.Current()), 1.0f);
    EXPECT_GT(volume(loud.Feed(2000, 500, 30000, 30000)), 0.8f);
    EXPECT_LE(volume(loud.analyser.Current()), 1.0f);
    // After a loud passage the gain comes back up for quiet music.
    EXPECT_LT(volume(loud.Feed(1000, 500, 300, 300)), 0.1f);
    EXPECT_GT(volume(loud.Feed(40000, 500, 300, 300)), 0.8f);
    // Hiss of a few units never reads as full volume.
    SineFeeder hiss;
    EXPECT_LT(volume(hiss.Feed(2000, 5000, 3, 3)), 0.1f);
}

}  // namespace
}  // namespace ztx::listen
