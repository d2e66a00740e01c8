#pragma once

#include <cstddef>

// Storage for large buffers such as decoded pictures, asked of the system on huge pages where it
// offers them: filling a 36 MB picture then costs a few dozen page faults rather than thousands.
// Blocks from LargeBlockBytes on are the ones the C library maps afresh for each allocation, so that
// every picture of that size pays its page faults; smaller ones come from the ordinary heap, which
// reuses freed memory without any.
inline constexpr std::size_t LargeBlockBytes = std::size_t{32} << 20;

// Raises std::bad_alloc when the memory cannot be had; the bytes are unset.
void* AllocateLargeBlock(std::size_t bytes);
void FreeLargeBlock(void* block) noexcept;
