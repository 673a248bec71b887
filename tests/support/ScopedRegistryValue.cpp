#include "support/ScopedRegistryValue.h"

namespace driver {

namespace {

std::optional<std::wstring> ReadString(HKEY key, const std::wstring& name) {
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExW(key, name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ)) {
        return std::nullopt;
    }
    std::wstring value(size / sizeof(wchar_t) + 1, L'\0');
    size = static_cast<DWORD>(value.size() * sizeof(wchar_t));
    if (RegQueryValueExW(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&value[0]),
                         &size) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    value.resize(wcsnlen(value.c_str(), value.size()));
    return value;
}

bool WriteString(HKEY key, const std::wstring& name, const std::wstring& value) {
    return RegSetValueExW(
               key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
               static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

} // namespace

ScopedRegistryValue::ScopedRegistryValue(HKEY root, const std::wstring& key,
                                         const std::wstring& name, const std::wstring& value)
    : root(root), key(key), name(name) {
    HKEY opened = nullptr;
    keyExisted = RegOpenKeyExW(root, key.c_str(), 0, KEY_READ, &opened) == ERROR_SUCCESS;
    if (keyExisted) {
        previous = ReadString(opened, name);
        RegCloseKey(opened);
    }
    if (RegCreateKeyExW(root, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &opened, nullptr) ==
        ERROR_SUCCESS) {
        isSet = WriteString(opened, name, value);
        RegCloseKey(opened);
    }
}

ScopedRegistryValue::~ScopedRegistryValue() {
    if (!keyExisted) {
        RegDeleteKeyW(root, key.c_str());
        return;
    }
    HKEY opened = nullptr;
    if (RegOpenKeyExW(root, key.c_str(), 0, KEY_WRITE, &opened) != ERROR_SUCCESS) {
        return;
    }
    if (previous) {
        WriteString(opened, name, *previous);
    } else {
        RegDeleteValueW(opened, name.c_str());
    }
    RegCloseKey(opened);
}

} // namespace driver
