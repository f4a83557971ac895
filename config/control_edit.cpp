#include "config/control_edit.h"

#include <algorithm>
#include <climits>
#include <cstdint>

#include "modules/framework/controls.h"

namespace ztx {

namespace {

// The highest defined control slot, -1 for none.
int HighestDefined(const ModuleRecord& record) {
    for (int i = kControlCount - 1; i >= 0; --i) {
        if (record.Defined[i]) return i;
    }
    return -1;
}

}  // namespace

int ReadNumberText(std::string_view text, int min, int max) {
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    int64_t value = 0;
    bool digits = !text.empty();
    for (char c : text) {
        if (c < '0' || c > '9') {
            digits = false;
            break;
        }
        value = std::min<int64_t>(value * 10 + (c - '0'), int64_t{INT_MAX} + 1);
    }
    if (!digits) value = 0;
    if (negative) value = -value;
    return static_cast<int>(std::clamp<int64_t>(value, min, max));
}

NumberEdit ReadNumberBox(std::string_view text, int min, int max, int old) {
    const int value = ReadNumberText(text, min, max);
    return {.value = value, .changed = value != old};
}

int SliderTickInterval(int low, int high) { return (high - low) / 24 + 1; }

int SteppedSense(int sense, int step) { return std::clamp(sense + step, 1, 10); }

Pager ControlPager(const ModuleRecord& record) {
    const int highest = HighestDefined(record);
    return {.shown = highest >= kRowsPerPage, .pages = highest < 0 ? 1 : highest / kRowsPerPage + 1};
}

int ShownPage(const ModuleRecord& record) {
    return record.Page >= 0 && record.Page < ControlPager(record).pages ? record.Page : 0;
}

bool TurnPage(ModuleRecord& record, int delta) {
    const int page = ShownPage(record) + delta;
    if (page < 0 || page >= ControlPager(record).pages) return false;
    record.Page = page;
    return true;
}

bool OnShownPage(const ModuleRecord& record, int slot) { return slot / kRowsPerPage == ShownPage(record); }

RowWidgets WidgetsForCheck(int check) {
    return {.value = check == kCheckSet, .range = check != kCheckSet, .sense = check >= kCheckOscillate};
}

}  // namespace ztx
