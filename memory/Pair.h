#pragma once

#include <cstdint>

// A key and its value. The value of a pair made from a key alone is empty.
template <class K, class V> class Pair {
public:
    K key;
    V value;
    std::int32_t kind;

    explicit Pair(const K& key) : key(key), value(), kind(2) {}
    template <class Source>
    Pair(const K& key, const Source& value) : key(key), value(value), kind(2) {}
    Pair(const Pair& other) = default;
    Pair& operator=(const Pair& other) = default;
    virtual ~Pair() {}
};
