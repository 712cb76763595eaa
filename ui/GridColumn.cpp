#include "ui/GridColumn.h"

#include <algorithm>
#include <cstdint>

namespace ui {

SortMarker NextSortMarker(SortMarker marker) {
    return marker == SortMarker::Ascending ? SortMarker::Descending : SortMarker::Ascending;
}

std::vector<int> FitColumnWidths(const std::vector<FitColumn>& columns, int available) {
    std::vector<int> widths(columns.size());
    std::vector<size_t> sharing;
    int64_t free = available;
    for (size_t i = 0; i < columns.size(); ++i) {
        const FitColumn& c = columns[i];
        if (c.fitted) {
            sharing.push_back(i);
        } else {
            widths[i] = std::max(c.naturalWidth, c.minWidth);
            free -= widths[i];
        }
    }
    if (sharing.empty()) return widths;

    auto weight = [&](size_t i) { return int64_t(std::max(columns[i].naturalWidth, 1)); };
    // A column whose proportional share falls below its minimum takes the
    // minimum and leaves the sharing; the rest share again what remains.
    // Each round removes at least one column, so this ends.
    for (;;) {
        int64_t total = 0;
        for (size_t i : sharing) total += weight(i);
        std::vector<size_t> keep;
        bool fixedOne = false;
        for (size_t i : sharing) {
            int64_t share = free > 0 ? free * weight(i) / total : 0;
            if (share < columns[i].minWidth) {
                widths[i] = columns[i].minWidth;
                fixedOne = true;
            } else {
                keep.push_back(i);
            }
        }
        if (!fixedOne) break;
        for (size_t i : sharing)
            if (std::find(keep.begin(), keep.end(), i) == keep.end()) free -= widths[i];
        sharing = std::move(keep);
        if (sharing.empty()) return widths;
    }

    // Floors first, then the pixels lost to rounding one by one, from the
    // left, so the fitted widths add up exactly to the free width.
    int64_t total = 0;
    for (size_t i : sharing) total += weight(i);
    int64_t given = 0;
    for (size_t i : sharing) {
        widths[i] = int(free * weight(i) / total);
        given += widths[i];
    }
    for (size_t k = 0; given < free; k = (k + 1) % sharing.size(), ++given) ++widths[sharing[k]];
    return widths;
}

}  // namespace ui
