#include "render/picture.h"

#include <algorithm>
#include <cstring>

#include "platform/files.h"
#include "render/device_colors.h"
#include "render/picture_formats.h"

namespace ztx {

namespace {

// Largest picture we accept: enough for any screen and photo, small enough
// that a hostile header cannot make us allocate gigabytes.
constexpr int kMaxSide = 32768;
constexpr int64_t kMaxPixels = int64_t(1) << 26;

uint16_t U16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }
uint32_t U32(const uint8_t* p) { return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24); }

struct DibInfo {
    int width = 0, height = 0;  // height > 0 bottom-up
    int bitCount = 0;
    uint32_t compression = 0;
    uint32_t masks[3] = {0, 0, 0};
    int colorCount = 0;
    bool core = false;
    size_t headerSize = 0;
    size_t tableOffset = 0;  // from the start of the packed picture
    size_t tableBytes = 0;
};

enum : uint32_t { kRgb = 0, kRle8 = 1, kRle4 = 2, kBitFields = 3, kAlphaBitFields = 6 };

bool ParseInfo(const uint8_t* d, size_t n, DibInfo& info) {
    if (n < 12) return false;
    uint32_t hs = U32(d);
    if (hs == 12) {
        info.core = true;
        info.width = U16(d + 4);
        info.height = U16(d + 6);
        info.bitCount = U16(d + 10);
    } else if (hs >= 40 && hs <= 4096) {
        if (n < 40) return false;
        int32_t w = int32_t(U32(d + 4)), h = int32_t(U32(d + 8));
        if (w <= 0 || h == 0 || h == INT32_MIN) return false;
        info.width = w;
        info.height = h;
        info.bitCount = U16(d + 14);
        info.compression = U32(d + 16);
        uint32_t used = U32(d + 32);
        if (info.bitCount <= 8 && used > 0) info.colorCount = int(std::min<uint32_t>(used, 1u << info.bitCount));
    } else {
        return false;
    }
    if (hs > n) return false;
    info.headerSize = hs;
    switch (info.bitCount) {
        case 1: case 4: case 8: case 16: case 24: case 32: break;
        default: return false;
    }
    if (info.width <= 0 || info.width > kMaxSide) return false;
    int absH = info.height < 0 ? -info.height : info.height;
    if (absH <= 0 || absH > kMaxSide || int64_t(info.width) * absH > kMaxPixels) return false;
    // Compression must suit the bit count.
    switch (info.compression) {
        case kRgb: break;
        case kRle8: if (info.bitCount != 8) return false; break;
        case kRle4: if (info.bitCount != 4) return false; break;
        case kBitFields: case kAlphaBitFields:
            if (info.bitCount != 16 && info.bitCount != 32) return false;
            break;
        default: return false;
    }
    if (info.bitCount <= 8 && info.colorCount == 0) info.colorCount = 1 << info.bitCount;
    size_t pos = hs;
    if (info.compression == kBitFields || info.compression == kAlphaBitFields) {
        // Masks inside a long header, or right after a 40-byte one.
        size_t at = hs >= 52 ? 40 : hs;
        if (at + 12 > n) return false;
        for (int i = 0; i < 3; ++i) info.masks[i] = U32(d + at + 4 * i);
        if (hs < 52) pos += info.compression == kAlphaBitFields ? 16 : 12;
        info.compression = kBitFields;
    }
    info.tableOffset = pos;
    info.tableBytes = info.bitCount <= 8 ? size_t(info.colorCount) * (info.core ? 3 : 4) : 0;
    return true;
}

void ReadTable(const uint8_t* d, size_t n, const DibInfo& info, Section& s) {
    s.colorCount = info.bitCount <= 8 ? 256 : 0;
    for (int i = 0; i < info.colorCount; ++i) {
        size_t at = info.tableOffset + size_t(i) * (info.core ? 3 : 4);
        if (at + 3 > n) break;
        s.colors[i] = RgbQuad{d[at], d[at + 1], d[at + 2], 0};
    }
}

