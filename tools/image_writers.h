// Picture files the ztx tool writes from 8-bit frames and their 256 device
// colours: PNG (one frame) and animated GIF (frames added one by one, each
// with its own colour table). Files are written beside the target and renamed
// over it when complete; they take the permissions the umask leaves. A
// failure names the path and says why.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace ztx::tool {

// Writes one frame (top-down rows of `width` bytes) as an RGB PNG.
bool WritePng(const std::string& path, int width, int height, const uint8_t* pixels, const uint32_t colors[256],
              std::string* error);

class GifWriter {
public:
    ~GifWriter();
    // Starts a looping animation of the given size.
    bool Open(const std::string& path, int width, int height, std::string* error);
    // Adds a frame shown for `centiseconds`. Viewers show delays under two
    // hundredths as ten, so a frame shorter than that is merged with the
    // frames after it: they are left out and their time added to it, until
    // it lasts at least two hundredths.
    bool AddFrame(const uint8_t* pixels, const uint32_t colors[256], int centiseconds, std::string* error);
    // Finishes the file and puts it in place.
    bool Close(std::string* error);

    static constexpr int kMinDelay = 2;

private:
    bool WriteHeld(std::string* error);

    void* gif_ = nullptr;
    std::string path_, temp_;
    int width_ = 0, height_ = 0;
    // The frame waiting for its final delay.
    std::vector<uint8_t> held_;
    uint32_t heldColors_[256] = {};
    int heldDelay_ = 0;
    bool holding_ = false;
};

}  // namespace ztx::tool
