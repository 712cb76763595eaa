// One token of a filter expression or SQL statement, and the token kinds.
//
// The kind numbering is shared: a result column's kind and a comparison
// operand's kind use the same values, and two of them (tkGroupField,
// tkDistinctStar) are never produced by the tokenizer but only given to
// columns later. The values are internal; only their distinctions matter.
#pragma once

#include <cstdint>
#include <string>

namespace ridov {

inline constexpr std::uint8_t tkIdentifier = 1;     // identifier, not a reserved word
inline constexpr std::uint8_t tkString = 2;         // quoted literal
inline constexpr std::uint8_t tkComma = 3;          // ,
inline constexpr std::uint8_t tkDot = 4;            // .
inline constexpr std::uint8_t tkReserved = 5;       // SELECT, FROM, LIKE, ... (see below)
inline constexpr std::uint8_t tkNumber = 6;         // digits, '-' and the decimal separator
inline constexpr std::uint8_t tkStar = 7;           // *
inline constexpr std::uint8_t tkArith = 8;          // + - /
inline constexpr std::uint8_t tkLogical = 9;        // AND OR NOT
inline constexpr std::uint8_t tkCompare = 10;       // = < > >= <= <> *=
inline constexpr std::uint8_t tkOpenParen = 11;     // (
inline constexpr std::uint8_t tkCloseParen = 12;    // )
inline constexpr std::uint8_t tkNull = 13;          // NULL
inline constexpr std::uint8_t tkCount = 14;         // COUNT(
inline constexpr std::uint8_t tkSum = 15;           // SUM(
inline constexpr std::uint8_t tkMax = 16;           // MAX(
inline constexpr std::uint8_t tkMin = 17;           // MIN(
inline constexpr std::uint8_t tkAvg = 18;           // AVG(
inline constexpr std::uint8_t tkGroupField = 19;    // column named in GROUP BY; never a token
inline constexpr std::uint8_t tkTrue = 20;          // TRUE
inline constexpr std::uint8_t tkFalse = 21;         // FALSE
inline constexpr std::uint8_t tkDistinctStar = 22;  // '*' column under DISTINCT; never a token

// True for the aggregate call kinds tkCount..tkAvg.
constexpr bool IsAggregateKind(std::uint8_t kind) {
    return kind >= tkCount && kind <= tkAvg;
}

// `Text` is the upper-case word for a reserved word, the value without the
// quotes (doubled quotes undone) for a string literal, and the characters as
// written for everything else. An aggregate token's text is the bare word
// ("SUM"); its '(' is folded into it.
struct TRidovToken {
    std::string Text;
    std::uint8_t Kind = 0;
};

}  // namespace ridov
