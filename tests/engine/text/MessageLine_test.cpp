// A failure's text as one terminal line: escapes, and the cut of a text
// that a damaged file made as long as it liked.
#include "engine/text/MessageLine.h"

#include <gtest/gtest.h>

#include <string>

namespace text {
namespace {

TEST(MessageLineTest, ControlCharactersAreEscapedAndLongLinesCutAtAWholePiece) {
    struct Case {
        const char* what;
        std::string in;
        size_t max;
        std::string out;
    };
    const Case cases[] = {
        {"plain", "Field X is not found", kUnlimitedMessageLine, "Field X is not found"},
        {"empty", "", kUnlimitedMessageLine, "failed without a message"},
        {"escapes", "a\\b\tc\r\nd\x1b[31m\x7f\xC2\x9B\xFF", kUnlimitedMessageLine,
         "a\\\\b\\tc\\r\\nd\\x1b[31m\\x7f\\u009b\\xff"},
        {"fits exactly", "abcdef", 6, "abcdef"},
        {"cut", "abcdefg", 6, "abc..."},
        // Neither an escape nor a letter of two bytes is split.
        {"cut before an escape", "ab\ncde", 6, "ab..."},
        {"cut before a letter", "abЖЖЖ", 7, "abЖ..."},
    };
    for (const Case& c : cases) EXPECT_EQ(MessageLine(c.in, c.max), c.out) << c.what;

    std::string lines;
    for (int i = 0; i < 10000; ++i) lines += "line\x1b\n";
    const std::string line = MessageLine(lines, 2000);
    EXPECT_LE(line.size(), 2000u);
    EXPECT_EQ(line.find('\n'), std::string::npos);
    EXPECT_EQ(line.find('\x1b'), std::string::npos);
    EXPECT_EQ(line.substr(line.size() - 3), "...");
}

}  // namespace
}  // namespace text
