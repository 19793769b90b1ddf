#pragma once

#include "pages/frame_page.h"

namespace orvo::pages {

inline constexpr PageText kBatteryDisconnectTexts[] = {
    {IDC_BATTERY_INTRODUCTION, IDS_BATTERY_INTRODUCTION},
    {IDC_BATTERY_STEPS, IDS_BATTERY_STEPS},
    {IDC_BATTERY_CONTINUE_HINT, IDS_CONTINUE_SHORT_HINT},
    {IDC_BATTERY_FORWARD, IDS_WEITER},
};
// Its only button; the close box and Esc do nothing.
inline constexpr PageButton kBatteryDisconnectButtons[] = {{IDC_BATTERY_FORWARD, 0}};
inline constexpr PageSpec kBatteryDisconnectPage{kBatteryDisconnectTexts, kBatteryDisconnectButtons,
                                                 Picture::Keys};

// After a completed update: how to restart the handheld from its battery. The boot-loader link
// is over, so the page closes it first; its Weiter starts ActiveSync's connection manager again.
class BatteryDisconnectPage : public FramePage {
  public:
    BatteryDisconnectPage(HWND dialog, PageContext& context);

  private:
    bool Command(int control) override;
};

}  // namespace orvo::pages
