/*
 * Zentrix plug-in interface: everything a plug-in module needs, in plain C11.
 *
 * A plug-in is a shared object ("name.so") placed in the plug-in folder
 * (~/.local/share/zentrix/PlugIns unless the setting "PlugInDir" names
 * another). It is a module like the built-in ones: it defines its controls,
 * allocates, initialises, draws one step per call and closes, always on the
 * ModuleRecord of the "PlugIn" slot (module_record.h), which the host passes
 * to every routine.
 *
 * Exports, looked up by name in this order when the library is loaded:
 *
 *   DoDrawFrame             required  draw one step; 0 (or ZTX_FRAME_SKIPPED)
 *   DoPreInitialize         required  allocate working memory
 *   DoInitialize            required  (re)start from the controls
 *   DoClose                 required  finish and free
 *   DoAbout                 optional  tell the user about the plug-in
 *   RegisterCallbacks       required  receives the host's routine table once
 *   DoPreInitializeControls required  define the controls (also on "Reset")
 *
 * After DoPreInitializeControls the host defines control 9, "Strength" (the
 * number of DoDrawFrame calls per frame), itself: a plug-in cannot define
 * slot 9. DoPreInitializeControls and DoAbout run on the thread that loads
 * the plug-in (the configuration tool's); every other routine runs on the
 * animation thread.
 *
 * Every export and every host routine uses the plain C calling convention
 * (the caller removes the arguments; ZTX_PLUGIN_CALL) and returns a 32-bit
 * int unless stated otherwise.
 *
 * The plug-in needs no symbols from the program: the host's routines,
 * including the drawing interface, reach it as tables of function pointers
 * through RegisterCallbacks. Keep the pointer; it stays valid for the life of
 * the process (a loaded library is never unloaded).
 *
 * Compatibility: each table starts with its size in bytes and its version.
 * New routines are only ever appended, with a higher version; nothing is
 * removed or reordered. A plug-in that needs a routine added in version N
 * checks Version >= N first.
 */
#ifndef ZENTRIX_PLUGIN_H
#define ZENTRIX_PLUGIN_H

#include <stdint.h>

#include "module_record.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Versions of the two tables described here. */
#define ZTX_PLUGIN_API_VERSION 1
#define ZTX_DRAW_API_VERSION 1

/* The plain C calling convention: the caller removes the arguments. It is
 * the only convention on 64-bit Linux; 32-bit x86 spells it out. */
#if defined(__i386__)
#define ZTX_PLUGIN_CALL __attribute__((cdecl))
#else
#define ZTX_PLUGIN_CALL
#endif

/* Marks the plug-in's exports visible even when the library is built with
 * -fvisibility=hidden (recommended: only the exports need to be seen). */
#if defined(__GNUC__)
#define ZTX_PLUGIN_EXPORT __attribute__((visibility("default")))
#else
#define ZTX_PLUGIN_EXPORT
#endif

/* The result of DoDrawFrame when it did not draw (module_record.h). */
#define ZTX_PLUGIN_FRAME_SKIPPED ZTX_FRAME_SKIPPED

/* The control "Check" codes (how a value is driven) are the ZTX_CHECK_*
 * values of module_record.h: 0 Set, 1 Random, 2 Oscillate, 3 Volume, 4 Left,
 * 5 Right, 6..21 the sixteen frequency bands. */

/* ---- drawing ------------------------------------------------------------
 *
 * The record's Dc is the drawing surface: an 8-bit picture of device colours
 * whose 236 palette entries the host keeps animating. Draw with palette
 * entries, ZTX_PALETTE_INDEX(0..235), so palette animation recolours what is
 * already on the screen; ZTX_RGB colours draw the nearest of the 20 fixed
 * colours (black, 0, erases). Coordinates are pixels, y downward;
 * rectangles exclude their right column and bottom row. Everything is
 * clipped to the picture. A null Dc (the configuration tool has no surface)
 * draws nothing.
 */

#define ZTX_PALETTE_INDEX(entry) (0x01000000u | ((uint32_t)(entry) & 0xFFFFu))
#define ZTX_RGB(r, g, b) \
    ((uint32_t)((r) & 255) | ((uint32_t)((g) & 255) << 8) | ((uint32_t)((b) & 255) << 16))

typedef struct ZtxPoint {
    int32_t x, y;
} ZtxPoint;

typedef struct ZtxRect {
    int32_t left, top, right, bottom;
} ZtxRect;

/* Pens and brushes are plain values: nothing is created on the host, so
 * there is nothing to delete. Select one, draw, select the old one back. */
#define ZTX_PEN_SOLID 0
#define ZTX_PEN_NULL 1 /* draws no outline */
typedef struct ZtxPen {
    int32_t style;  /* ZTX_PEN_* */
    int32_t width;  /* 0 or 1: one-pixel lines; 2 and more: round strokes */
    uint32_t color; /* ZTX_PALETTE_INDEX or ZTX_RGB */
} ZtxPen;

