#include "support/FailingAllocation.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

std::atomic<std::int64_t> alive{0};
std::atomic<bool> armed{false};
std::atomic<std::int64_t> allowedLeft{0};

} // namespace

void FailingAllocation::FailAfter(std::uint32_t allowed) {
    allowedLeft = allowed;
    armed = true;
}

void FailingAllocation::Reset() {
    armed = false;
}

std::int64_t FailingAllocation::Alive() {
    return alive;
}

void* operator new(std::size_t size) {
    if (armed && allowedLeft-- <= 0) {
        throw std::bad_alloc();
    }
    void* block = std::malloc(size == 0 ? 1 : size);
    if (block == nullptr) {
        throw std::bad_alloc();
    }
    ++alive;
    return block;
}

void operator delete(void* block) noexcept {
    if (block != nullptr) {
        --alive;
        std::free(block);
    }
}

void operator delete(void* block, std::size_t) noexcept {
    operator delete(block);
}
