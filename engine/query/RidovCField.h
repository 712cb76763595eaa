// One comparison of a filter expression or WHERE clause, and the operator
// codes.
//
// A filter or WHERE clause is a flat conjunction of these records; there is
// no tree. The parser fills the operand and operator members; the filter and
// the query fill ConstValue and Mask when they prepare the comparison for
// evaluation. The record owns its mask.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "engine/query/RidovMask.h"
#include "engine/query/RidovToken.h"

namespace ridov {

inline constexpr std::uint8_t opEqual = 1;         // =
inline constexpr std::uint8_t opGreater = 2;       // >
inline constexpr std::uint8_t opLess = 3;          // <
inline constexpr std::uint8_t opGreaterEqual = 4;  // >=
inline constexpr std::uint8_t opLessEqual = 5;     // <=
inline constexpr std::uint8_t opNotEqual = 6;      // <>
inline constexpr std::uint8_t opLike = 7;          // LIKE
inline constexpr std::uint8_t opOuterJoin = 8;     // *=

struct TRidovCField {
    // Left operand: always taken as a field name, even when written as a
    // string literal. LeftTable is the qualifier ("" when none is written).
    std::string LeftTable;
    std::string LeftField;
    // Right operand. RightTable is the qualifier of an identifier operand;
    // RightValue is a field name or a constant's text (a negative number
    // keeps its sign, "-5").
    std::string RightTable;
    std::string RightValue;
    std::uint8_t LeftKind = 0;   // tkIdentifier or tkString
    std::uint8_t RightKind = 0;  // tkIdentifier, tkString, tkNumber, tkNull, tkTrue, tkFalse
    std::uint8_t Operator = 0;   // opEqual..opOuterJoin

    // Filled at preparation: the constant of the right operand (empty when
    // it is a field), and the compiled pattern of a LIKE comparison.
    std::string ConstValue;
    std::optional<TRidovMask> Mask;
};

}  // namespace ridov
