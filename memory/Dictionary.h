#pragma once

#include "memory/MExceptions.h"
#include "memory/MList.h"
#include "memory/Pair.h"
#include "text/MStringEx.h"

#include <type_traits>

// A list of pairs with unique keys, read by index. Keys are compared exactly: texts that differ
// in letter case or in their number base are different keys.
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
        this->ForEach(
            [&](const Pair<K, V>& held) { present = present || SameKey(held.key, pair.key); });
        if (present) {
            throw DictionaryException(DictionaryException::duplicateKey);
        }
    }

    static bool SameKey(const K& a, const K& b) {
        if constexpr (std::is_base_of_v<MStringEx<wchar_t>, K> ||
                      std::is_base_of_v<MStringEx<char>, K>) {
            return a == b && a.numberBase == b.numberBase;
        } else {
            return a == b;
        }
    }
};
