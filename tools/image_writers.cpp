#include "tools/image_writers.h"

#include <fcntl.h>
#include <gif_lib.h>
#include <png.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/files.h"

namespace ztx::tool {

namespace {

std::string TempBeside(const std::string& path) { return path + ".tmp-" + std::to_string(getpid()); }

// "cannot write PATH: why", for the error `err` (0: no reason known).
std::string CannotWrite(const std::string& path, int err) {
    std::string why = err ? std::strerror(err) : "the picture could not be encoded";
    if (err == ENOENT) why = "there is no folder " + DirName(path);
    return "cannot write " + path + ": " + why;
}

bool Report(std::string* error, const std::string& path, int err) {
    if (error) *error = CannotWrite(path, err);
    return false;
}

// The temporary file, created with the permissions the umask leaves.
int CreateTemp(const std::string& temp) {
    return open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
}

bool Finish(const std::string& temp, const std::string& path, std::string* error) {
    if (std::rename(temp.c_str(), path.c_str()) != 0) {
        const int err = errno;
        unlink(temp.c_str());
        return Report(error, path, err);
    }
    return true;
}

}  // namespace

namespace {

// The libpng calls; libpng reports errors by jumping back here.
bool EncodePng(png_structp png, png_infop info, FILE* f, int width, int height, const uint8_t* pixels,
               const uint32_t colors[256], uint8_t* row) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_init_io(png, f);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8, PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < height; ++y) {
        const uint8_t* src = pixels + static_cast<size_t>(y) * static_cast<size_t>(width);
        for (int x = 0; x < width; ++x) {
            uint32_t c = colors[src[x]];
            row[3 * x] = static_cast<uint8_t>(c >> 16);
            row[3 * x + 1] = static_cast<uint8_t>(c >> 8);
            row[3 * x + 2] = static_cast<uint8_t>(c);
        }
        png_write_row(png, row);
    }
    png_write_end(png, nullptr);
    return true;
}

}  // namespace

bool WritePng(const std::string& path, int width, int height, const uint8_t* pixels, const uint32_t colors[256],
              std::string* error) {
    const std::string temp = TempBeside(path);
    const int fd = CreateTemp(temp);
    FILE* f = fd >= 0 ? fdopen(fd, "wb") : nullptr;
    if (!f) {
        const int err = errno;
        if (fd >= 0) close(fd);
        return Report(error, path, err);
    }
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    std::vector<uint8_t> row(static_cast<size_t>(width) * 3);
    errno = 0;
    bool ok = png && info && EncodePng(png, info, f, width, height, pixels, colors, row.data());
    int err = errno;
    png_destroy_write_struct(png ? &png : nullptr, info ? &info : nullptr);
    if (std::fclose(f) != 0 && ok) {
        ok = false;
        err = errno;
    }
    if (!ok) {
        unlink(temp.c_str());
        return Report(error, path, err);
    }
    return Finish(temp, path, error);
}

GifWriter::~GifWriter() {
    if (gif_) {
        int err = 0;
        EGifCloseFile(static_cast<GifFileType*>(gif_), &err);
        unlink(temp_.c_str());
    }
}

bool GifWriter::Open(const std::string& path, int width, int height, std::string* error) {
    path_ = path;
    temp_ = TempBeside(path);
    width_ = width;
    height_ = height;
    const int fd = CreateTemp(temp_);
    if (fd < 0) return Report(error, path, errno);
    int err = 0;
    GifFileType* gif = EGifOpenFileHandle(fd, &err);  // owns the descriptor from here
    if (!gif) {
        close(fd);
        unlink(temp_.c_str());
        return Report(error, path, 0);
    }
    gif_ = gif;
    EGifSetGifVersion(gif, true);
    if (EGifPutScreenDesc(gif, width, height, 8, 0, nullptr) == GIF_ERROR) return Report(error, path, errno);
    // Loop for ever.
    static const unsigned char kLoop[] = {1, 0, 0};
    EGifPutExtensionLeader(gif, APPLICATION_EXT_FUNC_CODE);
    EGifPutExtensionBlock(gif, 11, "NETSCAPE2.0");
    EGifPutExtensionBlock(gif, 3, kLoop);
    EGifPutExtensionTrailer(gif);
    return true;
}

bool GifWriter::AddFrame(const uint8_t* pixels, const uint32_t colors[256], int centiseconds, std::string* error) {
    if (!gif_) return false;
    if (holding_ && heldDelay_ < kMinDelay) {
        heldDelay_ += centiseconds;
        return true;
    }
    if (holding_ && !WriteHeld(error)) return false;
    held_.assign(pixels, pixels + static_cast<size_t>(width_) * static_cast<size_t>(height_));
    std::memcpy(heldColors_, colors, sizeof heldColors_);
    heldDelay_ = centiseconds;
    holding_ = true;
    return true;
}

bool GifWriter::WriteHeld(std::string* error) {
    auto* gif = static_cast<GifFileType*>(gif_);
    const uint8_t* pixels = held_.data();
    const uint32_t* colors = heldColors_;
    holding_ = false;
    GraphicsControlBlock gcb{};
    gcb.DisposalMode = DISPOSAL_UNSPECIFIED;
    gcb.DelayTime = heldDelay_;
    gcb.TransparentColor = NO_TRANSPARENT_COLOR;
    GifByteType ext[4];
    EGifGCBToExtension(&gcb, ext);
    GifColorType table[256];
    for (int i = 0; i < 256; ++i) {
        table[i].Red = static_cast<GifByteType>(colors[i] >> 16);
        table[i].Green = static_cast<GifByteType>(colors[i] >> 8);
        table[i].Blue = static_cast<GifByteType>(colors[i]);
    }
    ColorMapObject* map = GifMakeMapObject(256, table);
    bool ok = map && EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, ext) != GIF_ERROR &&
              EGifPutImageDesc(gif, 0, 0, width_, height_, false, map) != GIF_ERROR;
    for (int y = 0; ok && y < height_; ++y) {
        ok = EGifPutLine(gif, const_cast<GifPixelType*>(pixels + static_cast<size_t>(y) * width_), width_) !=
             GIF_ERROR;
    }
    GifFreeMapObject(map);
    return ok || Report(error, path_, errno);
}

bool GifWriter::Close(std::string* error) {
    if (holding_ && gif_ && !WriteHeld(error)) return false;
    auto* gif = static_cast<GifFileType*>(gif_);
    gif_ = nullptr;
    int err = 0;
    if (!gif || EGifCloseFile(gif, &err) == GIF_ERROR) {
        const int why = errno;
        unlink(temp_.c_str());
        return Report(error, path_, why);
    }
    return Finish(temp_, path_, error);
}

}  // namespace ztx::tool
