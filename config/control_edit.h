// The rules of the control rows on the module pages, without widgets: how a
// number box's text reads, how a slider is scaled, which rows a page shows
// and how the pager turns. Every value written into a record goes through
// these, so no edit can leave a control outside its Min..Max.
#pragma once
#include <string_view>

#include "include/zentrix/module_record.h"

namespace ztx {

// Rows of controls a module page shows at once.
constexpr int kRowsPerPage = 10;

// A number box's text as a value in min..max. A signed decimal number
// (blanks around it allowed) is taken and clamped; one too large for any
// int counts as beyond the end it points to. Anything else, the empty box
// included, reads as 0 and is then clamped.
int ReadNumberText(std::string_view text, int min, int max);

// What leaving a number box does: the value the box reads as, and whether
// it differs from the value held before.
struct NumberEdit {
    int value;
    bool changed;
};
NumberEdit ReadNumberBox(std::string_view text, int min, int max, int old);

// Tick interval of a slider spanning low..high.
int SliderTickInterval(int low, int high);

// The sense of a driven control after the arrows moved it by `step`: kept
// within 1..10.
int SteppedSense(int sense, int step);

// The pager of a module page: shown when the highest defined control is 10
// or more; `pages` counts the pages of ten rows up to that control.
struct Pager {
    bool shown;
    int pages;
};
Pager ControlPager(const ModuleRecord& record);
// The page of rows the record shows. A Page outside the pages that exist
// (a damaged or never-set record) shows page 0.
int ShownPage(const ModuleRecord& record);
// Moves the record's Page by `delta` (+1 next, -1 previous) when the new
// page exists; returns whether it moved.
bool TurnPage(ModuleRecord& record, int delta);
// Whether control `slot` is on the page the record shows.
bool OnShownPage(const ModuleRecord& record, int slot);

// Which widgets of a control row its Source calls for.
struct RowWidgets {
    bool value;  // value slider and box ("Set")
    bool range;  // both range sliders and boxes (every other source)
    bool sense;  // the sense box ("Oscillate" and the sound sources)
};
RowWidgets WidgetsForCheck(int check);

}  // namespace ztx
