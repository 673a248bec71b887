#pragma once

#include <cstdint>

// Progress and veto of file hashing: told before every block is read, including the last read
// that finds the end of the file.
class MObserver {
public:
    virtual ~MObserver() {}

    // done: bytes hashed so far; size: the file's size; block: the bytes about to be read.
    // True goes on, false stops the hashing.
    virtual bool Notify(std::uint64_t done, std::uint64_t size, std::uint64_t block) = 0;
};
