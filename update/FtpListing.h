// Names out of an FTP directory listing (the LIST reply's data).
//
// Servers format LIST lines freely; two layouts cover nearly all of them:
//   Unix "ls -l":  -rw-r--r--   1 owner group   1234 Jan 01 12:00 price.exe
//                  (a symbolic link "name -> target" gives "name")
//   DOS/IIS:       01-01-24  12:00PM            1234 price.exe
//                  01-01-24  12:00PM       <DIR>     folder
// A line that fits neither is taken as a bare name (an NLST-like reply).
// "total N" lines are skipped. Names come back as in the listing, with
// surrounding blanks removed.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace update {

// The name in one listing line; empty for a line that names nothing.
std::string ListingEntryName(std::string_view line);

// The names of all lines, in listing order. Lines end with CR LF or LF.
std::vector<std::string> ListingNames(std::string_view listing);

}  // namespace update