// Decodes RLE8/RLE4 data into the 8-bit section (stored row 0 at the bottom).
void DecodeRle(const uint8_t* p, size_t n, bool four, Section& s) {
    size_t i = 0;
    int x = 0, y = 0;  // y counts stored rows from the bottom
    auto put = [&](int v) {
        if (x >= 0 && x < s.width && y >= 0 && y < s.height) s.bits[size_t(y) * s.stride + x] = uint8_t(v);
        ++x;
    };
    while (i + 1 < n && y < s.height) {
        int count = p[i], value = p[i + 1];
        i += 2;
        if (count > 0) {
            for (int k = 0; k < count && x < s.width; ++k) put(four ? ((k & 1) ? value & 15 : value >> 4) : value);
            continue;
        }
        if (value == 0) {  // end of line
            x = 0;
            ++y;
        } else if (value == 1) {  // end of picture
            return;
        } else if (value == 2) {  // delta
            if (i + 1 >= n) return;
            x += p[i];
            y += p[i + 1];
            i += 2;
        } else {  // absolute run of `value` pixels, padded to 16 bits
            size_t bytes = four ? (size_t(value) + 1) / 2 : size_t(value);
            if (i + bytes > n) bytes = n - i;
            for (int k = 0; k < value; ++k) {
                size_t b = four ? size_t(k / 2) : size_t(k);
                if (b >= bytes) break;
                int v = four ? ((k & 1) ? p[i + b] & 15 : p[i + b] >> 4) : p[i + b];
                if (x < s.width) put(v);
            }
            i += (bytes + 1) & ~size_t(1);
        }
    }
}

// Pixels of a packed picture whose pixel data starts at `bits`.
bool DecodeWith(const uint8_t* d, size_t n, const DibInfo& info, size_t bitsOffset, Section& out) {
    if (bitsOffset > n) return false;
    const uint8_t* px = d + bitsOffset;
    const size_t avail = n - bitsOffset;
    const int rows = info.height < 0 ? -info.height : info.height;
    const bool rle = info.compression == kRle8 || info.compression == kRle4;
    const size_t srcStride = size_t(DibStride(info.width, info.bitCount));
    // The last row's padding may be missing; anything shorter is truncated.
    // Checked before allocating, so a short hostile file costs nothing.
    const size_t rowBytes = (size_t(info.width) * info.bitCount + 7) / 8;
    if (!rle && avail < srcStride * (rows - 1) + rowBytes) return false;
    // A few bytes of run-length data can describe a huge empty picture;
    // compressed pictures are old and small, so cap them lower.
    if (rle && int64_t(info.width) * rows > (int64_t(1) << 24)) return false;
    Section s;
    s.width = info.width;
    s.height = info.height < 0 ? -info.height : info.height;
    const bool topDown = info.height < 0;
    s.bitCount = info.bitCount <= 8 ? 8 : info.bitCount;
    s.stride = DibStride(s.width, s.bitCount);
    s.bits.assign(size_t(s.stride) * s.height, 0);
    ReadTable(d, n, info, s);
    if (info.compression == kBitFields) {
        s.compression = kBitFields;
        std::copy(info.masks, info.masks + 3, s.masks);
    }
    if (rle) {
        DecodeRle(px, avail, info.compression == kRle4, s);
        if (topDown) {
            for (int r = 0; r < s.height / 2; ++r)
                std::swap_ranges(s.bits.begin() + size_t(r) * s.stride, s.bits.begin() + size_t(r + 1) * s.stride,
                                 s.bits.begin() + size_t(s.height - 1 - r) * s.stride);
        }
        out = std::move(s);
        return true;
    }
    for (int r = 0; r < s.height; ++r) {
        const uint8_t* src = px + srcStride * r;
        uint8_t* dst = s.bits.data() + size_t(topDown ? s.height - 1 - r : r) * s.stride;
        switch (info.bitCount) {
            case 1:
                for (int x = 0; x < s.width; ++x) dst[x] = (src[x >> 3] >> (7 - (x & 7))) & 1;
                break;
            case 4:
                for (int x = 0; x < s.width; ++x) dst[x] = (x & 1) ? src[x >> 1] & 15 : src[x >> 1] >> 4;
                break;
            default:
                std::memcpy(dst, src, rowBytes);
                break;
        }
    }
    out = std::move(s);
    return true;
}

}  // namespace

bool DecodePackedDib(const uint8_t* data, size_t size, Section& out) {
    DibInfo info;
    if (!data || !ParseInfo(data, size, info)) return false;
    return DecodeWith(data, size, info, info.tableOffset + info.tableBytes, out);
}

bool DecodeBmp(const uint8_t* data, size_t size, Section& out) {
    if (!data || size < 14 + 12 || data[0] != 'B' || data[1] != 'M') return false;
    const uint8_t* dib = data + 14;
    size_t n = size - 14;
    DibInfo info;
    if (!ParseInfo(dib, n, info)) return false;
    size_t natural = info.tableOffset + info.tableBytes;
    uint32_t off = U32(data + 10);
    // Trust the file's pixel offset when it points past the header.
    size_t bits = (off >= 14 + info.headerSize && off < size) ? size_t(off) - 14 : natural;
    return DecodeWith(dib, n, info, bits, out);
}

