#pragma once

#include <windows.h>

// Owns one handle and closes it exactly once. The policy names the handle type, the value
// that means "no handle", which values are valid and how one is closed:
//   struct Policy {
//       using Type = ...;
//       static Type Empty();
//       static bool IsValid(Type value);
//       static void Close(Type value);
//   };
template <class Policy> class MOwnedHandle {
public:
    using Type = typename Policy::Type;

    MOwnedHandle() : value(Policy::Empty()) {}
    explicit MOwnedHandle(Type handle) : value(handle) {}
    MOwnedHandle(const MOwnedHandle&) = delete;
    MOwnedHandle& operator=(const MOwnedHandle&) = delete;
    MOwnedHandle(MOwnedHandle&& other) noexcept : value(other.Release()) {}
    ~MOwnedHandle() { Close(); }

    // Taking a new value closes the one held. Taking the value already held keeps it open:
    // closing it first would leave the owner with a dead handle.
    MOwnedHandle& operator=(Type handle) {
        if (handle != value) {
            Close();
            value = handle;
        }
        return *this;
    }

    MOwnedHandle& operator=(MOwnedHandle&& other) noexcept {
        if (&other != this) {
            *this = other.Release();
        }
        return *this;
    }

    Type Get() const { return value; }
    bool IsValid() const { return Policy::IsValid(value); }

    // Gives the handle up without closing it.
    Type Release() {
        Type handle = value;
        value = Policy::Empty();
        return handle;
    }

    void Close() {
        if (Policy::IsValid(value)) {
            Policy::Close(value);
        }
        value = Policy::Empty();
    }

private:
    Type value;
};

// Kernel objects: files, events, threads, mutexes... Both INVALID_HANDLE_VALUE and null
// mean that nothing is held, because the kernel functions return one or the other on failure.
struct KernelHandlePolicy {
    using Type = HANDLE;
    static Type Empty() { return INVALID_HANDLE_VALUE; }
    static bool IsValid(Type handle) { return handle != INVALID_HANDLE_VALUE && handle != nullptr; }
    static void Close(Type handle) { CloseHandle(handle); }
};

using MKernelHandle = MOwnedHandle<KernelHandlePolicy>;
