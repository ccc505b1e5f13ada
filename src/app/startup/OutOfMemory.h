#pragma once
// What happens when an allocation fails: the machine's memory state goes to the log and
// the allocation ends with std::bad_alloc, for the caller or the event loop to handle.

#include <QString>

#include <cstdint>

// The log message for a failed request of `size` bytes (0: not known): its size in
// megabytes, the container that was allocating (when one was), the machine's memory, and
// "Fragmentation problem" when `size` would have been available in twenty pieces.
QString OutOfMemoryMessage(uint64_t size);

// Logs the message and throws std::bad_alloc; a failure while logging throws at once.
[[noreturn]] void OutOfMemoryHandler(uint64_t size);

// Makes OutOfMemoryHandler the process's new-handler. The standard new-handler is not
// told the request's size, so its message has none.
void InstallOutOfMemoryHandler();
