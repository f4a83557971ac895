#include "render/picture_formats.h"

#include <gif_lib.h>
#include <jpeglib.h>
#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <vector>

#include "render/picture.h"

namespace ztx {

namespace {

constexpr uint32_t kMaxSide = 32768;
constexpr uint64_t kMaxPixels = uint64_t(1) << 26;

bool SizeAcceptable(uint64_t w, uint64_t h) { return w > 0 && h > 0 && w <= kMaxSide && h <= kMaxSide && w * h <= kMaxPixels; }

// ---- PNG -------------------------------------------------------------------------

bool DecodePng(const uint8_t* data, size_t size, Section& out) {
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, data, size)) return false;
    if (!SizeAcceptable(image.width, image.height)) {
        png_image_free(&image);
        return false;
    }
    Section s;
    if (!CreateSection24(s, int(image.width), int(image.height))) {
        png_image_free(&image);
        return false;
    }
    image.format = PNG_FORMAT_BGR;
    // A negative row stride stores the rows bottom-up, as a section wants.
    // Transparent parts are composed onto black.
    png_color background{0, 0, 0};
    if (!png_image_finish_read(&image, &background, s.bits.data(), -s.stride, nullptr)) {
        png_image_free(&image);
        return false;
    }
    out = std::move(s);
    return true;
}

// ---- JPEG ------------------------------------------------------------------------

struct JpegError {
    jpeg_error_mgr mgr;
    jmp_buf jump;
};

void JpegFail(j_common_ptr info) { longjmp(reinterpret_cast<JpegError*>(info->err)->jump, 1); }
void JpegQuiet(j_common_ptr, int) {}

// Runs the decoder over JPEG data: `begin(width, height)` prepares the
// destination (false refuses the picture), `rowAt(y)` gives the buffer for
// shown row y (top down), where the decoder writes blue, green, red bytes,
// and `done(y)` takes that row.
template <class Begin, class RowAt, class Done>
bool ReadJpeg(const uint8_t* data, size_t size, Begin&& begin, RowAt&& rowAt, Done&& done) {
    jpeg_decompress_struct info;
    JpegError err;
    info.err = jpeg_std_error(&err.mgr);
    err.mgr.error_exit = JpegFail;
    err.mgr.emit_message = JpegQuiet;
    if (setjmp(err.jump)) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, data, static_cast<unsigned long>(size));
    if (jpeg_read_header(&info, TRUE) != JPEG_HEADER_OK || !SizeAcceptable(info.image_width, info.image_height)) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    info.out_color_space = JCS_EXT_BGR;
    jpeg_start_decompress(&info);
    if (info.output_components != 3 || !begin(int(info.output_width), int(info.output_height))) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    while (info.output_scanline < info.output_height) {
        const int y = int(info.output_scanline);
        JSAMPROW row = rowAt(y);
        jpeg_read_scanlines(&info, &row, 1);
        done(y);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return true;
}

bool DecodeJpeg(const uint8_t* data, size_t size, Section& out) {
    Section s;  // declared before the decoder's setjmp: nothing with a destructor starts after it
    const bool ok = ReadJpeg(
        data, size, [&](int w, int h) { return CreateSection24(s, w, h); },
        [&](int y) { return s.bits.data() + size_t(s.height - 1 - y) * s.stride; }, [](int) {});
    if (ok) out = std::move(s);
    return ok;
}

}  // namespace

bool IsJpegData(const uint8_t* data, size_t size) { return data && size >= 8 && data[0] == 0xFF && data[1] == 0xD8; }

bool DecodeJpegBrightness(const uint8_t* data, size_t size, Section& grey) {
    if (!IsJpegData(data, size)) return false;
    Section g;
    std::vector<uint8_t> bgr;
    const bool ok = ReadJpeg(
        data, size,
        [&](int w, int h) {
            if (!CreateSection8(g, w, h, nullptr)) return false;
            bgr.resize(size_t(w) * 3);
            return true;
        },
        [&](int) { return bgr.data(); },
        [&](int y) { BrightnessRow(bgr.data(), g.width, g.bits.data() + size_t(g.height - 1 - y) * g.stride); });
    if (ok) grey = std::move(g);
    return ok;
}

