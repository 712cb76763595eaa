#include "ui/PhotoViewerPath.h"

#include <algorithm>

#include "platform/Platform.h"

namespace ui {

std::string PhotoFilePath(std::string_view fotoDir, std::string_view id) {
    if (fotoDir.empty() || id.empty()) return std::string();
    if (std::any_of(id.begin(), id.end(), platform::IsPathSeparator)) return std::string();
    std::string path(fotoDir);
    if (!platform::IsPathSeparator(path.back())) {
        path += platform::CurrentPlatform().PathSeparator();
    }
    path += "ZV";
    path += id;
    path += ".jpg";
    return path;
}

}  // namespace ui
