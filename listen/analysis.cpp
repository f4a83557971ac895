#include "listen/analysis.h"

#include <kiss_fftr.h>

#include <algorithm>
#include <cmath>
#include <new>
#include <numbers>

namespace ztx::listen {

namespace {

constexpr float kLowestHz = 40.0f;
constexpr float kGainHalfLifeMs = 4000.0f;
// The automatic gain never amplifies more than this peak needs: a hiss of a
// few sample units must not read as full volume.
constexpr float kGainFloor = 64.0f;
// Below half a sample unit a level is silence (and exactly 0): the odd
// +-1 a sound server sends while nothing plays is no sound.
constexpr float kSilence = 0.5f;

float DbToGain(float db) { return std::pow(10.0f, db / 20.0f); }

// The factor that lets a level fall by its half-life over `ms`.
float Decay(float ms, float halfLifeMs) { return halfLifeMs > 0 ? std::exp2(-ms / halfLifeMs) : 0.0f; }

// A peak follower: rises at once to `measured`, else falls by `decay`;
// flushed to 0 below the silence threshold.
void Follow(float& level, float measured, float decay) {
    level = std::max(measured, level * decay);
    if (level < kSilence) level = 0;
}

}  // namespace

struct Analyser::Fft {
    kiss_fftr_cfg cfg;
    std::vector<float> in;
    std::vector<kiss_fft_cpx> out;
    explicit Fft(int n) : cfg(kiss_fftr_alloc(n, 0, nullptr, nullptr)), in(n), out(n / 2 + 1) {
        if (!cfg) throw std::bad_alloc();
    }
    ~Fft() { kiss_fftr_free(cfg); }
    Fft(const Fft&) = delete;
    Fft& operator=(const Fft&) = delete;
};

Analyser::Analyser(const AudioFormat& format) : format_(format) {
    // Two blocks per FFT: about 47 Hz per bin at 48 kHz, fine enough for the
    // lowest bands, while each block still gives a fresh spectrum.
    const int n = 2 * std::max(format_.blockFrames, 16);
    fft_ = std::make_unique<Fft>(n);
    history_.assign(n, 0.0f);
    window_.resize(n);
    for (int i = 0; i < n; ++i) {
        window_[i] = 0.5f - 0.5f * std::cos(2.0f * std::numbers::pi_v<float> * i / n);
        windowPower_ += window_[i] * window_[i];
    }
    const int nyquistBin = n / 2;
    const float binHz = static_cast<float>(format_.sampleRate) / n;
    edges_[0] = std::clamp(static_cast<int>(std::lround(kLowestHz / binHz)), 1, nyquistBin);
    for (int k = 1; k < kBandCount; ++k) {
        const float hz = std::sqrt(kBandCentres[k - 1] * kBandCentres[k]);
        edges_[k] = std::min(std::max(static_cast<int>(std::lround(hz / binHz)), edges_[k - 1] + 1), nyquistBin);
    }
    edges_[kBandCount] = nyquistBin;
    SetTuning(tuning_);
}

Analyser::~Analyser() = default;

void Analyser::SetTuning(const Tuning& tuning) {
    tuning_ = tuning;
    for (int k = 0; k < kBandCount; ++k)
        tilt_[k] = DbToGain(tuning_.tiltDbPerOctave * std::log2(kBandCentres[k] / 1000.0f));
}

const Levels& Analyser::Feed(std::span<const int16_t> interleaved) {
    const size_t frames = interleaved.size() / 2;
    if (frames == 0) return published_;
    const float ms = 1000.0f * static_cast<float>(frames) / static_cast<float>(format_.sampleRate);

    // Channel levels: RMS of the block as the amplitude of a sine (RMS x sqrt 2).
    double sumL = 0, sumR = 0;
    for (size_t i = 0; i < frames; ++i) {
        const double l = interleaved[2 * i], r = interleaved[2 * i + 1];
        sumL += l * l;
        sumR += r * r;
    }
    const auto amplitude = [&](double sum) {
        return std::min(static_cast<float>(std::sqrt(2.0 * sum / static_cast<double>(frames))), kFullScale);
    };
    const float release = Decay(ms, tuning_.releaseMs);
    Follow(levels_.left, amplitude(sumL), release);
    Follow(levels_.right, amplitude(sumR), release);

    // Slide the mono history on by the block and take its spectrum.
    const size_t n = history_.size();
    const size_t keep = frames < n ? n - frames : 0;
    std::copy(history_.end() - static_cast<std::ptrdiff_t>(keep), history_.end(), history_.begin());
    for (size_t i = keep, src = frames - (n - keep); i < n; ++i, ++src)
        history_[i] = 0.5f * (static_cast<float>(interleaved[2 * src]) + static_cast<float>(interleaved[2 * src + 1]));
    for (size_t i = 0; i < n; ++i) fft_->in[i] = history_[i] * window_[i];
    kiss_fftr(fft_->cfg, fft_->in.data(), fft_->out.data());

    // A band's amplitude from its power (Parseval): a sine of amplitude A puts
    // n * A^2 / 4 * (sum of squared window values) into the positive bins.
    const float toAmplitude = 4.0f / (static_cast<float>(n) * windowPower_);
    const float hold = Decay(ms, tuning_.holdMs);
    for (int k = 0; k < kBandCount; ++k) {
        double power = 0;
        for (int b = edges_[k]; b < edges_[k + 1]; ++b)
            power += static_cast<double>(fft_->out[b].r) * fft_->out[b].r + static_cast<double>(fft_->out[b].i) * fft_->out[b].i;
        const float band = std::min(std::sqrt(static_cast<float>(power) * toAmplitude) * tilt_[k], kFullScale);
        Follow(levels_.bands1[k], band, release);
        Follow(levels_.bands2[k], band, hold);
    }

    // Automatic gain.
    const float sensitivity = DbToGain(tuning_.sensitivityDb);
    gainPeak_ = std::max({levels_.left, levels_.right, gainPeak_ * Decay(ms, kGainHalfLifeMs), kGainFloor});
    levels_.gainDivisor = static_cast<uint32_t>(std::max(1.0f, std::ceil(gainPeak_ / sensitivity)));
    // Fixed gain: the sensitivity lowers the full scale, and what is
    // published never exceeds it (the followers keep the true levels).
    const float scale = kFullScale / sensitivity;
    published_ = levels_;
    published_.levelScale = published_.bandScale = scale;
    const auto cap = [scale](float& v) { v = std::min(v, scale); };
    cap(published_.left);
    cap(published_.right);
    std::ranges::for_each(published_.bands1, cap);
    std::ranges::for_each(published_.bands2, cap);
    return published_;
}

}  // namespace ztx::listen
