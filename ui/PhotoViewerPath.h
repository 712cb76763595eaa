// Where a product's photo is kept: the photo folder (the "FotoDir" setting)
// and a file named after the product's code.
#pragma once

#include <string>
#include <string_view>

namespace ui {

// The photo file of the product with code `id` in folder `fotoDir` (both
// UTF-8): fotoDir, the platform's separator, "ZV", id, ".jpg". A folder that
// already ends with a separator gets no second one. Empty when the folder
// is empty (no photo folder set: no photos) or when the code is empty or
// holds a separator (a code never names another folder).
std::string PhotoFilePath(std::string_view fotoDir, std::string_view id);

}  // namespace ui
