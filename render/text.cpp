#include "render/text.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H

#include <array>
#include <cmath>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

namespace ztx {

namespace {

constexpr int kStockLineHeight = 13;
const char* const kStockFamilies[] = {"Liberation Sans", "DejaVu Sans", "sans-serif"};

// FreeType's library object is not thread-safe: one lock for all font work.
std::mutex& FontLock() {
    static std::mutex m;
    return m;
}

FT_Library Library() {
    static FT_Library lib = [] {
        FT_Library l = nullptr;
        if (FT_Init_FreeType(&l) != 0) l = nullptr;
        return l;
    }();
    return lib;
}

// Font file for a family name through fontconfig (cached).
std::string ResolveFamily(const std::string& family, int* index) {
    static std::map<std::string, std::pair<std::string, int>> cache;
    auto it = cache.find(family);
    if (it != cache.end()) {
        *index = it->second.second;
        return it->second.first;
    }
    std::string file;
    int idx = 0;
    // A private configuration, released after use, so nothing of
    // fontconfig's stays allocated once the name is resolved.
    if (FcConfig* config = FcInitLoadConfigAndFonts()) {
        FcPattern* pat = FcNameParse(reinterpret_cast<const FcChar8*>(family.c_str()));
        if (pat) {
            FcPatternAddBool(pat, FC_SCALABLE, FcTrue);
            FcConfigSubstitute(config, pat, FcMatchPattern);
            FcDefaultSubstitute(pat);
            FcResult result;
            FcPattern* match = FcFontMatch(config, pat, &result);
            if (match) {
                FcChar8* f = nullptr;
                if (FcPatternGetString(match, FC_FILE, 0, &f) == FcResultMatch && f)
                    file = reinterpret_cast<const char*>(f);
                FcPatternGetInteger(match, FC_INDEX, 0, &idx);
                FcPatternDestroy(match);
            }
            FcPatternDestroy(pat);
        }
        FcConfigDestroy(config);
    }
    cache[family] = {file, idx};
    *index = idx;
    return file;
}

}  // namespace

// Windows-1252 bytes 0x80..0x9F as Unicode (0 = unassigned).
constexpr uint16_t kCp1252High[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                      0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                      0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

uint32_t Cp1252ToUnicode(uint8_t c) {
    if (c >= 0x80 && c < 0xA0) return kCp1252High[c - 0x80];
    return c;
}

namespace {

constexpr FT_Int32 kLoadFlags = FT_LOAD_TARGET_MONO | FT_LOAD_NO_BITMAP;

struct Glyph {
    bool loaded = false;
    int advance = 0;
    int left = 0, top = 0;  // bitmap offset from the pen position / baseline
    int width = 0, rows = 0;
    std::vector<uint8_t> bits;  // one byte per pixel, 1 = ink
};

}  // namespace

struct Font {
    FT_Face face = nullptr;
    std::string file;
    int ascent = 0, descent = 0;
    std::array<int, 256> advance;
    std::array<Glyph, 256> glyphs;
};

namespace {

void ComputeMetrics(Font& f) {
    f.ascent = static_cast<int>((f.face->size->metrics.ascender + 63) >> 6);
    f.descent = static_cast<int>((-f.face->size->metrics.descender + 63) >> 6);
}

int AdvanceOf(Font& f, uint8_t c) {
    if (f.advance[c] >= 0) return f.advance[c];
    int adv = 0;
    uint32_t u = Cp1252ToUnicode(c);
    if (u && FT_Load_Char(f.face, u, kLoadFlags) == 0) adv = static_cast<int>((f.face->glyph->advance.x + 32) >> 6);
    f.advance[c] = adv;
    return adv;
}

const Glyph& GlyphOf(Font& f, uint8_t c) {
    Glyph& g = f.glyphs[c];
    if (g.loaded) return g;
    g.loaded = true;
    uint32_t u = Cp1252ToUnicode(c);
    if (!u || FT_Load_Char(f.face, u, kLoadFlags | FT_LOAD_RENDER) != 0) return g;
    FT_GlyphSlot slot = f.face->glyph;
    const FT_Bitmap& bm = slot->bitmap;
    g.left = slot->bitmap_left;
    g.top = slot->bitmap_top;
    g.width = static_cast<int>(bm.width);
    g.rows = static_cast<int>(bm.rows);
    g.bits.assign(size_t(g.width) * g.rows, 0);
    for (int y = 0; y < g.rows; ++y) {
        const uint8_t* row = bm.buffer + y * bm.pitch;
        for (int x = 0; x < g.width; ++x) {
            bool ink = bm.pixel_mode == FT_PIXEL_MODE_MONO ? (row[x >> 3] >> (7 - (x & 7))) & 1 : row[x] >= 128;
            g.bits[size_t(y) * g.width + x] = ink;
        }
    }
    return g;
}

Font* OpenFont(const std::string& family, int height) {
    FT_Library lib = Library();
    if (!lib) return nullptr;
    if (height == 0) height = kStockLineHeight;  // "default size"
    // Far beyond any screen; keeps glyph bitmaps of bounded size.
    if (height < -4096 || height > 4096) return nullptr;
    int index = 0;
    std::string file = ResolveFamily(family, &index);
    if (file.empty()) return nullptr;
    auto f = std::make_unique<Font>();
    if (FT_New_Face(lib, file.c_str(), index, &f->face) != 0) return nullptr;
    f->file = file;
    f->advance.fill(-1);
    if (height < 0) {
        FT_Set_Pixel_Sizes(f->face, 0, FT_UInt(-height));
        ComputeMetrics(*f);
    } else {
        // The largest em size whose cell fits the height.
        for (int em = height; em >= 1; --em) {
            FT_Set_Pixel_Sizes(f->face, 0, FT_UInt(em));
            ComputeMetrics(*f);
            if (f->ascent + f->descent <= height) break;
        }
        // Give the cell exactly the asked height.
        if (f->ascent + f->descent < height) f->ascent += height - (f->ascent + f->descent);
    }
    return f.release();
}

Font* ActiveFont(const DrawContext& dc) {
    return const_cast<Font*>(dc.font ? dc.font : StockVariableFont());
}

// ---- outlines -----------------------------------------------------------------

struct OutlineSink {
    Path* path;
    double ox, baseline;
    PointD last;
    int contourStart;
    bool open = false;
};

PointD ToPath(const OutlineSink& s, const FT_Vector* v) { return PointD{s.ox + v->x / 64.0, s.baseline - v->y / 64.0}; }

void CloseContour(OutlineSink& s) {
    if (!s.open) return;
    int n = static_cast<int>(s.path->points.size()) - s.contourStart;
    // Drop a closing point equal to the first.
    if (n > 1) {
        const PointD& a = s.path->points[s.contourStart];
        const PointD& b = s.path->points.back();
        if (a.x == b.x && a.y == b.y) {
            s.path->points.pop_back();
            --n;
        }
    }
    if (n >= 2) s.path->contourSizes.push_back(n);
    else s.path->points.resize(s.contourStart);
    s.open = false;
}

int MoveToCb(const FT_Vector* to, void* user) {
    OutlineSink& s = *static_cast<OutlineSink*>(user);
    CloseContour(s);
    s.contourStart = static_cast<int>(s.path->points.size());
    s.last = ToPath(s, to);
    s.path->points.push_back(s.last);
    s.open = true;
    return 0;
}

int LineToCb(const FT_Vector* to, void* user) {
    OutlineSink& s = *static_cast<OutlineSink*>(user);
    s.last = ToPath(s, to);
    s.path->points.push_back(s.last);
    return 0;
}

void AddCubic(OutlineSink& s, const PointD& c1, const PointD& c2, const PointD& end) {
    PointD pts[kMaxBezierPoints];
    int n = FlattenBezier(s.last, c1, c2, end, pts, 65);
    for (int i = 1; i < n; ++i) s.path->points.push_back(pts[i]);
    s.last = end;
}

int ConicToCb(const FT_Vector* control, const FT_Vector* to, void* user) {
    OutlineSink& s = *static_cast<OutlineSink*>(user);
    PointD c = ToPath(s, control), e = ToPath(s, to), p = s.last;
    AddCubic(s, PointD{p.x + 2.0 / 3 * (c.x - p.x), p.y + 2.0 / 3 * (c.y - p.y)},
             PointD{e.x + 2.0 / 3 * (c.x - e.x), e.y + 2.0 / 3 * (c.y - e.y)}, e);
    return 0;
}

int CubicToCb(const FT_Vector* c1, const FT_Vector* c2, const FT_Vector* to, void* user) {
    OutlineSink& s = *static_cast<OutlineSink*>(user);
    AddCubic(s, ToPath(s, c1), ToPath(s, c2), ToPath(s, to));
    return 0;
}

}  // namespace

Font* CreateFont(const char* family, int height) {
    std::lock_guard<std::mutex> g(FontLock());
    return OpenFont(family ? family : "sans-serif", height);
}

void DeleteFont(Font* font) {
    if (!font || font == StockVariableFont()) return;
    std::lock_guard<std::mutex> g(FontLock());
    FT_Done_Face(font->face);
    delete font;
}

const Font* StockVariableFont() {
    static Font* stock = [] {
        std::lock_guard<std::mutex> g(FontLock());
        for (const char* family : kStockFamilies) {
            int index = 0;
            std::string file = ResolveFamily(family, &index);
            if (file.empty()) continue;
            if (Font* f = OpenFont(family, kStockLineHeight)) return f;
        }
        return static_cast<Font*>(nullptr);
    }();
    return stock;
}

const Font* SelectFont(DrawContext& dc, const Font* font) {
    const Font* old = dc.font;
    dc.font = font;
    return old;
}

std::string FontFile(const Font* font) { return font ? font->file : std::string(); }
int FontLineHeight(const Font* font) { return font ? font->ascent + font->descent : 0; }

TextExtent MeasureText(const DrawContext& dc, std::string_view text) {
    Font* f = ActiveFont(dc);
    if (!f) return {};
    std::lock_guard<std::mutex> g(FontLock());
    int w = 0;
    for (char c : text) w += AdvanceOf(*f, static_cast<uint8_t>(c));
    return TextExtent{w, f->ascent + f->descent};
}

int LineHeight(const DrawContext& dc) { return FontLineHeight(ActiveFont(dc)); }

void TextOut(DrawContext& dc, int x, int y, std::string_view text) {
    Font* f = ActiveFont(dc);
    if (!f) return;
    std::lock_guard<std::mutex> g(FontLock());
    const int baseline = y + f->ascent;
    int pen = x;
    if (dc.pathOpen) {
        FT_Outline_Funcs funcs{};
        funcs.move_to = MoveToCb;
        funcs.line_to = LineToCb;
        funcs.conic_to = ConicToCb;
        funcs.cubic_to = CubicToCb;
        for (char ch : text) {
            uint8_t c = static_cast<uint8_t>(ch);
            uint32_t u = Cp1252ToUnicode(c);
            if (u && FT_Load_Char(f->face, u, kLoadFlags) == 0 && f->face->glyph->format == FT_GLYPH_FORMAT_OUTLINE) {
                OutlineSink sink{&dc.path, double(pen), double(baseline), PointD{}, 0, false};
                FT_Outline_Decompose(&f->face->glyph->outline, &funcs, &sink);
                CloseContour(sink);
            }
            pen += AdvanceOf(*f, c);
        }
        return;
    }
    for (char ch : text) {
        uint8_t c = static_cast<uint8_t>(ch);
        const Glyph& gl = GlyphOf(*f, c);
        const int gx = pen + gl.left, gy = baseline - gl.top;
        for (int r = 0; r < gl.rows; ++r) {
            const uint8_t* row = gl.bits.data() + size_t(r) * gl.width;
            for (int k = 0; k < gl.width;) {
                if (!row[k]) {
                    ++k;
                    continue;
                }
                int start = k;
                while (k < gl.width && row[k]) ++k;
                PaintDeviceSpan(dc, gy + r, gx + start, gx + k, kDeviceBlack);
            }
        }
        pen += AdvanceOf(*f, c);
    }
}

void DrawTextCentered(DrawContext& dc, const Rect& rect, std::string_view text) {
    std::vector<std::string_view> lines;
    size_t start = 0;
    while (true) {
        size_t nl = text.find('\n', start);
        std::string_view line = text.substr(start, nl == std::string_view::npos ? std::string_view::npos : nl - start);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        lines.push_back(line);
        if (nl == std::string_view::npos) break;
        start = nl + 1;
    }
    const int lh = LineHeight(dc);
    const int blockHeight = lh * static_cast<int>(lines.size());
    int y = rect.top + (rect.bottom - rect.top - blockHeight) / 2;
    for (std::string_view line : lines) {
        int w = MeasureText(dc, line).width;
        TextOut(dc, rect.left + (rect.right - rect.left - w) / 2, y, line);
        y += lh;
    }
}

}  // namespace ztx