namespace {
bool DecodePicture(const std::string& data, Section& out) {
    const uint8_t* p = reinterpret_cast<const uint8_t*>(data.data());
    if (data.size() >= 2 && p[0] == 'B' && p[1] == 'M') return DecodeBmp(p, data.size(), out);
    return DecodeOtherPicture(p, data.size(), out);
}
}  // namespace

bool LoadPicture(const std::string& path, Section& out) {
    std::string data;
    return ReadWholeFile(path, data) && DecodePicture(data, out);
}

bool LoadPicture8(const std::string& path, Section& out) {
    std::string data;
    if (!ReadWholeFile(path, data)) return false;
    const uint8_t* p = reinterpret_cast<const uint8_t*>(data.data());
    if (IsJpegData(p, data.size())) return DecodeJpegBrightness(p, data.size(), out);
    Section s;
    if (!DecodePicture(data, s)) return false;
    data = std::string();  // the file is no longer needed during the conversion
    if (s.bitCount > 8) return ConvertToBrightness(s, out);
    out = std::move(s);
    return true;
}

std::vector<std::string> SupportedPictureExtensions() {
    std::vector<std::string> list = {"bmp", "dib", "rle"};
    for (const std::string& e : OtherPictureExtensions()) list.push_back(e);
    return list;
}

std::string PictureFormatsText() {
    std::string text = "*.rle *.dib";
    for (const std::string& e : SupportedPictureExtensions())
        if (e != "rle" && e != "dib") text += ", *." + e;
    return text;
}

// ---- writing -------------------------------------------------------------------

namespace {
void Put16(std::string& s, uint32_t v) {
    s.push_back(char(v & 255));
    s.push_back(char((v >> 8) & 255));
}
void Put32(std::string& s, uint32_t v) {
    Put16(s, v & 0xFFFF);
    Put16(s, v >> 16);
}
}  // namespace

std::string EncodeBmp(const Section& s) {
    if ((s.bitCount != 8 && s.bitCount != 24) || s.width <= 0 || s.height <= 0) return {};
    const uint32_t image = uint32_t(s.stride) * uint32_t(s.height);
    if (s.bits.size() < image) return {};
    const uint32_t offset = s.bitCount == 8 ? 1078 : 54;
    std::string f;
    f.reserve(offset + image);
    f += "BM";
    Put32(f, image + offset);
    Put32(f, 0);
    Put32(f, offset);
    Put32(f, 40);
    Put32(f, uint32_t(s.width));
    Put32(f, uint32_t(s.height));
    Put16(f, 1);
    Put16(f, uint32_t(s.bitCount));
    Put32(f, 0);
    Put32(f, image);
    Put32(f, 0);
    Put32(f, 0);
    Put32(f, s.bitCount == 8 ? 256 : 0);
    Put32(f, 0);
    if (s.bitCount == 8)
        for (const RgbQuad& q : s.colors) {
            f.push_back(char(q.blue));
            f.push_back(char(q.green));
            f.push_back(char(q.red));
            f.push_back(0);
        }
    f.append(reinterpret_cast<const char*>(s.bits.data()), image);
    return f;
}

int WriteBmp(const std::string& path, const Section& section) {
    std::string data = EncodeBmp(section);
    if (data.empty()) return 0;
    return WriteFileAtomically(path, data) ? 1 : 0;
}

