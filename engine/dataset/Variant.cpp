#include "engine/dataset/Variant.h"

namespace ridov {

std::string VariantText(const Variant& v, const text::FormatSettings& fs) {
    switch (v.index()) {
        case 1:
            return std::get<bool>(v) ? "True" : "False";
        case 2:
            return std::to_string(std::get<int64_t>(v));
        case 3:
            return text::FloatToStr(std::get<double>(v), fs);
        case 4:
            return std::get<std::string>(v);
        default:
            return {};
    }
}

}  // namespace ridov
