#pragma once
// What the services on the running handheld reach: the remote API, the clock for their pauses,
// the PC's code page and time, the pages and the debugger output.

#include "platform/ansi_code_page.h"
#include "platform/clock.h"
#include "platform/debug_log.h"
#include "platform/pc_clock.h"
#include "platform/remote_api.h"
#include "platform/ui.h"

namespace orvo {

struct DeviceServices {
    RemoteApi& remote;
    const Clock& clock;
    const AnsiCodePage& code_page;
    PcClock& pc_clock;
    Ui& ui;
    DebugLog& log;
};

}  // namespace orvo
