#pragma once
// Whether a caller's buffer is a fixed block of LocalAlloc, which the remote API may free with
// LocalFree. Checked on the process heap: the block must be a live allocation there that
// LocalHandle maps to itself. Buffers on the stack, from new or malloc (the C runtime's own heap)
// and moveable blocks are not. A block of HeapAlloc on the process heap is indistinguishable,
// and LocalFree releases it cleanly too.
namespace rig {

bool IsFixedLocalBlock(const void* p);

}  // namespace rig
