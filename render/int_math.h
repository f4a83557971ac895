// Integer helpers shared by the drawing layer, the modules and the controls:
// division rounded down or up (C++ division truncates toward zero, which is
// wrong for negative pixel coordinates), and conversions that saturate at
// the target range instead of overflowing (NaN converts to 0 or to the low
// end, never to undefined behaviour). All are exact: no floating-point step
// hides in the integer ones.
#pragma once
#include <cstdint>
#include <limits>

namespace ztx {

// Index i of a ring of count entries, for i in 0 .. count (count wraps to
// 0): the point after the last of a closed outline is the first. Cheaper
// than i % count, a division, in loops over every point.
constexpr int Wrap(int i, int count) { return i < count ? i : 0; }

// floor(a / b) for b != 0, for any signed integer type (also __int128).
template <class T>
constexpr T FloorDiv(T a, T b) {
    T q = a / b;
    if (a % b != 0 && ((a < 0) != (b < 0))) --q;
    return q;
}

// ceil(a / b) for b != 0.
template <class T>
constexpr T CeilDiv(T a, T b) {
    T q = a / b;
    if (a % b != 0 && ((a < 0) == (b < 0))) ++q;
    return q;
}

// The same for 128-bit operands, dividing in 64 bits when both fit (the
// usual case; a 128-bit division is a slow library call).
constexpr bool FitsIn64(__int128 v) { return v > INT64_MIN && v <= INT64_MAX; }
constexpr __int128 FloorDiv128(__int128 a, __int128 b) {
    return FitsIn64(a) && FitsIn64(b) ? FloorDiv<int64_t>(int64_t(a), int64_t(b)) : FloorDiv<__int128>(a, b);
}
constexpr __int128 CeilDiv128(__int128 a, __int128 b) {
    return FitsIn64(a) && FitsIn64(b) ? CeilDiv<int64_t>(int64_t(a), int64_t(b)) : CeilDiv<__int128>(a, b);
}

// v limited to the int range.
constexpr int ClampToInt(int64_t v) {
    return v < std::numeric_limits<int>::min()   ? std::numeric_limits<int>::min()
           : v > std::numeric_limits<int>::max() ? std::numeric_limits<int>::max()
                                                 : static_cast<int>(v);
}

// Truncation toward zero, saturating at the int range; NaN gives 0.
constexpr int TruncSaturate(double v) {
    if (!(v == v)) return 0;
    if (v >= 2147483647.0) return std::numeric_limits<int>::max();
    if (v <= -2147483648.0) return std::numeric_limits<int>::min();
    return static_cast<int>(v);
}

// Truncation toward zero, limited to [lo, hi]; NaN gives lo. For pixel
// coordinates computed in double that may lie anywhere.
constexpr int64_t TruncClamp(double v, int64_t lo, int64_t hi) {
    if (!(v > static_cast<double>(lo))) return lo;
    if (v > static_cast<double>(hi)) return hi;
    return static_cast<int64_t>(v);
}

}  // namespace ztx
