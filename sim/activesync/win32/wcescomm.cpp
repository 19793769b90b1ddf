// Stand-in for ActiveSync's connection manager: holds the handheld's port and starts the manager.
#include <windows.h>

#include "standin.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    return RunStandIn(kConnectionTitle, true, true);
}
