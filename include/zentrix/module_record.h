/*
 * Zentrix module record: the block of data the host and every effect module
 * share. Built-in modules and plug-in libraries (shared objects loaded from
 * the plug-in folder) receive a pointer to their own record in every routine
 * call, so the layout below is a binary interface. It is plain C11 and may be
 * included from C or C++.
 *
 * Fields are in a fixed order. All integers are 32-bit, little-endian.
 *
 * 32-bit builds: every field is 4 bytes or an array of 4-byte words; the
 * record is 3644 bytes with these offsets:
 *   Name 0, Page 4, Width 8, Height 12, Dc 16, PaletteState 20, Table 24,
 *   Path 28, PluginPath 288, Defined 548, ControlName 676, StoreIndex 1700,
 *   Check 1828, CheckDefault 1956, Control 2084, ControlDefault 2212,
 *   RangeLo 2340, RangeHi 2468, RangeLoDefault 2596, RangeHiDefault 2724,
 *   Min 2852, Max 2980, Sense 3108, SenseDefault 3236, EvolveState 3364,
 *   Animatable 3492, DoPreInitializeControls 3620, DoDrawFrame 3624,
 *   DoPreInitialize 3628, DoInitialize 3632, DoClose 3636, DoAbout 3640.
 *
 * 64-bit builds (LP64, e.g. x86-64 and AArch64 Linux): pointers are 8 bytes
 * and 8-byte aligned, so 4 bytes of padding follow Height and the record is
 * 3688 bytes with these offsets:
 *   Name 0, Page 8, Width 12, Height 16, (padding 20..23), Dc 24,
 *   PaletteState 32, Table 40, Path 48, PluginPath 308, Defined 568,
 *   ControlName 696, StoreIndex 1720, Check 1848, CheckDefault 1976,
 *   Control 2104, ControlDefault 2232, RangeLo 2360, RangeHi 2488,
 *   RangeLoDefault 2616, RangeHiDefault 2744, Min 2872, Max 3000,
 *   Sense 3128, SenseDefault 3256, EvolveState 3384, Animatable 3512,
 *   DoPreInitializeControls 3640, DoDrawFrame 3648, DoPreInitialize 3656,
 *   DoInitialize 3664, DoClose 3672, DoAbout 3680.
 *
 * Both layouts are checked at compile time at the end of this header.
 */
#ifndef ZENTRIX_MODULE_RECORD_H
#define ZENTRIX_MODULE_RECORD_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Control slots per module, bytes per control name, bytes per path. */
#define ZTX_CONTROL_COUNT 32
#define ZTX_CONTROL_NAME_SIZE 32
#define ZTX_PATH_SIZE 260

/* Result of a DoDrawFrame call that did not draw because the draw gate was
 * closed ("Draw Start"/"Draw Stop", control slots 30 and 31). */
#define ZTX_FRAME_SKIPPED 42

/* Control slot reserved for "Strength" (draw calls per frame). */
#define ZTX_STRENGTH_SLOT 9

/* How a control's value is driven (the "Source" of a control). */
#define ZTX_CHECK_SET 0       /* stays as set */
#define ZTX_CHECK_RANDOM 1    /* drawn in the working range at each restart */
#define ZTX_CHECK_OSCILLATE 2 /* follows a sine through the working range */
#define ZTX_CHECK_VOLUME 3    /* mean of the left and right sound level */
#define ZTX_CHECK_LEFT 4
#define ZTX_CHECK_RIGHT 5
#define ZTX_CHECK_FIRST_BAND 6 /* 6..21: the sixteen frequency bands */
#define ZTX_CHECK_LAST_BAND 21

struct ModuleRecord;

/* Every module routine takes the module's own record and returns an int
 * (0, or ZTX_FRAME_SKIPPED from DoDrawFrame). */
typedef int (*ModuleRoutine)(struct ModuleRecord* record);

