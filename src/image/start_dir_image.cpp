#include "image/start_dir_image.h"

#include "base/text_compare.h"

#include <filesystem>
#include <functional>
#include <string_view>
#include <system_error>

namespace orvo {
namespace {

namespace fs = std::filesystem;

// The first file of `folder` whose name `wanted` accepts, with its size.
std::optional<FolderImage> FirstFile(const std::string& folder,
                                     const std::function<bool(std::string_view)>& wanted) {
    std::error_code error;
    fs::directory_iterator entries(fs::path(folder), error);
    for (; !error && entries != fs::directory_iterator(); entries.increment(error)) {
        if (entries->is_directory(error)) continue;
        const std::string name = entries->path().filename().string();
        if (!wanted(name)) continue;
        const std::uintmax_t size = entries->file_size(error);
        if (error) return std::nullopt;
        return FolderImage{name, PathInFolder(folder, name), size};
    }
    return std::nullopt;
}

}  // namespace

std::optional<FolderImage> FirstImageInFolder(const std::string& folder) {
    return FirstFile(folder, [](std::string_view name) {
        return name.size() >= 3 && EqualIgnoringCase(name.substr(name.size() - 3), "nbf");
    });
}

std::optional<std::string> FileInFolder(const std::string& folder, const std::string& name) {
    auto found =
        FirstFile(folder, [&](std::string_view entry) { return EqualIgnoringCase(entry, name); });
    if (!found) return std::nullopt;
    return found->name;
}

std::string PathInFolder(const std::string& folder, const std::string& name) {
    return (fs::path(folder) / name).string();
}

}  // namespace orvo
