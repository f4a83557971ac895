// Picture files made in memory, for the tests and the benchmarks: JPEG and
// PNG data of any size with a colour per pixel.
#pragma once
#include <jpeglib.h>
#include <png.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <vector>

namespace ztx {

// Writes the red, green and blue of pixel (x, y) (y down) to rgb[0..2].
using RgbAt = std::function<void(int x, int y, uint8_t* rgb)>;

inline std::vector<uint8_t> EncodeJpeg(int w, int h, const RgbAt& rgbAt, int quality = 95) {
    jpeg_compress_struct info;
    jpeg_error_mgr err;
    info.err = jpeg_std_error(&err);
    jpeg_create_compress(&info);
    unsigned char* mem = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &mem, &size);
    info.image_width = JDIMENSION(w);
    info.image_height = JDIMENSION(h);
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    jpeg_start_compress(&info, TRUE);
    std::vector<uint8_t> row(size_t(w) * 3);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) rgbAt(x, y, &row[3 * size_t(x)]);
        JSAMPROW r = row.data();
        jpeg_write_scanlines(&info, &r, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    std::vector<uint8_t> out(mem, mem + size);
    std::free(mem);
    return out;
}

inline std::vector<uint8_t> EncodePng(int w, int h, const RgbAt& rgbAt) {
    std::vector<uint8_t> rgb(size_t(w) * h * 3);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) rgbAt(x, y, &rgb[(size_t(y) * w + x) * 3]);
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    image.width = png_uint_32(w);
    image.height = png_uint_32(h);
    image.format = PNG_FORMAT_RGB;
    png_alloc_size_t size = 0;
    png_image_write_to_memory(&image, nullptr, &size, 0, rgb.data(), 0, nullptr);
    std::vector<uint8_t> out(size);
    if (!png_image_write_to_memory(&image, out.data(), &size, 0, rgb.data(), 0, nullptr)) return {};
    out.resize(size);
    return out;
}

}  // namespace ztx
