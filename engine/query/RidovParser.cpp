#include "engine/query/RidovParser.h"

#include <array>
#include <string>

#include "engine/storage/DatabaseError.h"
#include "engine/text/Win1251.h"

namespace ridov {

namespace {

constexpr std::array<std::string_view, 22> kReservedWords = {
    "SELECT", "FROM",  "WHERE", "AS",  "AND", "OR",  "NOT", "NULL", "JOIN",  "LEFT",     "ON",
    "LIKE",   "GROUP", "BY",    "SUM", "MAX", "MIN", "AVG", "TRUE", "FALSE", "DISTINCT", "COUNT"};

bool IsBlank(char c) {
    return c == '\t' || c == '\n' || c == '\r' || c == ' ';
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}
bool IsLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}
bool IsWordChar(char c) {
    return IsLetter(c) || IsDigit(c) || c == '_' || c == '$';
}

bool IsOperatorChar(char c) {
    switch (c) {
        case '(':
        case ')':
        case '*':
        case '+':
        case ',':
        case '-':
        case '.':
        case '/':
        case '<':
        case '=':
        case '>':
            return true;
        default:
            return false;
    }
}

std::string AsciiUpper(std::string_view word) {
    std::string result(word);
    for (char& c : result) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return result;
}

bool IsReservedWord(std::string_view upperWord) {
    for (std::string_view w : kReservedWords) {
        if (w == upperWord) return true;
    }
    return false;
}

bool IsValidIdentifier(std::string_view word) {
    if (word.empty() || !(IsLetter(word[0]) || word[0] == '_')) return false;
    for (char c : word) {
        if (!(IsLetter(c) || IsDigit(c) || c == '_')) return false;
    }
    return true;
}

// A reserved word is recognised by its kind as well as its text, so that a
// string literal spelling the word is never taken for it.
bool IsWord(const TRidovToken& token, std::string_view upperWord) {
    return token.Text == upperWord &&
           (token.Kind == tkReserved || token.Kind == tkLogical || token.Kind == tkNull ||
            token.Kind == tkTrue || token.Kind == tkFalse);
}

bool IsName(const TRidovToken& token) {
    return token.Kind == tkIdentifier || token.Kind == tkString;
}

// The tokens that can stand as a column's operand.
bool IsOperand(const TRidovToken& token) {
    return token.Kind == tkIdentifier || token.Kind == tkString || token.Kind == tkNumber ||
           token.Kind == tkStar;
}

bool SameTextNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (text::UpperChar(a[i]) != text::UpperChar(b[i])) return false;
    }
    return true;
}

std::uint8_t OperatorCode(std::string_view op) {
    if (op == "=") return opEqual;
    if (op == ">") return opGreater;
    if (op == "<") return opLess;
    if (op == ">=") return opGreaterEqual;
    if (op == "<=") return opLessEqual;
    if (op == "<>") return opNotEqual;
    return opOuterJoin;  // "*=", the only other comparison token
}

[[noreturn]] void Raise(std::string message) {
    throw DatabaseError(message);
}

[[noreturn]] void RaiseComparison() {
    Raise("Error in comparison expression");
}
[[noreturn]] void RaiseGroupBy() {
    Raise("Invalid GROUP BY clause in SELECT statement");
}

}  // namespace

TRidovParser::TRidovParser(const text::FormatSettings& settings)
    : decimalSeparator_(settings.decimalSeparator) {}

TRidovParser::TRidovParser(char decimalSeparator) : decimalSeparator_(decimalSeparator) {}

void TRidovParser::Clear() {
    tokens_.clear();
    columns_.clear();
    sources_.clear();
    conditions_.clear();
    firstColumnIndex_ = 0;
}

