#pragma once

namespace Platform {

// The processors this process may run on (its affinity, not the machine's count); at least 1.
unsigned AvailableProcessors();

}  // namespace Platform
