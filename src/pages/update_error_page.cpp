#include "pages/update_error_page.h"

namespace orvo::pages {

UpdateErrorPage::UpdateErrorPage(HWND dialog, PageContext& context)
    : FramePage(dialog, context, kUpdateErrorPage) {
    if (context.state.SerialLink == 1 && context.link != nullptr) context.link->hPort.Close();
}

}  // namespace orvo::pages