#define ZTX_BRUSH_SOLID 0
#define ZTX_BRUSH_HOLLOW 1 /* no interior fill */
typedef struct ZtxBrush {
    int32_t style; /* ZTX_BRUSH_* */
    uint32_t color;
} ZtxBrush;

static inline ZtxPen ZtxMakePen(int width, uint32_t color) {
    ZtxPen pen = {ZTX_PEN_SOLID, width, color};
    return pen;
}
static inline ZtxBrush ZtxMakeBrush(uint32_t color) {
    ZtxBrush brush = {ZTX_BRUSH_SOLID, color};
    return brush;
}

/* How pens and brushes combine with what is there. */
#define ZTX_MIX_COPY 0   /* draw the colour */
#define ZTX_MIX_INVERT 1 /* invert what is there */

/* Whole-rectangle operations of PatBlt. */
#define ZTX_ROP_BLACKNESS 0
#define ZTX_ROP_WHITENESS 1
#define ZTX_ROP_INVERT 2

/* Palette-index strips (DrawIndexStrip): rows from top to bottom, each
 * ZTX_STRIP_STRIDE(width) bytes; every byte is a palette entry 0..235
 * (larger values draw entry 235). */
#define ZTX_STRIP_STRIDE(width) ((((int32_t)(width)) + 3) & ~3)

typedef struct ZtxDrawApi {
    uint32_t Size;    /* bytes of this table as the host filled it */
    uint32_t Version; /* ZTX_DRAW_API_VERSION of the host */

    /* Selection returns what was selected before. */
    ZtxPen(ZTX_PLUGIN_CALL* SelectPen)(void* dc, ZtxPen pen);
    ZtxBrush(ZTX_PLUGIN_CALL* SelectBrush)(void* dc, ZtxBrush brush);
    int(ZTX_PLUGIN_CALL* SetMix)(void* dc, int mix); /* returns the old mix */

    /* Lines and curves with the pen. One-pixel pens leave out the end point. */
    void(ZTX_PLUGIN_CALL* MoveTo)(void* dc, int x, int y);
    void(ZTX_PLUGIN_CALL* LineTo)(void* dc, int x, int y);
    void(ZTX_PLUGIN_CALL* Polyline)(void* dc, const ZtxPoint* points, int count);
    /* Cubic Bezier pieces: 1 + 3k points. */
    void(ZTX_PLUGIN_CALL* Bezier)(void* dc, const ZtxPoint* points, int count);

    /* Filled shapes: interior with the brush, outline with the pen. */
    void(ZTX_PLUGIN_CALL* Polygon)(void* dc, const ZtxPoint* points, int count);
    void(ZTX_PLUGIN_CALL* Ellipse)(void* dc, int left, int top, int right, int bottom);
    void(ZTX_PLUGIN_CALL* Rectangle)(void* dc, int left, int top, int right, int bottom);
    /* Fills with the given brush, whatever is selected. */
    void(ZTX_PLUGIN_CALL* FillRect)(void* dc, const ZtxRect* rect, ZtxBrush brush);
    /* ZTX_ROP_* over a rectangle (negative extents allowed). */
    void(ZTX_PLUGIN_CALL* PatBlt)(void* dc, int x, int y, int width, int height, int rop);
    void(ZTX_PLUGIN_CALL* InvertRect)(void* dc, const ZtxRect* rect);

    /* Block transfers. src may be dst (the whole source is read first).
     * A negative destination width or height mirrors the stretch. */
    void(ZTX_PLUGIN_CALL* BitBlt)(void* dst, int x, int y, int width, int height, void* src, int sx, int sy);
    void(ZTX_PLUGIN_CALL* StretchBlt)(void* dst, int x, int y, int width, int height, void* src, int sx,
                                      int sy, int sw, int sh);
    /* A picture of the plug-in's own (black at first) to draw into and blit
     * from; 0 when it cannot be made. Delete it when done. */
    void*(ZTX_PLUGIN_CALL* CreateMemoryDc)(int width, int height);
    void(ZTX_PLUGIN_CALL* DeleteMemoryDc)(void* dc);

    /* A strip of palette indices (stripWidth x stripHeight, see
     * ZTX_STRIP_STRIDE) stretched onto (x, y, width, height); equal sizes copy
     * it pixel for pixel. */
    void(ZTX_PLUGIN_CALL* DrawIndexStrip)(void* dc, int x, int y, int width, int height,
                                          const uint8_t* indices, int stripWidth, int stripHeight);

    /* Clipping: every drawing call stays inside the clip. */
    void(ZTX_PLUGIN_CALL* RemoveClip)(void* dc);
    void(ZTX_PLUGIN_CALL* SetClipRect)(void* dc, const ZtxRect* rect);
    void(ZTX_PLUGIN_CALL* IntersectClipRect)(void* dc, const ZtxRect* rect);
    void(ZTX_PLUGIN_CALL* ExcludeClipRect)(void* dc, const ZtxRect* rect);
} ZtxDrawApi;

