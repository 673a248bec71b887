#pragma once

#include "memory/MExceptions.h"

// Owns one object, or nothing. Reaching through an empty pointer throws MSmartPtrError 0.
template <class T> class MSmartPtr {
public:
    explicit MSmartPtr(T* object = nullptr) : object(object) {}
    MSmartPtr(const MSmartPtr&) = delete;
    MSmartPtr& operator=(const MSmartPtr&) = delete;
    ~MSmartPtr() { Reset(); }

    T* Get() const {
        if (object == nullptr) {
            throw MSmartPtrError(MSmartPtrError::emptyPointer);
        }
        return object;
    }
    T* operator->() const { return Get(); }
    T& operator*() const { return *Get(); }

    bool IsEmpty() const { return object == nullptr; }

    // Gives the object up without deleting it.
    T* Release() {
        T* released = object;
        object = nullptr;
        return released;
    }

    void Reset() {
        T* owned = object;
        object = nullptr;
        delete owned;
    }

private:
    T* object;
};
