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

}  // namespace