namespace {

// ---- GIF (first frame) -------------------------------------------------------------

struct MemoryReader {
    const uint8_t* data;
    size_t size, pos;
};

int GifRead(GifFileType* gif, GifByteType* buf, int n) {
    auto* r = static_cast<MemoryReader*>(gif->UserData);
    size_t k = std::min(size_t(n < 0 ? 0 : n), r->size - r->pos);
    std::memcpy(buf, r->data + r->pos, k);
    r->pos += k;
    return int(k);
}

bool DecodeGif(const uint8_t* data, size_t size, Section& out) {
    MemoryReader reader{data, size, 0};
    int error = 0;
    GifFileType* gif = DGifOpen(&reader, GifRead, &error);
    if (!gif) return false;
    bool ok = false;
    GifRecordType type;
    while (!ok && DGifGetRecordType(gif, &type) == GIF_OK) {
        if (type == TERMINATE_RECORD_TYPE) break;
        if (type == EXTENSION_RECORD_TYPE) {
            int code;
            GifByteType* ext = nullptr;
            if (DGifGetExtension(gif, &code, &ext) != GIF_OK) break;
            while (ext && DGifGetExtensionNext(gif, &ext) == GIF_OK) {}
            if (ext) break;
            continue;
        }
        if (type != IMAGE_DESC_RECORD_TYPE || DGifGetImageDesc(gif) != GIF_OK) break;
        const GifImageDesc& d = gif->Image;
        if (!SizeAcceptable(uint64_t(d.Width), uint64_t(d.Height))) break;
        const ColorMapObject* map = d.ColorMap ? d.ColorMap : gif->SColorMap;
        Section s;
        if (!CreateSection8(s, d.Width, d.Height, nullptr)) break;
        for (int i = 0; i < 256; ++i) s.colors[i] = RgbQuad{};
        if (map && map->Colors)
            for (int i = 0; i < std::min(map->ColorCount, 256); ++i)
                s.colors[i] = RgbQuad{map->Colors[i].Blue, map->Colors[i].Green, map->Colors[i].Red, 0};
        // Rows in file order (four passes when interlaced), stored bottom-up.
        static const int kStart[4] = {0, 4, 2, 1}, kStep[4] = {8, 8, 4, 2};
        bool good = true;
        auto readRow = [&](int y) {
            GifPixelType* row = s.bits.data() + size_t(s.height - 1 - y) * s.stride;
            good = good && DGifGetLine(gif, row, s.width) == GIF_OK;
        };
        if (d.Interlace) {
            for (int pass = 0; pass < 4 && good; ++pass)
                for (int y = kStart[pass]; y < s.height && good; y += kStep[pass]) readRow(y);
        } else {
            for (int y = 0; y < s.height && good; ++y) readRow(y);
        }
        if (!good) break;
        out = std::move(s);
        ok = true;
    }
    DGifCloseFile(gif, &error);
    return ok;
}

}  // namespace

bool DecodeOtherPicture(const uint8_t* data, size_t size, Section& out) {
    if (!data || size < 8) return false;
    if (std::memcmp(data, "\x89PNG\r\n\x1a\n", 8) == 0) return DecodePng(data, size, out);
    if (IsJpegData(data, size)) return DecodeJpeg(data, size, out);
    if (std::memcmp(data, "GIF87a", 6) == 0 || std::memcmp(data, "GIF89a", 6) == 0) return DecodeGif(data, size, out);
    return false;
}

std::vector<std::string> OtherPictureExtensions() { return {"png", "jpg", "jpeg", "gif"}; }

}  // namespace ztx
