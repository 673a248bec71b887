#pragma once

// Sets a string value in the registry of the Wine prefix for the life of the object and puts the
// previous state back afterwards (the old value, or no value). Tests that use it change state
// that every test of the prefix sees, so they run under the wineprefix resource lock.

#include <windows.h>

#include <optional>
#include <string>

namespace driver {

class ScopedRegistryValue {
public:
    // An empty name stands for the key's default value.
    ScopedRegistryValue(HKEY root, const std::wstring& key, const std::wstring& name,
                        const std::wstring& value);
    ScopedRegistryValue(const ScopedRegistryValue&) = delete;
    ScopedRegistryValue& operator=(const ScopedRegistryValue&) = delete;
    ~ScopedRegistryValue();

    bool IsSet() const { return isSet; }

private:
    HKEY root;
    std::wstring key;
    std::wstring name;
    std::optional<std::wstring> previous;
    bool keyExisted = false;
    bool isSet = false;
};

} // namespace driver