void TRidovParser::Tokenize(std::string_view text) {
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && static_cast<unsigned char>(text[begin]) <= 32) ++begin;
    while (end > begin && static_cast<unsigned char>(text[end - 1]) <= 32) --end;
    text = text.substr(begin, end - begin);
    text = text.substr(0, text.find('\0'));

    const std::size_t n = text.size();
    auto lookAhead = [&](std::size_t k) { return k < n ? text[k] : '\0'; };
    auto emit = [&](std::uint8_t kind, std::string tokenText) {
        tokens_.push_back(TRidovToken{std::move(tokenText), kind});
    };

    std::size_t opened = 0;
    std::size_t closed = 0;
    bool inAggregate = false;  // between "SUM(" and its ")"
    std::size_t i = 0;
    while (i < n) {
        const char c = text[i];

        if (IsBlank(c)) {
            ++i;
            continue;
        }

        if (c == '\'' || c == '"') {
            std::string value;
            std::size_t k = i + 1;
            for (;;) {
                if (k >= n) Raise("Unmatched quote");
                if (text[k] == c) {
                    if (lookAhead(k + 1) != c) break;
                    ++k;  // a doubled quote stands for one
                }
                value += text[k++];
            }
            emit(tkString, std::move(value));
            i = k + 1;
            continue;
        }

        if (IsDigit(c)) {
            std::size_t k = i;
            while (k < n && (IsDigit(text[k]) || text[k] == '-' || text[k] == decimalSeparator_)) {
                ++k;
            }
            emit(tkNumber, std::string(text.substr(i, k - i)));
            i = k;
            continue;
        }

        if (IsOperatorChar(c)) {
            if (inAggregate && c != '.' && c != ')') {
                Raise("Symbol " + std::string(1, c) +
                      " is not supported in aggregate function argument");
            }
            const char next = lookAhead(i + 1);
            if ((c == '>' && next == '=') || (c == '<' && (next == '=' || next == '>')) ||
                (c == '*' && next == '=')) {
                emit(tkCompare, std::string(text.substr(i, 2)));
                i += 2;
                continue;
            }
            switch (c) {
                case '(':
                    ++opened;
                    emit(tkOpenParen, "(");
                    break;
                case ')':
                    if (inAggregate) {
                        inAggregate = false;  // ends the argument, no token
                    } else {
                        ++closed;
                        emit(tkCloseParen, ")");
                    }
                    break;
                case '*':
                    emit(tkStar, "*");
                    break;
                case ',':
                    emit(tkComma, ",");
                    break;
                case '.':
                    emit(tkDot, ".");
                    break;
                case '<':
                case '=':
                case '>':
                    emit(tkCompare, std::string(1, c));
                    break;
                default:  // + - /
                    emit(tkArith, std::string(1, c));
                    break;
            }
            ++i;
            continue;
        }

        if (!IsWordChar(c)) Raise("Invalid symbol in parameter/identificator/reserved word");
        std::size_t k = i;
        while (k < n && IsWordChar(text[k])) ++k;
        const std::string_view word = text.substr(i, k - i);
        std::string upper = AsciiUpper(word);
        if (!IsReservedWord(upper)) {
            if (!IsValidIdentifier(word)) {
                Raise("Parameter " + std::string(word) + " is not valid identifier");
            }
            emit(tkIdentifier, std::string(word));
            i = k;
            continue;
        }
        std::uint8_t kind = tkReserved;
        if (upper == "AND" || upper == "OR" || upper == "NOT") {
            kind = tkLogical;
        } else if (upper == "NULL") {
            kind = tkNull;
        } else if (upper == "TRUE") {
            kind = tkTrue;
        } else if (upper == "FALSE") {
            kind = tkFalse;
        } else if (lookAhead(k) == '(') {
            if (upper == "SUM") {
                kind = tkSum;
            } else if (upper == "MAX") {
                kind = tkMax;
            } else if (upper == "MIN") {
                kind = tkMin;
            } else if (upper == "AVG") {
                kind = tkAvg;
            } else if (upper == "COUNT") {
                kind = tkCount;
            } else {
                Raise("Unsupported function " + upper + " in query");
            }
            ++k;  // the '(' belongs to the aggregate token and is not counted
            inAggregate = true;
        }
        emit(kind, std::move(upper));
        i = k;
    }

    if (opened != closed) Raise("Unmatched parentheses");
}

