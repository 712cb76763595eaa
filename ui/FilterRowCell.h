// FilterRowCell: the logic of one cell of a grid's filter row, apart from
// its line edit.
//
// A cell holds the text the user typed or picked and offers a drop-down
// list of values. The list comes from a provider the caller binds to the
// column: given the text typed so far and a cap, it returns entries whose
// text begins with it (for example the distinct values of the column, or
// brand names each yielding a brand key: display text and key differ). The
// list is built when the drop-down opens and narrowed locally while the
// user keeps typing, so a column of a million names asks its provider once
// per opening, not per key stroke; only a capped list is asked again when
// the text grows (entries beyond the cap may match the longer text).
//
// Key() is what a filter is built from: the key of the entry picked, or for
// a typed text the key of the entry whose text equals it (exactly, else
// ignoring case), else empty.
//
// Thread safety: GUI thread only.
#pragma once

#include <QString>
#include <functional>
#include <optional>
#include <vector>

namespace ui {

struct FilterChoice {
    QString text;  // shown in the list and put into the cell when picked
    QString key;   // what the filter uses; often equal to the text
};

// Entries whose text begins with `prefix` (ignoring case), at most `limit`.
using FilterValueProvider =
    std::function<std::vector<FilterChoice>(const QString& prefix, int limit)>;

// How a cell's list follows its text. Narrowed: the entries beginning with
// the text (a column's values). Whole: a short fixed set of choices, always
// offered in full whatever the cell shows, so that another choice can be
// made once one is picked; the provider is asked with an empty prefix.
enum class FilterListKind { Narrowed, Whole };

class FilterRowCell {
  public:
    static constexpr int kListLimit = 500;

    void SetProvider(FilterValueProvider provider, FilterListKind kind = FilterListKind::Narrowed);
    bool HasProvider() const { return bool(provider_); }
    FilterListKind ListKind() const { return kind_; }

    const QString& Text() const { return text_; }
    // The user typed: the text changes and any picked entry is forgotten
    // unless the text still equals it.
    void SetText(const QString& text);
    // The user picked an entry of the list.
    void Pick(const FilterChoice& choice);
    void Clear();

    // The key for a filter (see the file comment). Asks the provider when
    // the text was typed rather than picked.
    QString Key() const;

    // ---- the drop-down list ----
    // Builds the list for the current text (asks the provider).
    const std::vector<FilterChoice>& OpenList();
    // The list narrowed to the current text; asks the provider again only
    // when the list was capped and no longer covers the text.
    const std::vector<FilterChoice>& NarrowList();
    const std::vector<FilterChoice>& List() const { return shown_; }
    void CloseList();

  private:
    static bool BeginsWith(const QString& text, const QString& prefix);
    void Build();

    FilterValueProvider provider_;
    FilterListKind kind_ = FilterListKind::Narrowed;
    QString text_;
    std::optional<FilterChoice> picked_;
    // The list as the provider gave it, the prefix it was asked for, and
    // the part of it shown for the current text.
    std::vector<FilterChoice> built_;
    QString builtFor_;
    bool builtCapped_ = false;
    bool open_ = false;
    std::vector<FilterChoice> shown_;
};

}  // namespace ui
