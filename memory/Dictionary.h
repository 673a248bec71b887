#pragma once

#include "memory/MExceptions.h"
#include "memory/MList.h"
#include "memory/Pair.h"

#include <type_traits>
#include <utility>

namespace dictionaryKeys {

// A key type decides what makes two of its keys the same by a SameKey(a, b) of its own, found
// beside the type by argument-dependent lookup; keys of other types are the same when equal.
template <class K, class = void> struct HasOwnComparison : std::false_type {};
template <class K>
struct HasOwnComparison<
    K, std::void_t<decltype(SameKey(std::declval<const K&>(), std::declval<const K&>()))>>
    : std::true_type {};

template <class K> bool Same(const K& a, const K& b) {
    if constexpr (HasOwnComparison<K>::value) {
        return SameKey(a, b);
    } else {
        return a == b;
    }
}

} // namespace dictionaryKeys

// A list of pairs with unique keys, read by index. Keys are compared exactly, as their type
// compares them.
template <class K, class V> class Dictionary : public MList<Pair<K, V>> {
public:
    Dictionary() = default;

    // Inserts the pairs up to the first null one. The dictionary owns all of them from the call
    // on: a duplicate key throws DictionaryException 2 and deletes the refused pair and those
    // after it, with the pairs inserted before.
    template <class... More> explicit Dictionary(Pair<K, V>* pair, More... more) {
        PendingItems<Pair<K, V>, 1 + sizeof...(More)> pending({pair, more...});
        while (!pending.IsDone()) {
            RefuseHeldKey(*pending.Peek());
            this->Add(pending.Take());
        }
        this->BuildIndex();
    }

    // Takes ownership of pair, also when adding it fails. A pair whose key is present already
    // stays with the caller: DictionaryException 2, and the dictionary is unchanged.
    void Insert(Pair<K, V>* pair) {
        if (pair == nullptr) {
            return;
        }
        RefuseHeldKey(*pair);
        this->Add(pair);
    }

private:
    void RefuseHeldKey(const Pair<K, V>& pair) const {
        bool present = false;
        this->ForEach([&](const Pair<K, V>& held) {
            present = present || dictionaryKeys::Same(held.key, pair.key);
        });
        if (present) {
            throw DictionaryException(DictionaryException::duplicateKey);
        }
    }
};
