#pragma once

#include <cstdint>

// The test program's own operator new and operator delete. They count the blocks alive, and
// an allocation can be made to fail on demand, so that tests reach the paths an exhausted heap
// takes.
namespace FailingAllocation {

// The allocations made after the next `allowed` ones throw std::bad_alloc, until Reset.
void FailAfter(std::uint32_t allowed);
void Reset();

// Blocks from operator new not yet given back to operator delete.
std::int64_t Alive();

// Fails allocations as FailAfter says while it exists.
class Armed {
public:
    explicit Armed(std::uint32_t allowed) { FailAfter(allowed); }
    Armed(const Armed&) = delete;
    Armed& operator=(const Armed&) = delete;
    ~Armed() { Reset(); }
};

} // namespace FailingAllocation
