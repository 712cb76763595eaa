// TRidovParser: the tokenizer and recognizer shared by filter expressions and
// SQL SELECT statements.
//
// INTERFACE
//
// A parser owns four flat lists: tokens, columns, sources and conditions.
// There is no syntax tree. A filter or WHERE clause is a conjunction of
// simple comparisons (TRidovCField), each between a field and a constant or
// between two fields; there is no precedence, no nesting, no OR.
//
// Legal call orders:
//
//   Filter:  TRidovParser p;  p.Tokenize(text);  p.ParseConditions(list, 0);
//            (the comparisons land in the caller's `list`)
//   Query:   TRidovParser p;  bool distinct = p.ParseSelect(sql);
//            then read Columns(), Sources(), Conditions()
//
// Tokenize() appends to the token list; ParseConditions() reads it from a
// given index and may be called more than once. ParseSelect() starts by
// clearing all four lists, so one parser can read several statements in
// turn. Clear() empties everything. Every error is raised as DatabaseError
// with one of the fixed English messages below; the parser stops at the
// first one and leaves its lists (and the caller's list) partly filled, to
// be discarded. A parser is used from one thread at a time.
//
// TOKENIZER
//
// The text (Windows-1251 bytes) is trimmed of bytes up to 32 at both ends
// and a NUL byte ends it. It is read left to right; each character is
// examined with one character of look-ahead:
//
//   * TAB, LF, CR and space separate tokens and are skipped.
//   * ' or " opens a string literal running to the same quote character;
//     that quote doubled stands for itself, the other quote character is
//     plain text. The token's text is the value without quotes. A text
//     that ends inside a literal raises "Unmatched quote".
//   * A digit starts a number: digits, '-' and the locale's decimal
//     separator, as written. So "12-5" and "2024-01-05" are single number
//     tokens, and "1.5" is three tokens when the separator is ','.
//   * ( ) * + , - . / < = > are operators; ">=", "<=", "<>" and "*=" are
//     taken as one token when the second character follows directly.
//   * Anything else starts a word of A-Z a-z 0-9 _ $; a character that
//     cannot start a word (':' ';' '!' '[' or any non-ASCII letter) raises
//     "Invalid symbol in parameter/identificator/reserved word". A word is
//     checked against the 22 reserved words ignoring case and then carries
//     its upper-case text. AND/OR/NOT, NULL, TRUE and FALSE have their own
//     kinds. Any other reserved word directly followed by '(' must be an
//     aggregate (SUM MAX MIN AVG COUNT): the '(' is folded into one
//     aggregate token, and until the matching ')' (which yields no token)
//     only '.' and ')' are allowed among the operator characters ("Symbol
//     %s is not supported in aggregate function argument"); another word
//     raises "Unsupported function %s in query". A word that is not
//     reserved must be a letter or '_' followed by letters, digits and '_',
//     else "Parameter %s is not valid identifier" (a '$' in it).
//   * At the end, unequal counts of '(' and ')' tokens raise "Unmatched
//     parentheses". The parentheses of aggregate calls are not counted.
//
// RECOGNIZERS
//
// Reserved words are recognised by kind and text, so a string literal
// 'AND' or 'SELECT' never acts as the word.
//
// ParseConditions() is a six-state machine over "[t.]field op [t.]right
// { AND ... }": state 0 reads an optional qualifier, 1 the left operand
// (identifier or string), 2 the operator (a comparison or LIKE), 3 an
// optional right qualifier or a minus sign before a number, 4 the right
// operand (identifier, string, number, NULL, TRUE, FALSE), where the
// comparison is complete and appended, and 5 the AND that starts the next
// one. Every violation raises "Error in comparison expression". The end of
// the tokens returns 0 in any state and silently drops an incomplete
// comparison, so "A = 1 AND" is "A = 1". In state 5, GROUP followed by BY
// stops the machine and returns the index of BY.
//
// ParseSelect() reads SELECT [DISTINCT] columns FROM tables [WHERE
// conditions] [GROUP BY fields] in one left-to-right pass:
//
//   1. At least four tokens ("Fewer than 4 tokens in Select statement"),
//      the first SELECT ("SELECT reserved word is not found").
//   2. Columns: [t.]field, [t.]*, a string, a number, or AGG([t.]field),
//      each with an optional AS name, separated by commas, up to FROM. An
//      operand must be followed by ',', AS or FROM ("After %s , invalid
//      token %s is found"); a token that cannot start a column raises
//      "Invalid token %s in column part of SELECT statement"; '(' and NULL
//      are skipped.
//   3. Tables: a name (identifier or string) and an optional alias,
//      separated by commas, up to WHERE, GROUP or the end; anything else
//      raises "Invalid token %s in FROM part of SELECT statement" naming
//      the misplaced token where a name was due, else the name before it.
//      JOIN has no construct here and is rejected the same way rather than
//      ignored with the rest of the statement.
//   4. WHERE: ParseConditions() into Conditions(); when it stops at
//      GROUP BY, BY must not be the last token.
//   5. GROUP BY (BY may be left out right after the tables): [t.]field
//      entries separated by commas; each marks the first column with that
//      ResultName (and TableRef, when qualified; both compared exactly)
//      that is neither an aggregate nor grouped yet as tkGroupField, else
//      "Invalid field %s in GROUP BY clause". Malformed lists raise
//      "Invalid GROUP BY clause in SELECT statement".
//   6. No column or no table: "SELECT or FROM part of select statement is
//      not found".
//   7. Qualifiers: an empty one (of a column, of a condition's left side,
//      of an identifier right side) becomes the first table's alias; a
//      written one must equal some alias ignoring case ("Field %s.%s is
//      not belong to any table in FROM part") and keeps its case.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

