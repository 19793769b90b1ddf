#include "platform/win32/debug_output_log.h"

#include <windows.h>

#include <string>

namespace orvo::win32 {

void DebugOutputLog::Write(std::string_view text) { OutputDebugStringA(std::string(text).c_str()); }

}  // namespace orvo::win32
