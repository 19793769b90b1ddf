#include "local_block.h"

#include <windows.h>

namespace rig {

bool IsFixedLocalBlock(const void* p) {
    // HeapValidate first: LocalHandle must only see pointers the heap knows.
    return p != nullptr && HeapValidate(GetProcessHeap(), 0, p) &&
           LocalHandle(p) == const_cast<void*>(p);
}

}  // namespace rig