std::size_t TRidovParser::ParseConditions(std::vector<TRidovCField>& target,
                                          std::size_t startIndex) {
    const std::size_t n = tokens_.size();
    TRidovCField current;
    bool minus = false;
    int state = 0;
    std::size_t i = startIndex;
    while (i < n) {
        const TRidovToken& token = tokens_[i];
        const TRidovToken* next = i + 1 < n ? &tokens_[i + 1] : nullptr;
        switch (state) {
            case 0:  // optional left qualifier
                if (token.Kind == tkIdentifier && next != nullptr && next->Kind == tkDot) {
                    current.LeftTable = token.Text;
                    i += 2;
                }
                state = 1;
                break;
            case 1:  // left operand
                if (!IsName(token)) RaiseComparison();
                current.LeftField = token.Text;
                current.LeftKind = token.Kind;
                ++i;
                state = 2;
                break;
            case 2:  // operator
                if (IsWord(token, "LIKE")) {
                    current.Operator = opLike;
                } else if (token.Kind == tkCompare) {
                    current.Operator = OperatorCode(token.Text);
                } else {
                    RaiseComparison();
                }
                ++i;
                state = 3;
                break;
            case 3:  // optional right qualifier, or the sign of a number
                if (token.Kind == tkIdentifier && next != nullptr && next->Kind == tkDot) {
                    current.RightTable = token.Text;
                    i += 2;
                } else if (token.Kind == tkArith) {
                    if (token.Text != "-" || next == nullptr || next->Kind != tkNumber) {
                        RaiseComparison();
                    }
                    minus = true;
                    ++i;
                }
                state = 4;
                break;
            case 4:  // right operand completes the comparison
                if (!(IsName(token) || token.Kind == tkNumber || token.Kind == tkNull ||
                      token.Kind == tkTrue || token.Kind == tkFalse)) {
                    RaiseComparison();
                }
                current.RightValue = minus ? "-" + token.Text : token.Text;
                current.RightKind = token.Kind;
                target.push_back(std::move(current));
                current = TRidovCField();
                minus = false;
                ++i;
                state = 5;
                break;
            default:  // 5: AND, or the GROUP BY that ends a WHERE clause
                if (IsWord(token, "AND")) {
                    ++i;
                    state = 0;
                } else if (IsWord(token, "GROUP") && next != nullptr && IsWord(*next, "BY")) {
                    return i + 1;
                } else {
                    RaiseComparison();
                }
                break;
        }
    }
    return 0;
}

bool TRidovParser::ParseSelect(std::string_view sql) {
    Clear();
    Tokenize(sql);
    if (tokens_.size() < 4) Raise("Fewer than 4 tokens in Select statement");
    if (!IsWord(tokens_[0], "SELECT")) Raise("SELECT reserved word is not found");
    const bool distinct = IsWord(tokens_[1], "DISTINCT");
    firstColumnIndex_ = distinct ? 2 : 1;

    const std::size_t afterFrom = ParseColumns(firstColumnIndex_);
    if (afterFrom < tokens_.size()) ParseSources(afterFrom);

    if (sources_.empty() || columns_.empty()) {
        Raise("SELECT or FROM part of select statement is not found");
    }
    ResolveQualifiers();
    return distinct;
}

// Reads the column list from token `i`. Returns the index after FROM, or
// the token count when the statement ends inside the list.
std::size_t TRidovParser::ParseColumns(std::size_t i) {
    const std::size_t n = tokens_.size();
    TRidovQColumn column;
    bool qualified = false;
    bool afterAs = false;  // the next operand is the result name
    while (i < n) {
        const TRidovToken& token = tokens_[i];
        const TRidovToken* next = i + 1 < n ? &tokens_[i + 1] : nullptr;

        if (!afterAs) {
            if (token.Kind == tkOpenParen || token.Kind == tkNull) {
                ++i;
                continue;
            }
            if (IsAggregateKind(token.Kind) && column.Kind == 0 && !qualified) {
                column.Kind = token.Kind;
                ++i;
                continue;
            }
            if (token.Kind == tkIdentifier && !qualified && next != nullptr &&
                next->Kind == tkDot) {
                column.TableRef = token.Text;
                qualified = true;
                i += 2;
                continue;
            }
        }
        if (!IsOperand(token)) {
            Raise("Invalid token " + token.Text + " in column part of SELECT statement");
        }
        if (next == nullptr) return n;

        const bool atComma = next->Kind == tkComma;
        const bool atFrom = IsWord(*next, "FROM");
        if (!afterAs && IsWord(*next, "AS")) {
            column.SourceField = token.Text;
            if (column.Kind == 0) column.Kind = token.Kind;
            afterAs = true;
            i += 2;
            continue;
        }
        if (!atComma && !atFrom) {
            Raise("After " + token.Text + " , invalid token " + next->Text + " is found");
        }
        if (!afterAs) column.SourceField = token.Text;
        column.ResultName = token.Text;
        if (column.Kind == 0) column.Kind = token.Kind;
        columns_.push_back(std::move(column));
        if (atFrom) return i + 2;
        column = TRidovQColumn();
        qualified = false;
        afterAs = false;
        i += 2;
    }
    return n;
}

