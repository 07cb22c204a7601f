// Counts the heap allocations made through operator new while the benchmark
// runs, so each method can report how many it makes per frame.
#pragma once

#include <cstdint>

namespace qcx::bench {

// Every operator new (all forms) since the program started.
std::uint64_t AllocationCount();

}  // namespace qcx::bench
