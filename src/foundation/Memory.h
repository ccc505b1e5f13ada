#pragma once
// Program-wide memory accounting: every container buffer is announced here before
// it is allocated and after it is released, and may be refused beyond a limit.

#include <cstdint>

namespace General {

// Adds a signed byte delta to the counted total; false (total unchanged) when the
// new total would exceed the limit. Updates the status bar's memory label when its figure changes.
bool AddMemoryBlock(int64_t delta);

uint64_t GetCountedMemory();
// All bits set means no limit.
void SetMemoryLimit(uint64_t limit);
uint64_t GetMemoryLimit();

// The smaller of the machine's available physical memory and what the limit leaves.
uint64_t GetAvailableMemory();

// Writes every live container buffer (largest address first) and the totals to the log.
void WriteMemoryBlockReport();

// Names the container that is about to allocate, for the out-of-memory handler; null clears.
void SetCurrentAllocator(const char *id);
const char *GetCurrentAllocator();

// The label text for a byte count: empty up to 1024 bytes, then "%.2fK", "%.2fM" or "%.2fG".
const char *FormatMemorySize(uint64_t bytes, char *buffer, unsigned size);

}  // namespace General
