#include "ui/FilterRowValues.h"

#include <map>
#include <optional>

#include "engine/dataset/DataSet.h"
#include "engine/dataset/RidovDataset.h"
#include "engine/text/Win1251.h"
#include "ui/Win1251Text.h"

namespace ui {

namespace {

bool BeginsWithUpper(std::string_view value, std::string_view upperPrefix) {
    if (value.size() < upperPrefix.size()) return false;
    for (size_t i = 0; i < upperPrefix.size(); ++i)
        if (text::UpperChar(value[i]) != upperPrefix[i]) return false;
    return true;
}

// Alphabetical ignoring case; texts differing only in case keep a fixed
// order so that both are offered.
struct CaselessLess {
    bool operator()(const std::string& a, const std::string& b) const {
        const int c = text::CompareNoCase(a, b);
        return c != 0 ? c < 0 : a < b;
    }
};

}  // namespace

std::vector<FilterChoice> DistinctValues(const ridov::DataSet& dataSet, std::string_view listField,
                                         std::string_view keyField, const QString& prefix,
                                         int limit) {
    std::vector<FilterChoice> choices;
    if (limit <= 0 || !dataSet.Active()) return choices;
    const ridov::Field* list = dataSet.FindField(listField);
    const ridov::Field* key = keyField.empty() ? list : dataSet.FindField(keyField);
    if (list == nullptr || key == nullptr) return choices;
    const bool keyIsText = key == list;

    const std::string upperPrefix = text::Upper(ToWin1251(prefix));
    const CaselessLess less;
    // The first `limit` texts so far, each with its key.
    std::map<std::string, std::string, CaselessLess> values;
    std::string value;
    // Takes the text of `row`; false once no later row can be offered.
    // Rows read backwards meet a text's first row last: its key wins.
    auto take = [&](int row, bool ordered, bool backwards) {
        if (!dataSet.ReadCellText(row, *list, value) || value.empty()) return true;
        if (!BeginsWithUpper(value, upperPrefix)) return true;
        if (backwards && !keyIsText) {
            auto known = values.find(value);
            if (known != values.end()) {
                dataSet.ReadCellText(row, *key, known->second);
                return true;
            }
        }
        const bool full = int(values.size()) >= limit;
        if (full) {
            const std::string& last = std::prev(values.end())->first;
            // Rows read in alphabetical order: none after this one is
            // before the last text kept.
            if (ordered && text::CompareNoCase(value, last) > 0) return false;
            // A full list keeps only texts before its last one.
            if (!less(value, last)) return true;
        }
        auto [it, inserted] = values.try_emplace(value);
        if (!inserted) return true;
        if (!keyIsText) dataSet.ReadCellText(row, *key, it->second);
        if (full) values.erase(std::prev(values.end()));
        return true;
    };
    const ridov::TRidovDataset* sorted = dataSet.AsRidovDataset();
    const auto run = sorted ? sorted->RowsStartingWith(*list, ToWin1251(prefix))
                            : std::optional<ridov::TRidovDataset::RowRun>();
    if (run && !run->descending) {
        // Sorted by this field: the rows that can be offered lie together,
        // in alphabetical order, and the walk ends at the first row past
        // the last text the list keeps.
        for (int row = run->first; row < run->last && take(row, true, false); ++row) {
        }
    } else if (run) {
        for (int row = run->last - 1; row >= run->first && take(row, true, true); --row) {
        }
    } else {
        const int rows = dataSet.RowCount();
        for (int row = 0; row < rows; ++row) take(row, false, false);
    }
    choices.reserve(values.size());
    for (const auto& [text, keyText] : values) {
        const QString shown = FromWin1251(text);
        choices.push_back({shown, keyIsText ? shown : FromWin1251(keyText)});
    }
    return choices;
}

FilterValueProvider DistinctValuesProvider(const ridov::DataSet& dataSet, std::string listField,
                                           std::string keyField) {
    return [&dataSet, listField = std::move(listField), keyField = std::move(keyField)](
               const QString& prefix, int limit) {
        return DistinctValues(dataSet, listField, keyField, prefix, limit);
    };
}

}  // namespace ui
