#include "shell/find_image_in_start_dir.h"

#include "image/start_dir_image.h"

namespace orvo {

bool FindImageInStartDir(WizardState& state, Ui& ui) {
    const std::optional<FolderImage> image = FirstImageInFolder(state.StartDir);
    if (!image) {
        // The page closes the main window itself; the request makes sure the program ends
        // whatever the page did.
        ui.OpenPage(Page::ImageNotFound);
        ui.RequestClose();
        return false;
    }
    state.ImagePath = image->path;
    state.UpdateImagePath = image->path;
    return true;
}

}  // namespace orvo
