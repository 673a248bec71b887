#pragma once

#include <windows.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <new>
#include <utility>

// Items handed to a container in one call, up to the first null one. Those not taken when the
// call ends, because it threw, are deleted.
template <class T, std::size_t N> class PendingItems {
public:
    explicit PendingItems(const std::array<T*, N>& items) : items(items), next(0) {}
    PendingItems(const PendingItems&) = delete;
    PendingItems& operator=(const PendingItems&) = delete;
    ~PendingItems() {
        while (!IsDone()) {
            delete Take();
        }
    }

    bool IsDone() const { return next == N || items[next] == nullptr; }
    T* Peek() const { return items[next]; }
    T* Take() { return items[next++]; }

private:
    std::array<T*, N> items;
    std::size_t next;
};

// An owning, doubly linked list of items in the order they were added. Indexed reads go through
// an array of the items that is built on the first indexed read after a change, so a list that is
// complete before it is read costs one pass for all its reads.
template <class T> class MList {
public:
    MList() : count(0), last(nullptr), first(nullptr), index(nullptr) {}

    // Adds the items up to the first null one. The list owns all of them from the call on: when
    // adding one throws, the items not yet added are deleted too.
    template <class... More> explicit MList(T* item, More... more) : MList() {
        PendingItems<T, 1 + sizeof...(More)> pending({item, more...});
        while (!pending.IsDone()) {
            Add(pending.Take());
        }
    }

    MList(const MList&) = delete;
    MList(MList&& other) noexcept : MList() { Exchange(other); }

    // Copies of src's items in its order. They are made before the list lets go of its own items,
    // so a copy that throws leaves the list as it was, and a list assigned to itself keeps its
    // items.
    MList& operator=(const MList& src) {
        MList copies;
        src.ForEach([&copies](const T& item) { copies.Add(new T(item)); });
        if (src.index != nullptr) {
            copies.BuildIndex();
        }
        Exchange(copies);
        return *this;
    }

    virtual ~MList() { Clear(); }

    // Deletes the items from the last added back to the first.
    virtual void Clear() {
        while (last != nullptr) {
            Node* node = last;
            last = node->prev;
            if (last == nullptr) {
                first = nullptr;
            } else {
                last->next = nullptr;
            }
            T* item = node->item;
            delete node;
            --count;
            delete item;
        }
        FreeIndex();
    }

    // The list owns item from the call on: when its node cannot be allocated, item is deleted.
    void Add(T* item) {
        Node* node = nullptr;
        try {
            node = new Node{last, nullptr, item};
        } catch (...) {
            delete item;
            throw;
        }
        if (last == nullptr) {
            first = node;
        } else {
            last->next = node;
        }
        last = node;
        ++count;
        FreeIndex();
    }

    // The item at position i in the order of adding; null when i is not below Count().
    T* Item(std::uint32_t i) const {
        if (i >= count) {
            return nullptr;
        }
        BuildIndex();
        return index[i];
    }

    std::uint32_t Count() const { return count; }

protected:
    template <class Visit> void ForEach(Visit visit) const {
        for (const Node* node = first; node != nullptr; node = node->next) {
            visit(*node->item);
        }
    }

    void BuildIndex() const {
        if (index != nullptr || count == 0) {
            return;
        }
        // Asked without HEAP_GENERATE_EXCEPTIONS: a structured exception cannot be caught here,
        // so exhaustion is reported like a failed node allocation.
        void* array = HeapAlloc(GetProcessHeap(), 0, count * sizeof(T*));
        if (array == nullptr) {
            throw std::bad_alloc();
        }
        index = static_cast<T**>(array);
        std::uint32_t i = 0;
        for (const Node* node = first; node != nullptr; node = node->next) {
            index[i++] = node->item;
        }
    }

private:
    struct Node {
        Node* prev;
        Node* next;
        T* item;
    };

    void FreeIndex() {
        if (index != nullptr) {
            HeapFree(GetProcessHeap(), 0, index);
            index = nullptr;
        }
    }

    void Exchange(MList& other) {
        std::swap(count, other.count);
        std::swap(last, other.last);
        std::swap(first, other.first);
        std::swap(index, other.index);
    }

    std::uint32_t count;
    Node* last;
    Node* first;
    mutable T** index;

#if !defined(_WIN64)
    static_assert(sizeof(Node) == 12, "three pointers");
#endif
};

#if !defined(_WIN64)
static_assert(sizeof(MList<int>) == 20, "table pointer, count, last, first, index");
#endif
