#include "palette/waves.h"

#include <cstring>

#include "platform/random.h"
#include "render/sine_table.h"

namespace ztx {

void TriangleWave(int32_t* table, float slope) {
    float a = 0.0f;
    for (int i = 0; i < kWaveTableSize; ++i) {
        table[i] = static_cast<int32_t>(a);
        a += slope;
        if (a > 16383.0f) {
            a = 16383.0f;
            slope = -slope;
        } else if (a < -16383.0f) {
            a = -16383.0f;
            slope = -slope;
        }
    }
}

void SineWave(int32_t* table) { std::memcpy(table, SineTable, sizeof(int32_t) * kWaveTableSize); }

void SmoothWave(int32_t* table) {
    for (int i = 0; i < kWaveTableSize - 2; ++i) table[i + 1] = (table[i] + table[i + 1] + table[i + 2]) / 3;
}

void NoisyWave(int32_t* table) {
    Rand15();  // drawn and discarded
    TriangleWave(table, static_cast<float>(RandomFraction() * 60.0 + 35.0));
    for (int i = 0; i < kWaveTableSize; ++i) {
        if (table[i] <= 0) table[i] += Rand15() % 19659;
        else table[i] -= Rand15() % 19659;
    }
    for (int pass = 0; pass < 30; ++pass) SmoothWave(table);
}

void AddSpikes(int32_t* table) {
    const int a = Rand15();
    const int b = Rand15();
    const int count = a % 85 + 32;
    for (int k = 0; k < count; ++k) {
        const int p = Rand15() % 1984 + 32;
        const bool negative = (Rand15() & 1) != 0;
        const int height = Rand15() % 16383;
        const int32_t v = negative ? -height : height;
        table[p - 1] = v;
        table[p] = v;
        table[p + 1] = v;
    }
    const int passes = b % 48 + 48;
    for (int pass = 0; pass < passes; ++pass) SmoothWave(table);
}

}  // namespace ztx