int GrabToBmp(DrawContext& window, const std::string& path, bool withColorTable, int width, int height,
              int scalePercent, bool mirror) {
    const int w = int(int64_t(width) * scalePercent / 100), h = int(int64_t(height) * scalePercent / 100);
    const int sw = mirror ? 2 * w : w, sh = mirror ? 2 * h : h;
    if (w <= 0 || h <= 0 || !window.canvas.origin) return 0;
    uint32_t live[256];
    DeviceColors().Read(live);  // 0x00RRGGBB
    Section s;
    if (withColorTable) {
        RgbQuad table[256];
        for (int i = 0; i < 256; ++i)
            table[i] = RgbQuad{uint8_t(live[i]), uint8_t(live[i] >> 8), uint8_t(live[i] >> 16), 0};
        if (!CreateSection8(s, sw, sh, table)) return 0;
        DrawContext mem;
        AttachSection(mem, s);
        SetStretchColorOnColor(mem);
        StretchBlt(mem, 0, 0, w, h, window, 0, 0, width, height);
        if (mirror) {
            StretchBlt(mem, 2 * w - 1, 0, -w, h, mem, 0, 0, w, h);
            StretchBlt(mem, 0, 2 * h - 1, 2 * w, -h, mem, 0, 0, 2 * w, h);
        }
        return WriteBmp(path, s);
    }
    if (!CreateSection24(s, sw, sh)) return 0;
    // Sample the window (nearest neighbour) through the live colours; the
    // mirrored halves read the same samples.
    const Canvas& c = window.canvas;
    for (int y = 0; y < sh; ++y) {
        int ty = y < h ? y : 2 * h - 1 - y;  // shown row in the top half
        int srcY = StretchIndex(ty, height, h);
        if (srcY >= c.height) continue;
        uint8_t* row = s.bits.data() + size_t(sh - 1 - y) * s.stride;  // bottom-up
        const uint8_t* src = c.origin + srcY * c.stride;
        for (int x = 0; x < sw; ++x) {
            int tx = x < w ? x : 2 * w - 1 - x;
            int srcX = StretchIndex(tx, width, w);
            if (srcX >= c.width) continue;
            uint32_t rgb = live[src[srcX]];
            row[3 * x] = uint8_t(rgb);
            row[3 * x + 1] = uint8_t(rgb >> 8);
            row[3 * x + 2] = uint8_t(rgb >> 16);
        }
    }
    return WriteBmp(path, s);
}

namespace {
struct Channel {
    uint32_t mask;
    int shift;  // right shift to the mask's lowest bit
    int bits;
};
Channel ChannelOf(uint32_t mask) {
    Channel c{mask, 0, 0};
    if (!mask) return c;
    while (!((mask >> c.shift) & 1)) ++c.shift;
    for (uint32_t m = mask >> c.shift; m; m >>= 1) c.bits += m & 1;
    return c;
}
int Extract(uint32_t pixel, const Channel& c) {
    if (!c.mask) return 0;
    uint32_t v = (pixel & c.mask) >> c.shift;
    return c.bits <= 8 ? int(v << (8 - c.bits)) : int(v >> (c.bits - 8));
}
}  // namespace

void BrightnessRow(const uint8_t* bgr, int width, uint8_t* grey) {
    for (int x = 0; x < width; ++x, bgr += 3) grey[x] = uint8_t((bgr[0] + bgr[1] + bgr[2]) / 3);
}

bool ConvertToBrightness(const Section& src, Section& grey) {
    if (src.bitCount != 16 && src.bitCount != 24 && src.bitCount != 32) return false;
    if (src.bits.size() < size_t(src.stride) * src.height) return false;
    Section g;
    if (!CreateSection8(g, src.width, src.height, nullptr)) return false;
    uint32_t rm = 0xFF0000, gm = 0xFF00, bm = 0xFF;
    if (src.bitCount == 16) rm = 0x7C00, gm = 0x3E0, bm = 0x1F;
    if (src.compression == 3) rm = src.masks[0], gm = src.masks[1], bm = src.masks[2];
    const Channel R = ChannelOf(rm), G = ChannelOf(gm), B = ChannelOf(bm);
    for (int y = src.height - 1; y >= 0; --y) {
        const uint8_t* s = src.bits.data() + size_t(y) * src.stride;
        uint8_t* d = g.bits.data() + size_t(y) * g.stride;
        if (src.bitCount == 24) {
            BrightnessRow(s, src.width, d);
            continue;
        }
        for (int x = 0; x < src.width; ++x) {
            uint32_t p = src.bitCount == 16 ? U16(s + 2 * x) : U32(s + 4 * x);
            d[x] = uint8_t((Extract(p, R) + Extract(p, G) + Extract(p, B)) / 3);
        }
    }
    grey = std::move(g);
    return true;
}

namespace {
std::string PatternFolder(const std::string& pattern) {
    std::string dir = DirName(pattern);
    return dir.empty() ? std::string(".") : dir;
}
}  // namespace

int CountMatches(const std::string& pattern) {
    return static_cast<int>(ListMatchingFiles(PatternFolder(pattern), BaseName(pattern)).size());
}

std::string PickMatch(const std::string& pattern, int index) {
    std::vector<std::string> names = ListMatchingFiles(PatternFolder(pattern), BaseName(pattern));
    if (names.empty()) return {};
    int n = static_cast<int>(names.size());
    int k = ((index % n) + n) % n;
    std::string dir = DirName(pattern);
    if (dir.empty()) return names[k];
    return dir + (dir.back() == '/' ? "" : "/") + names[k];
}

bool IsPlainFile(const std::string& name) { return IsRegularFile(name); }

}  // namespace ztx
