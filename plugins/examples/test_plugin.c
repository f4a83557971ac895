/*
 * A small plug-in for the host's tests, built in several forms that each
 * leave out one export (OMIT_ABOUT, OMIT_INITIALIZE, OMIT_REGISTER_CALLBACKS)
 * to check how the host treats incomplete libraries. It reports what the
 * host did through the exported array Probe.
 */
#include <zentrix/plugin.h>

/* What the host did, read by the tests with dlsym. */
enum {
    PROBE_REGISTERED,    /* calls of RegisterCallbacks */
    PROBE_DEFINES,       /* calls of DoPreInitializeControls */
    PROBE_SLOT9,         /* result of defining slot 9 */
    PROBE_SLOT32,        /* result of defining slot 32 */
    PROBE_SLOT_MINUS1,   /* result of defining slot -1 */
    PROBE_DRAWS,         /* calls of DoDrawFrame */
    PROBE_COUNT
};
ZTX_PLUGIN_EXPORT int Probe[PROBE_COUNT];

static const ZtxPluginCallbacks* host;

#ifndef OMIT_REGISTER_CALLBACKS
ZTX_PLUGIN_EXPORT int ZTX_PLUGIN_CALL RegisterCallbacks(const ZtxPluginCallbacks* callbacks) {
    host = callbacks;
    ++Probe[PROBE_REGISTERED];
    return 0;
}
#endif

ZTX_PLUGIN_EXPORT int ZTX_PLUGIN_CALL DoPreInitializeControls(ModuleRecord* r) {
    ++Probe[PROBE_DEFINES];
    Probe[PROBE_SLOT9] = host->DefineControl(r, 9, "Not Strength", 0, 5, 0, 5, 3, ZTX_CHECK_SET, 10, 0);
    Probe[PROBE_SLOT32] = host->DefineControl(r, 32, "Too Far", 0, 5, 0, 5, 3, ZTX_CHECK_SET, 10, 0);
    Probe[PROBE_SLOT_MINUS1] = host->DefineControl(r, -1, "Too Low", 0, 5, 0, 5, 3, ZTX_CHECK_SET, 10, 0);
    host->DefineControl(r, 0, "Shade", 0, 235, 0, 235, 200, ZTX_CHECK_SET, 10, 1);
    return 0;
}

ZTX_PLUGIN_EXPORT int ZTX_PLUGIN_CALL DoDrawFrame(ModuleRecord* r) {
    /* A filled square in the top left corner, in the palette entry "Shade". */
    ZtxRect square = {0, 0, 8, 8};
    ++Probe[PROBE_DRAWS];
    host->Draw->FillRect(host->DrawingContext(r), &square,
                         ZtxMakeBrush(ZTX_PALETTE_INDEX(host->ControlValue(r, 0))));
    return 0;
}

ZTX_PLUGIN_EXPORT int ZTX_PLUGIN_CALL DoPreInitialize(ModuleRecord* r) {
    (void)r;
    return 0;
}

#ifndef OMIT_INITIALIZE
ZTX_PLUGIN_EXPORT int ZTX_PLUGIN_CALL DoInitialize(ModuleRecord* r) {
    (void)r;
    return 0;
}
#endif

ZTX_PLUGIN_EXPORT int ZTX_PLUGIN_CALL DoClose(ModuleRecord* r) {
    (void)r;
    return 0;
}

#ifndef OMIT_ABOUT
ZTX_PLUGIN_EXPORT int ZTX_PLUGIN_CALL DoAbout(ModuleRecord* r) {
    (void)r;
    return 7;
}
#endif
