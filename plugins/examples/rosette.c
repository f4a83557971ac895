/*
 * Rosette: the example plug-in module.
 *
 * Draws a flower of Bezier petals around the centre of the screen, one petal
 * per call, each tipped with a dot; every finished flower turns a little and
 * takes the next colours. It shows everything a plug-in does: it defines
 * its own controls (one of them, "Size", oscillates by default), keeps its
 * working state from DoPreInitialize to DoClose, reads driven controls each
 * call, draws only through the host's drawing table, and has an about
 * routine.
 *
 * Build it like any shared object from this one file and the public header:
 *     cc -std=c11 -O2 -fPIC -shared -fvisibility=hidden \
 *        -I <zentrix>/include rosette.c -o rosette.so -lm
 * and copy rosette.so into the plug-in folder.
 */
#include <math.h>
#include <stdio.h>
#include <stdlib.h>

#include <zentrix/plugin.h>

/* Control slots. Slot 9 is "Strength", which the host defines. */
enum { PETALS = 0, SIZE = 1, LINE_WIDTH = 2, TURN = 3 };

/* The host's routines, handed over once by RegisterCallbacks. */
static const ZtxPluginCallbacks* host;

/* Working state, allocated in DoPreInitialize and freed in DoClose. */
typedef struct Rosette {
    int petals;      /* petals per flower */
    int petal;       /* petals drawn so far */
    double start;    /* angle of the flower's first petal, radians */
    int color;       /* palette entry of the current flower, 0..235 */
} Rosette;
static Rosette* state;

ZTX_PLUGIN_EXPORT int ZTX_PLUGIN_CALL RegisterCallbacks(const ZtxPluginCallbacks* callbacks) {
    /* A host older than this plug-in's interface is refused politely: the
     * routines then simply do nothing. */
    if (callbacks && callbacks->Version >= ZTX_PLUGIN_API_VERSION && callbacks->Draw &&
        callbacks->Draw->Version >= ZTX_DRAW_API_VERSION)
        host = callbacks;
    return 0;
}

ZTX_PLUGIN_EXPORT int ZTX_PLUGIN_CALL DoPreInitializeControls(ModuleRecord* r) {
    if (!host) return 0;
    /* record, slot, name, min, max, range low, range high, value, check,
     * sense, animatable */
    host->DefineControl(r, PETALS, "Petals", 3, 24, 3, 24, 7, ZTX_CHECK_RANDOM, 10, 0);
    host->DefineControl(r, SIZE, "Size", 5, 100, 40, 95, 80, ZTX_CHECK_OSCILLATE, 10, 1);
    host->DefineControl(r, LINE_WIDTH, "Line Width", 1, 8, 1, 8, 1, ZTX_CHECK_SET, 10, 0);
    host->DefineControl(r, TURN, "Turn", -45, 45, -45, 45, 10, ZTX_CHECK_SET, 10, 1);
    return 0;
}

ZTX_PLUGIN_EXPORT int ZTX_PLUGIN_CALL DoPreInitialize(ModuleRecord* r) {
    (void)r;
    if (!state) state = calloc(1, sizeof *state);
    return 0;
}

ZTX_PLUGIN_EXPORT int ZTX_PLUGIN_CALL DoInitialize(ModuleRecord* r) {
    if (!host || !state) return 0;
    /* New values for "Random" controls, driven ones evolved once. */
    host->RestartControls(r);
    state->petals = host->ControlValue(r, PETALS);
    state->petal = 0;
    return 0;
}

/* A control's value for this call: driven controls move every call. */
static int Value(ModuleRecord* r, int slot) {
    return host->IsDriven(r, slot) ? host->EvolveInt(r, slot) : host->ControlValue(r, slot);
}

ZTX_PLUGIN_EXPORT int ZTX_PLUGIN_CALL DoDrawFrame(ModuleRecord* r) {
    if (!host || !state || state->petals < 1) return 0;
    const ZtxDrawApi* draw = host->Draw;
    void* dc = host->DrawingContext(r);
    const int w = host->Width(r), h = host->Height(r);
    const int cx = w / 2, cy = h / 2;
    const double radius = (w < h ? w : h) * Value(r, SIZE) / 200.0;

    /* One petal: a Bezier loop from the centre out and back. */
    const double a = state->start + 6.2831853 * state->petal / state->petals;
    const double spread = 3.1415927 / state->petals;
    ZtxPoint loop[4];
    loop[0].x = cx;
    loop[0].y = cy;
    loop[1].x = cx + (int32_t)(radius * cos(a - spread));
    loop[1].y = cy + (int32_t)(radius * sin(a - spread));
    loop[2].x = cx + (int32_t)(radius * cos(a + spread));
    loop[2].y = cy + (int32_t)(radius * sin(a + spread));
    loop[3] = loop[0];

    /* Palette entries, so the host's palette animation recolours the petals. */
    const uint32_t petalColor = ZTX_PALETTE_INDEX(state->color);
    const uint32_t dotColor = ZTX_PALETTE_INDEX((state->color + 118) % 236);
    ZtxPen oldPen = draw->SelectPen(dc, ZtxMakePen(Value(r, LINE_WIDTH), petalColor));
    draw->Bezier(dc, loop, 4);

    const int tipX = cx + (int)(0.75 * radius * cos(a));
    const int tipY = cy + (int)(0.75 * radius * sin(a));
    const int dot = 2 + (int)radius / 24;
    ZtxBrush oldBrush = draw->SelectBrush(dc, ZtxMakeBrush(dotColor));
    draw->Ellipse(dc, tipX - dot, tipY - dot, tipX + dot + 1, tipY + dot + 1);

    /* Put back what was selected: the context is shared with other modules. */
    draw->SelectBrush(dc, oldBrush);
    draw->SelectPen(dc, oldPen);

    if (++state->petal >= state->petals) {  /* the flower is finished */
        state->petal = 0;
        state->start += Value(r, TURN) * 3.1415927 / 180.0;
        state->color = (state->color + 29) % 236;
    }
    return 0;
}

ZTX_PLUGIN_EXPORT int ZTX_PLUGIN_CALL DoClose(ModuleRecord* r) {
    (void)r;
    free(state);
    state = NULL;
    return 0;
}

ZTX_PLUGIN_EXPORT int ZTX_PLUGIN_CALL DoAbout(ModuleRecord* r) {
    (void)r;
    fputs("Rosette 1.0: the example plug-in module of Zentrix.\n"
          "Bezier petals around the centre of the screen.\n",
          stderr);
    return 0;
}
