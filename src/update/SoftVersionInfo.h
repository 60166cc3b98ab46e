#pragma once
// One release the update server offers: the tool's name, its last version,
// its release date and where to download it (UTF-8 text).
#include <string>

struct tag_SoftVersionInfo {
    std::string toolName;
    std::string lastVersion;
    std::string releaseDate;
    std::string downloadPath;
};
