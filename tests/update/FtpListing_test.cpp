// Names out of FTP directory listings as servers format them.
#include "update/FtpListing.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using update::ListingEntryName;
using update::ListingNames;

TEST(FtpListing, EntryNames) {
    struct Case {
        const char* line;
        const char* name;
    };
    const Case cases[] = {
        {"-rw-r--r--   1 owner group   1234 Jan 01 12:00 price.exe", "price.exe"},
        {"-rw-r--r--   1 owner group   1234 Jan 01  2024 price.exe", "price.exe"},
        // No group column.
        {"-rw-r--r--   1 owner   1234 Jan 01 12:00 price.exe", "price.exe"},
        {"-rw-r--r--   1 owner group   1234 Jan 01 12:00 my price.exe", "my price.exe"},
        {"lrwxrwxrwx   1 owner group     20 Jan 01 12:00 price.exe -> builds/p.exe", "price.exe"},
        {"-rw-r--r--   1 owner group   1234 Jan 01 12:00 price.exe  \r", "price.exe"},
        {"01-01-24  12:00PM              1234 price.exe", "price.exe"},
        {"01-01-2024  12:00PM       <DIR>          old", "old"},
        {"  price.exe  ", "price.exe"},
        {"total 12", ""},
        {"", ""},
        // A mode without the fields behind it names nothing.
        {"-rw-r--r--   1 owner", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(ListingEntryName(c.line), c.name) << c.line;
}

TEST(FtpListing, NamesInListingOrder) {
    const std::string listing =
        "total 3\r\n"
        "-rw-r--r--   1 o g  2 Jan 01 12:00 Price.exe\r\n"
        "-rw-r--r--   1 o g  2 Jan 01 12:00 price.exe\r\n"
        "\r\n"
        "-rw-r--r--   1 o g  2 Jan 01 12:00 setup.exe\n"
        "-rw-r--r--   1 o g  2 Jan 01 12:00 last.exe";
    EXPECT_EQ(ListingNames(listing),
              (std::vector<std::string>{"Price.exe", "price.exe", "setup.exe", "last.exe"}));
}

// A name that held a control character never passes for another one: not
// with its CR as sent, and not once something turned that CR into a line
// break (a bare name among long lines is a broken piece of a name). Only a
// line that names exactly price.exe does.
TEST(FtpListing, NamesWithControlCharactersNameNothing) {
    const char* kLong = "-rw-r--r--   1 o g  2 Jan 01 12:00 ";
    struct Case {
        std::string listing;
        std::vector<std::string> names;
    };
    const Case cases[] = {
        {std::string(kLong) + "evil.exe\rprice.exe\r\n", {}},
        {std::string(kLong) + "evil.exe\rprice.exe\r\n" + kLong + "price.exe\r\n", {"price.exe"}},
        {std::string(kLong) + "evil.exe\nprice.exe\n", {"evil.exe"}},
        {std::string(kLong) + "evil.exe\r\nprice.exe\r\n", {"evil.exe"}},
        {std::string(kLong) + "price.exe\r\r\n", {}},
        {std::string(kLong) + "price.exe\x1b[2K\r\n", {}},
        {std::string(kLong) + "a\x7f.exe\r\n" + kLong + "b.exe\r\n", {"b.exe"}},
        {"01-01-24  12:00PM  1 evil.exe\rprice.exe\r\n", {}},
        // A listing of bare names keeps them; a TAB is a blank.
        {"setup.exe\r\nprice.exe\r\n\tother.exe\n", {"setup.exe", "price.exe", "other.exe"}},
        {"evil.exe\rprice.exe\r\n", {}},
    };
    for (const Case& c : cases) EXPECT_EQ(ListingNames(c.listing), c.names) << c.listing;
    EXPECT_EQ(ListingEntryName(std::string(kLong) + "evil.exe\rprice.exe"), "");
}

}  // namespace
