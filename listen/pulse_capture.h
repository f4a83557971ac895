// Recording for zentrix-listen through the PulseAudio client library, which
// both PulseAudio and PipeWire serve: stereo 16-bit blocks from a source,
// by default the monitor of the default output (what the desktop plays).
// A thin layer: everything it delivers goes to the analysis as it is.
#pragma once
#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "listen/analysis.h"

struct pa_simple;

namespace ztx::listen {

// The source that records what the default output plays.
constexpr char kDefaultMonitor[] = "@DEFAULT_MONITOR@";

class PulseCapture {
public:
    // Connects to the server (PULSE_SERVER, else the user's) and starts
    // recording `source` in `format`, asking for one block per fragment so a
    // block arrives as soon as it is recorded. Null with `error` set when the
    // server or the source is not there.
    static std::unique_ptr<PulseCapture> Open(const std::string& source, const AudioFormat& format,
                                              std::string& error);
    ~PulseCapture();
    PulseCapture(const PulseCapture&) = delete;
    PulseCapture& operator=(const PulseCapture&) = delete;

    // Waits for the next block (interleaved left/right). False with `error`
    // set when the server went away.
    bool Read(std::span<int16_t> block, std::string& error);
    // How long recorded sound waits in the server's buffers, in microseconds.
    uint64_t LatencyUs();

private:
    explicit PulseCapture(pa_simple* simple) : simple_(simple) {}
    pa_simple* simple_;
};

}  // namespace ztx::listen
