#pragma once
// Large blocks of memory taken straight from the system, for the one large
// table of a build: the track plan, 16 bytes a metre, some 16 MB for the
// longest line. One implementation per system, beside the other system calls.

#include <cstddef>

namespace os {

/// The size from which a block is worth taking from the system: one huge page.
inline constexpr size_t kLargeBlockBytes = size_t{2} << 20;

/// A block of at least `bytes` bytes, all zero, that nothing has touched
/// yet, aligned to a huge page and backed by huge pages where the system
/// can (Linux): filling it then costs one page fault per 2 MB instead of one
/// per 4 KB. Throws std::bad_alloc when the system has no room.
void* allocate_large(size_t bytes);

/// Gives back a block from allocate_large; `bytes` is the size asked for.
void release_large(void* block, size_t bytes) noexcept;

}  // namespace os
