// Wave generators: each fills a table of 2048 signed values (about
// -16383..16383) from which the palette engine and the Pattern module take
// their levels. The random ones draw from the process's random generator in
// a fixed order, so a fixed seed gives the same waves.
#pragma once
#include <cstdint>

namespace ztx {

constexpr int kWaveTableSize = 2048;
// The slope of the plain triangle: one rise from 0 to 16383 in 512 entries.
constexpr float kPlainTriangleSlope = 31.998047f;

// A triangle starting at 0 and rising by `slope` per entry, turning at
// +16383 and -16383.
void TriangleWave(int32_t* table, float slope);
// A copy of the sine table.
void SineWave(int32_t* table);
// A triangle of random slope with random noise, smoothed.
void NoisyWave(int32_t* table);
// Adds random narrow spikes to the table, then smooths it.
void AddSpikes(int32_t* table);
// One smoothing pass: entry i + 1 becomes the mean of entries i..i + 2 for
// i = 0..2045, in place (each step sees the results of the steps before it).
void SmoothWave(int32_t* table);

}  // namespace ztx
