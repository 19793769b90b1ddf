#include "pages/update_ready_page.h"

#include "base/text_compare.h"

#include <algorithm>
#include <array>

namespace orvo::pages {

int UpdateReadyText(std::string_view language, int serial_link) {
    static constexpr std::array<std::string_view, 5> kKnown = {"English", "French", "German",
                                                               "Italian", "Spanish"};
    const bool known = std::any_of(kKnown.begin(), kKnown.end(), [&](std::string_view name) {
        return EqualIgnoringCase(name, language);
    });
    if (known) return serial_link == 1 ? IDS_READY_KNOWN_SERIAL : IDS_READY_KNOWN_USB;
    return serial_link == 1 ? IDS_READY_OTHER_SERIAL : IDS_READY_OTHER_USB;
}

void UpdateReadyPage::Start() {
    SetText(dialog_, IDC_READY_TEXT, context_,
            UpdateReadyText(context_.state.Device.Language, context_.state.SerialLink));
}

}  // namespace orvo::pages
