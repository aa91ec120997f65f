// Large-block allocation for the PNG decoder.
#pragma once
#include <cstddef>

namespace imageio {

// std::malloc for blocks whose first `written` bytes are about to be written. Big
// blocks are populated with one system call where the platform offers it, instead of
// taking one page fault per 4 KiB on first write, which costs more than the
// decoding itself on some virtual machines. Null when memory runs out.
void* AllocateForWriting(size_t size, size_t written);

// The populating half of AllocateForWriting, for blocks allocated elsewhere.
void PopulateForWriting(void* block, size_t written);

}  // namespace imageio
