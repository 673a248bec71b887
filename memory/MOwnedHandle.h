#pragma once

#include <windows.h>

#include <cstdint>
#include <type_traits>

// How one kind of handle is owned: its type, the function that closes one, and the value that
// the kind's functions give for "no handle". That value is written as a number, because handle
// constants such as INVALID_HANDLE_VALUE are casts, which cannot be template arguments. Null is
// no handle of any kind either; a kind whose functions fail with INVALID_HANDLE_VALUE (-1) thus
// treats both as no handle.
template <class T, auto closeFunction, std::intptr_t noHandle = 0> struct MHandlePolicy {
    using Type = T;

    static Type Empty() { return FromNumber(noHandle); }
    static bool IsValid(Type value) { return value != Empty() && value != FromNumber(0); }
    static void Close(Type value) { closeFunction(value); }

private:
    static Type FromNumber(std::intptr_t number) {
        if constexpr (std::is_pointer_v<Type>) {
            return reinterpret_cast<Type>(number);
        } else {
            return static_cast<Type>(number);
        }
    }
};

// Owns one handle and closes it exactly once. The policy (an MHandlePolicy, or a class of the
// same form) names the handle type, the value that means "no handle", which values are valid and
// how one is closed.
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

    // For a function that returns its handle through an out-parameter: closes the handle held and
    // gives the address of the emptied storage, so that the owner holds what the function writes
    // there from the moment it is written, also when an exception follows.
    Type* Put() {
        Close();
        return &value;
    }

private:
    Type value;
};

// The general kinds of handle, each closed the way its kind requires; the kinds of the network
// and cryptographic interfaces live with their layers. The kernel objects' policy (files, events,
// threads...) also tells of a handle kept outside an owner whether it is one.
using KernelHandlePolicy = MHandlePolicy<HANDLE, CloseHandle, -1>;
using MKernelHandle = MOwnedHandle<KernelHandlePolicy>;
using MFileSearch = MOwnedHandle<MHandlePolicy<HANDLE, FindClose, -1>>;
using MLibraryHandle = MOwnedHandle<MHandlePolicy<HMODULE, FreeLibrary>>;
using MLocalMemory = MOwnedHandle<MHandlePolicy<HLOCAL, LocalFree>>;
using MGlobalMemory = MOwnedHandle<MHandlePolicy<HGLOBAL, GlobalFree>>;
template <class T> using MTaskMemory = MOwnedHandle<MHandlePolicy<T*, CoTaskMemFree>>;
using MIconHandle = MOwnedHandle<MHandlePolicy<HICON, DestroyIcon>>;
using MFontHandle = MOwnedHandle<MHandlePolicy<HFONT, DeleteObject>>;
using MHookHandle = MOwnedHandle<MHandlePolicy<HHOOK, UnhookWindowsHookEx>>;
// A pending update of a module's resources; closing one discards the update.
inline void DiscardResourceUpdate(HANDLE update) {
    EndUpdateResourceW(update, TRUE);
}
using MResourceUpdate = MOwnedHandle<MHandlePolicy<HANDLE, DiscardResourceUpdate>>;
