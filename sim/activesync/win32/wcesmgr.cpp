// Stand-in for ActiveSync's manager: it only idles with its window.
#include <windows.h>

#include "standin.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    return RunStandIn(kManagerTitle, false, false);
}
