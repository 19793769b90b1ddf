#pragma once
// The update image delivered next to the program: the first entry of the folder, in the order
// the listing gives them, that is not a folder and whose name ends in "nbf" (any letter case).

#include <cstdint>
#include <optional>
#include <string>

namespace orvo {

struct FolderImage {
    std::string name;
    std::string path;
    std::uint64_t size_bytes = 0;
};

std::optional<FolderImage> FirstImageInFolder(const std::string& folder);

// The name, as the folder spells it, of its first file whose name equals `name` ignoring case.
std::optional<std::string> FileInFolder(const std::string& folder, const std::string& name);

// `folder` joined with a file name by the system's separator.
std::string PathInFolder(const std::string& folder, const std::string& name);

}  // namespace orvo