#include "engine/query/RidovCField.h"
#include "engine/query/RidovQColumn.h"
#include "engine/query/RidovQSource.h"
#include "engine/query/RidovToken.h"
#include "engine/text/FormatSettings.h"

namespace ridov {

class TRidovParser {
  public:
    // Numbers are read with the decimal separator of `settings`.
    explicit TRidovParser(const text::FormatSettings& settings = text::FormatSettings::Russian());
    explicit TRidovParser(char decimalSeparator);

    // Appends the tokens of `text` to Tokens(). Raises on lexical errors,
    // leaving the tokens read so far in the list.
    void Tokenize(std::string_view text);

    // Reads comparisons from Tokens()[startIndex] on and appends one record
    // per complete comparison to `target`. Returns 0 at the end of the
    // tokens, or the index of BY when it stops at GROUP BY. Raises "Error in
    // comparison expression".
    std::size_t ParseConditions(std::vector<TRidovCField>& target, std::size_t startIndex);

    // Clears the parser, tokenizes `sql` and reads it as a SELECT statement
    // into Columns(), Sources() and Conditions(), marking group columns and
    // resolving every qualifier. Returns true when the statement says
    // DISTINCT.
    bool ParseSelect(std::string_view sql);

    // Empties the four lists.
    void Clear();

    const std::vector<TRidovToken>& Tokens() const { return tokens_; }
    const std::vector<TRidovQColumn>& Columns() const { return columns_; }
    const std::vector<TRidovQSource>& Sources() const { return sources_; }
    const std::vector<TRidovCField>& Conditions() const { return conditions_; }
    // Index of the first column token: 1, or 2 after DISTINCT. 0 before a
    // statement has been read.
    std::size_t FirstColumnIndex() const { return firstColumnIndex_; }

  private:
    std::size_t ParseColumns(std::size_t i);
    void ParseSources(std::size_t i);
    void ParseGroupBy(std::size_t i);
    void MarkGroupColumn(bool qualified, std::string_view qualifier, std::string_view field);
    void ResolveQualifiers();

    char decimalSeparator_;
    std::vector<TRidovToken> tokens_;
    std::vector<TRidovQColumn> columns_;
    std::vector<TRidovQSource> sources_;
    std::vector<TRidovCField> conditions_;
    std::size_t firstColumnIndex_ = 0;
};

}  // namespace ridov
