// The sound analysis of zentrix-listen: turns blocks of stereo 16-bit audio
// into the levels the sound link carries. It knows nothing of sound servers
// or of the block, so tests feed it synthetic signals.
//
// Every level is an amplitude in 16-bit sample units: a sine of amplitude A
// reads A, whether it is measured as the left or right level or as the band
// it falls in. Levels are capped at full scale (32768) and at the fixed-gain
// scales, so no published value exceeds what the saver treats as full.
// Levels rise at once and fall with a half-life (the release); the second
// band set holds its peaks longer. Below half a sample unit a level is
// exactly 0, so silence reads as silence.
//
// Bands: sixteen, centred on 150 Hz ... 18 kHz; each reaches halfway (on a
// log scale) to its neighbours; the lowest gathers everything down to 40 Hz
// (bass drums), the highest everything up to the Nyquist frequency. They
// come from a Hann-windowed FFT (kissfft) over the last two blocks, one FFT
// per block.
//
// Automatic gain: a tracker follows the louder of the two channel levels,
// falling with a half-life of 4 s; the gain divisor is that peak (at least
// 1) over the sensitivity, so left, right and volume divided by it stay
// within 0..1 for quiet and loud music alike.
#pragma once
#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace ztx::listen {

constexpr int kBandCount = 16;
// The band centres in Hz, in the order of the sound sources "150Hz" ... "18KHz".
constexpr std::array<float, kBandCount> kBandCentres = {150,  400,  600,  800,  1000,  1500,  2000,  2500,
                                                        3250, 4000, 5000, 6250, 8000, 10000, 12500, 18000};
constexpr float kFullScale = 32768.0f;

struct AudioFormat {
    int sampleRate = 48000;
    int blockFrames = 512;  // 10.7 ms at 48 kHz
};

// What the keys forwarded by the saver set (see the README).
struct Tuning {
    float sensitivityDb = 0;    // raises the fixed gain and the automatic gain
    float tiltDbPerOctave = 0;  // lifts bands above 1 kHz and lowers those below, or the reverse
    float releaseMs = 100;      // half-life of the levels and the first band set
    float holdMs = 150;         // half-life of the second band set
    bool operator==(const Tuning&) const = default;
};

struct Levels {
    float left = 0, right = 0;
    std::array<float, kBandCount> bands1{}, bands2{};
    float levelScale = kFullScale;  // full scale of left/right/volume without automatic gain
    float bandScale = kFullScale;   // full scale of the bands without automatic gain
    uint32_t gainDivisor = 1;       // left/right/volume divisor with automatic gain
};

class Analyser {
public:
    explicit Analyser(const AudioFormat& format);
    ~Analyser();
    Analyser(const Analyser&) = delete;
    Analyser& operator=(const Analyser&) = delete;

    void SetTuning(const Tuning& tuning);
    const Tuning& GetTuning() const { return tuning_; }
    // Analyses one block of interleaved left/right samples (any length; the
    // release and hold count the frames given) and returns the levels.
    const Levels& Feed(std::span<const int16_t> interleaved);
    const Levels& Current() const { return published_; }

private:
    struct Fft;
    AudioFormat format_;
    Tuning tuning_;
    Levels levels_;     // the followers, uncapped
    Levels published_;  // what Feed returns
    std::unique_ptr<Fft> fft_;
    std::vector<float> history_;  // the last FFT-length mono samples
    std::vector<float> window_;
    std::array<int, kBandCount + 1> edges_{};  // band k is bins edges_[k]..edges_[k+1]-1
    std::array<float, kBandCount> tilt_{};
    float windowPower_ = 0;  // sum of squared window values
    float gainPeak_ = 0;
};

}  // namespace ztx::listen
