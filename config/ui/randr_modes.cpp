#include "config/ui/randr_modes.h"

#include <xcb/randr.h>
#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>

namespace ztx {

namespace {

struct Disconnect {
    void operator()(xcb_connection_t* c) const { xcb_disconnect(c); }
};
struct FreeReply {
    void operator()(void* p) const { std::free(p); }
};
template <typename T>
using Reply = std::unique_ptr<T, FreeReply>;

// The refresh rate of a mode in whole hertz, 0 when the timings do not say.
int RefreshRate(const xcb_randr_mode_info_t& m) {
    const double total = double(m.htotal) * double(m.vtotal);
    return total > 0 ? static_cast<int>(m.dot_clock / total + 0.5) : 0;
}

}  // namespace

ScreenModes QueryScreenModes() {
    ScreenModes result;
    int screenNumber = 0;
    std::unique_ptr<xcb_connection_t, Disconnect> c(xcb_connect(nullptr, &screenNumber));
    if (xcb_connection_has_error(c.get())) return result;
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(c.get()));
    for (int i = 0; i < screenNumber && it.rem; ++i) xcb_screen_next(&it);
    if (!it.rem) return result;
    const xcb_screen_t& screen = *it.data;
    result.depth = screen.root_depth;
    result.size = {screen.width_in_pixels, screen.height_in_pixels};

    Reply<xcb_randr_query_version_reply_t> version(
        xcb_randr_query_version_reply(c.get(), xcb_randr_query_version(c.get(), 1, 3), nullptr));
    if (!version || (version->major_version == 1 && version->minor_version < 2)) return result;
    Reply<xcb_randr_get_screen_resources_current_reply_t> res(xcb_randr_get_screen_resources_current_reply(
        c.get(), xcb_randr_get_screen_resources_current(c.get(), screen.root), nullptr));
    if (!res) return result;
    result.available = true;
    const xcb_randr_mode_info_t* modes = xcb_randr_get_screen_resources_current_modes(res.get());
    const int count = xcb_randr_get_screen_resources_current_modes_length(res.get());
    for (int i = 0; i < count; ++i)
        result.modes.push_back(
            {.width = modes[i].width, .height = modes[i].height, .frequency = RefreshRate(modes[i])});
    return result;
}

ScreenModesSource& ScreenModesQuery() {
    static ScreenModesSource source = QueryScreenModes;
    return source;
}

}  // namespace ztx
