// The sound-link block as another program may leave it: any bytes after its
// header drive the controls, and every evaluated value stays within its
// control's range (NaN and infinities count as silence).
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "modules/framework/controls.h"
#include "soundlink/sound_link.h"
#include "tests/fuzz/fuzz_common.h"

namespace {

struct Reader {
    const uint8_t* data;
    size_t size;
    size_t pos = 0;
    int32_t Int() {
        int32_t v = 0;
        if (size - pos >= 4) std::memcpy(&v, data + pos, 4);
        pos = std::min(size, pos + 4);
        return v;
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ztx_fuzz::PrivateHome();
    static ztx::SoundLinkRecord* link = ztx::OpenSoundLink();
    if (!link) std::abort();
    // The first bytes choose the controls; the rest is the block past its
    // size and version words.
    Reader pick{data, std::min<size_t>(size, 64)};
    const size_t header = 8;
    const size_t body = std::min(size - pick.size, sizeof(ztx::SoundLinkRecord) - header);
    std::memcpy(reinterpret_cast<uint8_t*>(link) + header, data + pick.size, body);
    for (int round = 0; round < 4; ++round) {
        const int check = ztx::kCheckOscillate + std::abs(pick.Int() % 20);
        const int sense = pick.Int();
        const int lo = pick.Int() % 100000, hi = pick.Int() % 100000;
        float state[4] = {};
        for (int frame = 0; frame < 8; ++frame) {
            ztx::DecayPeaks();
            const float v = ztx::EvolveValue(check, state, sense, lo, hi);
            if (!(v >= std::min(lo, hi) && v <= std::max(lo, hi))) std::abort();
        }
    }
    return 0;
}
