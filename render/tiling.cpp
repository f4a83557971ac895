#include "render/tiling.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "platform/random.h"
#include "render/sine_table.h"

namespace ztx {

TileGrid MakeTileGrid(int width, int height, int xTiling, int yTiling, int tileType) {
    TileGrid g;
    g.xTiling = std::max(xTiling, 1);
    g.yTiling = std::max(yTiling, 1);
    g.tileType = tileType;
    g.tileWidth = width / g.xTiling;
    g.tileHeight = height / g.yTiling;
    return g;
}

bool TileDrawn(int column, int row, int tileType) {
    int parity = (column + row) & 1;
    if (tileType == 1) return parity == 1;
    if (tileType == 2) return parity == 0;
    return true;
}

int TiledCoordinate(int value, int tile, int tiling, int tileSize) {
    if (tiling <= 0) tiling = 1;
    int scaled = value / tiling;
    if (tile % 2 == 0) return scaled + tile * tileSize;
    return (tile + 1) * tileSize - scaled;
}

void RotatePoint(int& x, int& y, float angle) {
    double c = std::cos(double(angle)), s = std::sin(double(angle));
    double nx = x * c + y * s;
    double ny = y * c - x * s;
    auto trunc = [](double v) {
        if (!(v > -2147483648.0)) return INT32_MIN;
        if (v >= 2147483647.0) return INT32_MAX;
        return static_cast<int>(v);
    };
    x = trunc(nx);
    y = trunc(ny);
}

float SymmetryAngleStep(int sweep, int symmetry) {
    if (symmetry <= 0) symmetry = 1;
    return float(sweep) * 0.0027777778f * 6.283f / float(symmetry);
}

void ReplicateTile(DrawContext& dc, int xTiling, int yTiling, int tileWidth, int tileHeight, int tileType) {
    if (tileWidth <= 0 || tileHeight <= 0) return;
    const int sx = tileType == 1 ? tileWidth : 0;
    for (int r = 0; r < yTiling; ++r) {
        for (int c = 0; c < xTiling; ++c) {
            if (!TileDrawn(c, r, tileType)) continue;
            if (c * tileWidth == sx && r == 0) continue;  // the source itself
            int x = c * tileWidth, w = tileWidth, y = r * tileHeight, h = tileHeight;
            if (c & 1) {
                x = c * tileWidth + tileWidth - 1;
                w = -tileWidth;
            }
            if (r & 1) {
                y = (r + 1) * tileHeight - 1;
                h = -tileHeight;
            }
            StretchBlt(dc, x, y, w, h, dc, sx, 0, tileWidth, tileHeight);
        }
    }
}

namespace {

int Mod(int64_t v, int32_t span) {
    if (span <= 0) return 0;
    return static_cast<int>(v % span);
}

// |trunc(z)| kept inside 32 bits.
int64_t TruncAbs(double z) {
    if (!(std::fabs(z) < 2147483647.0)) return 2147483647;
    return std::llabs(static_cast<int64_t>(z));
}

// Sine-table factor of v / scale turns.
float SineOf(double v, float scale) {
    double q = v / double(scale) * 2048.0;
    int64_t index = 0;
    if (std::isfinite(q)) index = static_cast<int64_t>(std::fmod(q, 9007199254740992.0));
    return float(SineTable[index & 2047]) * kSineFactor;
}

int Column(const WarpRecord& w, int x) {
    if (!w.columns || x < 0 || x > w.spanX) return 0;
    return w.columns[x];
}
int Row(const WarpRecord& w, int y) {
    if (!w.rows || y < 0 || y > w.spanY) return 0;
    return w.rows[y];
}

}  // namespace

void PolarMap(const WarpRecord& warp, int& x, int& y) {
    float dx = float(x - warp.centerX), dy = float(y - warp.centerY);
    float d = std::sqrt(dx * dx + dy * dy);
    float dd = d < 0.0001f ? 0.0001f : d;
    float g = std::fabs(warp.directionY * dy / dd + warp.directionX * dx / dd);
    x = Mod(TruncAbs(g * 0.3184713f * float(warp.spanX)), warp.spanX);
    y = Mod(static_cast<int64_t>(d), warp.spanY);
}

void TurbulenceWarp(const WarpRecord& warp, int& x, int& y, int type) {
    const int64_t dx = x - warp.spanX / 2, dy = y - warp.spanY / 2;
    switch (type) {
        case 0: {
            float s = SineOf(double(dx * dx + dy * dy), warp.scale);
            y = static_cast<int>(TruncAbs(double(s) * y));
            x = static_cast<int>(TruncAbs(double(s) * x));
            break;
        }
        case 1: {
            float s = SineOf(double(Column(warp, x)) + Row(warp, y), warp.scale);
            y = static_cast<int>(TruncAbs(double(s) * y));
            x = static_cast<int>(TruncAbs(double(s) * x));
            break;
        }
        case 2: {
            float s = SineOf(Row(warp, y), warp.scale) + SineOf(Column(warp, x), warp.scale);
            y = static_cast<int>(TruncAbs(double(s) * y));
            x = static_cast<int>(TruncAbs(double(s) * x));
            break;
        }
        case 3: {
            double e = double(dx * dx + dy * dy) / double(warp.scale);
            y = Mod(TruncAbs(e * y), warp.spanY);
            x = Mod(TruncAbs(e * x), warp.spanX);
            break;
        }
        case 4: {
            float s = SineOf(double(Column(warp, x)) + Row(warp, y), warp.scale);
            y = static_cast<int>(TruncAbs(double(s) * y));
            x = static_cast<int>(TruncAbs(double(s) * x));
            float s2 = SineOf(double(Row(warp, y)) + Column(warp, x), warp.scale);
            y = static_cast<int>(TruncAbs(double(s2) * y));
            x = static_cast<int>(TruncAbs(double(s2) * x));
            break;
        }
        default:
            break;
    }
}

bool SetUpTurbulence(WarpRecord& warp, int turbulence, int typeControl, int& cycleType) {
    warp.directionX = float(RandomFraction()) * 1.9999f - 0.99f;
    warp.directionY = float(RandomFraction()) * 1.9999f - 0.99f;
    warp.centerX = warp.spanX > 0 ? Rand15() % warp.spanX : (Rand15(), 0);
    warp.centerY = warp.spanY > 0 ? Rand15() % warp.spanY : (Rand15(), 0);
    float t = float(turbulence) * 0.01f;
    bool active = !(t <= 0.009f);
    if (t > 0.99f) {
        active = Rand15() % 3 == 0;
        t = float(RandomFraction());
    }
    cycleType = typeControl > 4 ? Rand15() % 5 : typeControl;
    t = 1.0f - t;
    float k;
    switch (cycleType) {
        case 0: k = 1100000.125f; break;
        case 1: case 4: k = 30000.0f; break;
        case 2: k = 50000.0f; break;
        default: k = 1100000.0f; break;
    }
    warp.scale = t * k;
    return active;
}

}  // namespace ztx
