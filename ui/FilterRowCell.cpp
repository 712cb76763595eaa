#include "ui/FilterRowCell.h"

namespace ui {

void FilterRowCell::SetProvider(FilterValueProvider provider, FilterListKind kind) {
    provider_ = std::move(provider);
    kind_ = kind;
    CloseList();
}

void FilterRowCell::SetText(const QString& text) {
    text_ = text;
    if (picked_ && picked_->text != text) picked_.reset();
}

void FilterRowCell::Pick(const FilterChoice& choice) {
    text_ = choice.text;
    picked_ = choice;
}

void FilterRowCell::Clear() {
    text_.clear();
    picked_.reset();
}

QString FilterRowCell::Key() const {
    if (picked_ && picked_->text == text_) return picked_->key;
    if (text_.isEmpty() || !provider_) return {};
    // The list begins with every entry equal to the text (they begin with
    // it); a few more than one screen are enough to find the exact one
    // among entries differing only in case.
    const std::vector<FilterChoice> entries =
        provider_(kind_ == FilterListKind::Whole ? QString() : text_, kListLimit);
    const FilterChoice* caseless = nullptr;
    for (const FilterChoice& e : entries) {
        if (e.text == text_) return e.key;
        if (caseless == nullptr && e.text.compare(text_, Qt::CaseInsensitive) == 0) caseless = &e;
    }
    return caseless != nullptr ? caseless->key : QString();
}

bool FilterRowCell::BeginsWith(const QString& text, const QString& prefix) {
    return text.startsWith(prefix, Qt::CaseInsensitive);
}

void FilterRowCell::Build() {
    const QString prefix = kind_ == FilterListKind::Whole ? QString() : text_;
    built_ = provider_ ? provider_(prefix, kListLimit) : std::vector<FilterChoice>();
    builtCapped_ = int(built_.size()) >= kListLimit;
    builtFor_ = prefix;
}

const std::vector<FilterChoice>& FilterRowCell::OpenList() {
    open_ = true;
    Build();
    return NarrowList();
}

const std::vector<FilterChoice>& FilterRowCell::NarrowList() {
    if (!open_) {
        shown_.clear();
        return shown_;
    }
    if (kind_ == FilterListKind::Whole) {
        shown_ = built_;
        return shown_;
    }
    // A capped list covers only texts it was built for; a text that no
    // longer begins with the built prefix (the user erased characters) was
    // not covered either.
    if (!BeginsWith(text_, builtFor_) || (builtCapped_ && text_.size() > builtFor_.size())) Build();
    shown_.clear();
    for (const FilterChoice& e : built_)
        if (BeginsWith(e.text, text_)) shown_.push_back(e);
    return shown_;
}

void FilterRowCell::CloseList() {
    open_ = false;
    built_.clear();
    shown_.clear();
    builtFor_.clear();
    builtCapped_ = false;
}

}  // namespace ui