/* ---- the host's routines ----------------------------------------------------
 *
 * The ten host routines, in their fixed order, followed by the drawing
 * interface. Routines 2 to 10 read and write only the record passed to them;
 * "slot" is a control slot 0..31 (others give 0).
 */
typedef struct ZtxPluginCallbacks {
    uint32_t Size;    /* bytes of this table as the host filled it */
    uint32_t Version; /* ZTX_PLUGIN_API_VERSION of the host */

    /* 1. Non-zero while the animation should go on: poll it in long loops. */
    int(ZTX_PLUGIN_CALL* AnimationRunning)(void);
    /* 2. Defines control `slot` (its stored name is the slot number): absolute
     * bounds min..max, working range rangeLo..rangeHi (either order), value,
     * check (ZTX_CHECK_*), sense 0..10 (speed of oscillation and sound
     * following; 10 is usual) and whether it may be oscillated or follow
     * sound. Returns 1, or 0 for slot 9 ("Strength", the host's) and slots
     * outside 0..31. */
    int(ZTX_PLUGIN_CALL* DefineControl)(ModuleRecord* record, int slot, const char* name, int min, int max,
                                        int rangeLo, int rangeHi, int value, int check, int sense,
                                        int animatable);
    /* 3. Non-zero when the control's source makes it change every frame
     * (Oscillate, or a live sound level): re-evaluate it with 4 or 5. */
    int(ZTX_PLUGIN_CALL* IsDriven)(ModuleRecord* record, int slot);
    /* 4. The control's next evolved value in its working range, truncated
     * toward zero. Advances the oscillation or sound smoothing. */
    int(ZTX_PLUGIN_CALL* EvolveInt)(ModuleRecord* record, int slot);
    /* 5. The same as a floating-point number. */
    float(ZTX_PLUGIN_CALL* EvolveFloat)(ModuleRecord* record, int slot);
    /* 6. New random values for "Random" controls, then every driven control
     * evolved once: what a module does when it (re)starts. Returns 0. */
    int(ZTX_PLUGIN_CALL* RestartControls)(ModuleRecord* record);
    /* 7. The control's current value. */
    int(ZTX_PLUGIN_CALL* ControlValue)(ModuleRecord* record, int slot);
    /* 8. The record's drawing surface (its Dc). */
    void*(ZTX_PLUGIN_CALL* DrawingContext)(ModuleRecord* record);
    /* 9., 10. The size of the drawing surface in pixels. */
    int(ZTX_PLUGIN_CALL* Width)(ModuleRecord* record);
    int(ZTX_PLUGIN_CALL* Height)(ModuleRecord* record);

    /* The drawing interface for the record's Dc. */
    const ZtxDrawApi* Draw;
} ZtxPluginCallbacks;

/* ---- the exports --------------------------------------------------------- */

#define ZTX_EXPORT_DRAW_FRAME "DoDrawFrame"
#define ZTX_EXPORT_PRE_INITIALIZE "DoPreInitialize"
#define ZTX_EXPORT_INITIALIZE "DoInitialize"
#define ZTX_EXPORT_CLOSE "DoClose"
#define ZTX_EXPORT_ABOUT "DoAbout"
#define ZTX_EXPORT_REGISTER_CALLBACKS "RegisterCallbacks"
#define ZTX_EXPORT_PRE_INITIALIZE_CONTROLS "DoPreInitializeControls"

/* The type of RegisterCallbacks (the record routines are ModuleRoutine). */
typedef int(ZTX_PLUGIN_CALL* ZtxRegisterCallbacksRoutine)(const ZtxPluginCallbacks* callbacks);

/* What a plug-in defines. The host includes this header with ZTX_PLUGIN_HOST
 * defined and sees only the types above. */
#ifndef ZTX_PLUGIN_HOST
ZTX_PLUGIN_EXPORT int ZTX_PLUGIN_CALL DoDrawFrame(ModuleRecord* record);
ZTX_PLUGIN_EXPORT int ZTX_PLUGIN_CALL DoPreInitialize(ModuleRecord* record);
ZTX_PLUGIN_EXPORT int ZTX_PLUGIN_CALL DoInitialize(ModuleRecord* record);
ZTX_PLUGIN_EXPORT int ZTX_PLUGIN_CALL DoClose(ModuleRecord* record);
ZTX_PLUGIN_EXPORT int ZTX_PLUGIN_CALL DoAbout(ModuleRecord* record);
ZTX_PLUGIN_EXPORT int ZTX_PLUGIN_CALL RegisterCallbacks(const ZtxPluginCallbacks* callbacks);
ZTX_PLUGIN_EXPORT int ZTX_PLUGIN_CALL DoPreInitializeControls(ModuleRecord* record);
#endif

#ifdef __cplusplus
}
#endif

#endif /* ZENTRIX_PLUGIN_H */
