#pragma once
// Readies a large block that is about to be written in full: its pages are mapped in one
// call instead of one fault per page while the block is filled, which on the machines we
// measured costs a fifth less. The block's contents are kept; only whole pages inside it
// are touched, and a refusal (an old kernel, memory short) leaves the pages to be faulted
// in by the writes as usual. Large pages were measured too and were slower: the kernel's
// work to find and clear them outweighed the faults saved.

#include <cstddef>

namespace Platform {

// Blocks smaller than this are left alone: their few faults cost less than the call.
constexpr size_t kWriteAheadMinimum = size_t(8) << 20;

void PrepareForWriting(void *block, size_t bytes);

}  // namespace Platform