typedef struct ModuleRecord {
    const char* Name;      /* the module's constant name ("Bezier", ...) */
    int32_t Page;          /* page of the control editor being shown */
    int32_t Width;         /* width of the drawing surface in pixels */
    int32_t Height;        /* height of the drawing surface in pixels */
    void* Dc;              /* the drawing surface modules draw into */
    void* PaletteState;    /* the shared palette record */
    struct ModuleRecord* Table; /* slot 0 of the module table */
    char Path[ZTX_PATH_SIZE];       /* path used by file-based modules */
    char PluginPath[ZTX_PATH_SIZE]; /* file name of the plug-in library */

    /* Controls, indexed by control slot 0..31. */
    int32_t Defined[ZTX_CONTROL_COUNT]; /* 1: the slot is in use */
    char ControlName[ZTX_CONTROL_COUNT][ZTX_CONTROL_NAME_SIZE];
    int32_t StoreIndex[ZTX_CONTROL_COUNT]; /* number in stored names; -1: not stored */
    int32_t Check[ZTX_CONTROL_COUNT];      /* ZTX_CHECK_* */
    int32_t CheckDefault[ZTX_CONTROL_COUNT];
    int32_t Control[ZTX_CONTROL_COUNT];    /* current value */
    int32_t ControlDefault[ZTX_CONTROL_COUNT];
    int32_t RangeLo[ZTX_CONTROL_COUNT];    /* first end of the working range */
    int32_t RangeHi[ZTX_CONTROL_COUNT];    /* second end; may be below RangeLo */
    int32_t RangeLoDefault[ZTX_CONTROL_COUNT];
    int32_t RangeHiDefault[ZTX_CONTROL_COUNT];
    int32_t Min[ZTX_CONTROL_COUNT];        /* absolute bounds */
    int32_t Max[ZTX_CONTROL_COUNT];
    int32_t Sense[ZTX_CONTROL_COUNT];      /* evolution speed / smoothing 0..10 */
    int32_t SenseDefault[ZTX_CONTROL_COUNT];
    float EvolveState[ZTX_CONTROL_COUNT];  /* oscillation phase or smoothed level */
    int32_t Animatable[ZTX_CONTROL_COUNT]; /* 1: may be oscillated or sound-driven */

    /* Routines. */
    ModuleRoutine DoPreInitializeControls; /* define the controls */
    ModuleRoutine DoDrawFrame;             /* draw one step */
    ModuleRoutine DoPreInitialize;         /* allocate working memory */
    ModuleRoutine DoInitialize;            /* (re)start from the controls */
    ModuleRoutine DoClose;                 /* finish and free */
    ModuleRoutine DoAbout;                 /* about box; plug-ins only, else 0 */
} ModuleRecord;

#ifdef __cplusplus
#define ZTX_RECORD_ASSERT(cond, msg) static_assert(cond, msg)
#else
#define ZTX_RECORD_ASSERT(cond, msg) _Static_assert(cond, msg)
#endif

#if UINTPTR_MAX == 0xFFFFFFFF
#define ZTX_RECORD_AT(at32, at64) ((size_t)(at32))
#define ZTX_RECORD_SIZE 3644
#elif UINTPTR_MAX == 0xFFFFFFFFFFFFFFFF
#define ZTX_RECORD_AT(at32, at64) ((size_t)(at64))
#define ZTX_RECORD_SIZE 3688
#endif

#ifdef ZTX_RECORD_SIZE
#define ZTX_RECORD_OFFSET(field, at32, at64)                                 \
    ZTX_RECORD_ASSERT(offsetof(ModuleRecord, field) == ZTX_RECORD_AT(at32, at64), \
                      "ModuleRecord." #field " is not at its fixed offset")

ZTX_RECORD_ASSERT(sizeof(ModuleRecord) == ZTX_RECORD_SIZE,
                  "ModuleRecord does not have its fixed size");
ZTX_RECORD_OFFSET(Name, 0, 0);
ZTX_RECORD_OFFSET(Page, 4, 8);
ZTX_RECORD_OFFSET(Width, 8, 12);
ZTX_RECORD_OFFSET(Height, 12, 16);
ZTX_RECORD_OFFSET(Dc, 16, 24);
ZTX_RECORD_OFFSET(PaletteState, 20, 32);
ZTX_RECORD_OFFSET(Table, 24, 40);
ZTX_RECORD_OFFSET(Path, 28, 48);
ZTX_RECORD_OFFSET(PluginPath, 288, 308);
ZTX_RECORD_OFFSET(Defined, 548, 568);
ZTX_RECORD_OFFSET(ControlName, 676, 696);
ZTX_RECORD_OFFSET(StoreIndex, 1700, 1720);
ZTX_RECORD_OFFSET(Check, 1828, 1848);
ZTX_RECORD_OFFSET(CheckDefault, 1956, 1976);
ZTX_RECORD_OFFSET(Control, 2084, 2104);
ZTX_RECORD_OFFSET(ControlDefault, 2212, 2232);
ZTX_RECORD_OFFSET(RangeLo, 2340, 2360);
ZTX_RECORD_OFFSET(RangeHi, 2468, 2488);
ZTX_RECORD_OFFSET(RangeLoDefault, 2596, 2616);
ZTX_RECORD_OFFSET(RangeHiDefault, 2724, 2744);
ZTX_RECORD_OFFSET(Min, 2852, 2872);
ZTX_RECORD_OFFSET(Max, 2980, 3000);
ZTX_RECORD_OFFSET(Sense, 3108, 3128);
ZTX_RECORD_OFFSET(SenseDefault, 3236, 3256);
ZTX_RECORD_OFFSET(EvolveState, 3364, 3384);
ZTX_RECORD_OFFSET(Animatable, 3492, 3512);
ZTX_RECORD_OFFSET(DoPreInitializeControls, 3620, 3640);
ZTX_RECORD_OFFSET(DoDrawFrame, 3624, 3648);
ZTX_RECORD_OFFSET(DoPreInitialize, 3628, 3656);
ZTX_RECORD_OFFSET(DoInitialize, 3632, 3664);
ZTX_RECORD_OFFSET(DoClose, 3636, 3672);
ZTX_RECORD_OFFSET(DoAbout, 3640, 3680);
#endif

#undef ZTX_RECORD_OFFSET
#undef ZTX_RECORD_AT
#undef ZTX_RECORD_SIZE
#undef ZTX_RECORD_ASSERT

#ifdef __cplusplus
}
#endif

#endif /* ZENTRIX_MODULE_RECORD_H */
