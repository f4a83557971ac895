#include "listen/pulse_capture.h"

#include <pulse/error.h>
#include <pulse/simple.h>

namespace ztx::listen {

PulseCapture::~PulseCapture() { pa_simple_free(simple_); }

std::unique_ptr<PulseCapture> PulseCapture::Open(const std::string& source, const AudioFormat& format,
                                                 std::string& error) {
    const pa_sample_spec sampleFormat{.format = PA_SAMPLE_S16LE, .rate = static_cast<uint32_t>(format.sampleRate), .channels = 2};
    const uint32_t blockBytes = static_cast<uint32_t>(format.blockFrames) * 2 * sizeof(int16_t);
    const pa_buffer_attr attr{.maxlength = UINT32_MAX, .tlength = UINT32_MAX, .prebuf = UINT32_MAX,
                              .minreq = UINT32_MAX, .fragsize = blockBytes};
    int err = 0;
    pa_simple* simple = pa_simple_new(nullptr, "Zentrix", PA_STREAM_RECORD, source.c_str(), "Sound levels for Zentrix",
                                      &sampleFormat, nullptr, &attr, &err);
    if (!simple) {
        error = pa_strerror(err);
        return nullptr;
    }
    return std::unique_ptr<PulseCapture>(new PulseCapture(simple));
}

bool PulseCapture::Read(std::span<int16_t> block, std::string& error) {
    int err = 0;
    if (pa_simple_read(simple_, block.data(), block.size_bytes(), &err) < 0) {
        error = pa_strerror(err);
        return false;
    }
    return true;
}

uint64_t PulseCapture::LatencyUs() {
    int err = 0;
    const pa_usec_t us = pa_simple_get_latency(simple_, &err);
    return us == static_cast<pa_usec_t>(-1) ? 0 : us;
}

}  // namespace ztx::listen