// Reads the FROM list from token `i`, and what follows it: the WHERE clause
// and the GROUP BY list.
void TRidovParser::ParseSources(std::size_t i) {
    const std::size_t n = tokens_.size();
    enum class State { Name, AfterName, AfterAlias } state = State::Name;
    TRidovQSource source;
    auto append = [&] {
        if (state == State::AfterName) source.SourceAlias = source.SourceTable;
        sources_.push_back(std::move(source));
        source = TRidovQSource();
    };
    while (i < n) {
        const TRidovToken& token = tokens_[i];
        if (state == State::Name) {
            if (!IsName(token)) {
                Raise("Invalid token " + token.Text + " in FROM part of SELECT statement");
            }
            source.SourceTable = token.Text;
            state = State::AfterName;
            ++i;
            continue;
        }
        if (token.Kind == tkComma) {
            append();
            state = State::Name;
            ++i;
            continue;
        }
        if (IsWord(token, "WHERE")) {
            append();
            const std::size_t by = ParseConditions(conditions_, i + 1);
            if (by != 0) {
                if (by + 1 == n) RaiseGroupBy();
                ParseGroupBy(by + 1);
            }
            return;
        }
        if (IsWord(token, "GROUP")) {
            append();
            ParseGroupBy(i + 1);
            return;
        }
        if (state == State::AfterName && IsName(token)) {
            source.SourceAlias = token.Text;
            state = State::AfterAlias;
            ++i;
            continue;
        }
        // A third name, a reserved word (JOIN included) or any other token:
        // the message names the entry's last name.
        const std::string& last =
            state == State::AfterName ? source.SourceTable : source.SourceAlias;
        Raise("Invalid token " + last + " in FROM part of SELECT statement");
    }
    if (state != State::Name) append();
}

// Reads the GROUP BY list from token `i` to the end of the statement.
void TRidovParser::ParseGroupBy(std::size_t i) {
    const std::size_t n = tokens_.size();
    enum class State { Idle, Field, Qualifier, QualifiedField } state = State::Idle;
    std::string qualifier;
    std::string field;
    for (; i < n; ++i) {
        const TRidovToken& token = tokens_[i];
        switch (state) {
            case State::Idle:
                if (IsWord(token, "BY")) break;
                if (!IsName(token)) RaiseGroupBy();
                field = token.Text;
                state = State::Field;
                break;
            case State::Field:
                if (token.Kind == tkDot) {
                    qualifier = std::move(field);
                    state = State::Qualifier;
                } else if (token.Kind == tkComma) {
                    MarkGroupColumn(false, {}, field);
                    state = State::Idle;
                } else {
                    RaiseGroupBy();
                }
                break;
            case State::Qualifier:
                if (!IsName(token)) RaiseGroupBy();
                field = token.Text;
                state = State::QualifiedField;
                break;
            case State::QualifiedField:
                if (token.Kind != tkComma) RaiseGroupBy();
                MarkGroupColumn(true, qualifier, field);
                state = State::Idle;
                break;
        }
    }
    if (state == State::Field) MarkGroupColumn(false, {}, field);
    if (state == State::QualifiedField) MarkGroupColumn(true, qualifier, field);
    if (state == State::Qualifier) RaiseGroupBy();
}

void TRidovParser::MarkGroupColumn(bool qualified, std::string_view qualifier,
                                   std::string_view field) {
    for (TRidovQColumn& column : columns_) {
        if (column.ResultName != field) continue;
        if (qualified && column.TableRef != qualifier) continue;
        if (IsAggregateKind(column.Kind) || column.Kind == tkGroupField) continue;
        column.Kind = tkGroupField;
        return;
    }
    Raise("Invalid field " + std::string(field) + " in GROUP BY clause");
}

void TRidovParser::ResolveQualifiers() {
    const std::string& firstAlias = sources_.front().SourceAlias;
    auto resolve = [&](std::string& qualifier, const std::string& field) {
        if (qualifier.empty()) {
            qualifier = firstAlias;
            return;
        }
        for (const TRidovQSource& source : sources_) {
            if (SameTextNoCase(qualifier, source.SourceAlias)) return;
        }
        Raise("Field " + qualifier + "." + field + " is not belong to any table in FROM part");
    };
    for (TRidovQColumn& column : columns_) resolve(column.TableRef, column.SourceField);
    for (TRidovCField& condition : conditions_) {
        resolve(condition.LeftTable, condition.LeftField);
        if (condition.RightKind == tkIdentifier)
            resolve(condition.RightTable, condition.RightValue);
    }
}

}  // namespace ridov
