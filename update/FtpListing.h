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
//
// A listing is read as the server sent it; a line ends with LF, one CR
// before it belongs to the line end. A line holding any other control
// character names nothing: a name such as "evil.exe<CR>price.exe" must not
// pass for "price.exe" once something turns its CR into a line break. For
// the same reason a bare name counts only in a listing of bare names:
// among lines of the two long layouts, a line that fits neither is a piece
// of a name broken by a line feed.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace update {

// The name in one listing line (without its LF; a final CR is allowed);
// empty for a line that names nothing.
std::string ListingEntryName(std::string_view line);

// The names of all lines, in listing order. Lines end with CR LF or LF.
std::vector<std::string> ListingNames(std::string_view listing);

}  // namespace update
