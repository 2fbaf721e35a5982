#include "automation/registry_transaction.hpp"

namespace nelvo::automation {
namespace {

struct OpenKey {
    HKEY h = nullptr;
    OpenKey() = default;
    OpenKey(const OpenKey&) = delete;
    OpenKey& operator=(const OpenKey&) = delete;
    ~OpenKey()
    {
        if (h) RegCloseKey(h);
    }
};

LSTATUS open(const RegistryKey& key, REGSAM access, OpenKey& out)
{
    return RegOpenKeyExW(key.root, key.path.c_str(), 0, access | key.view, &out.h);
}

}  // namespace

RegistryTransaction::~RegistryTransaction()
{
    for (auto u = undo_.rbegin(); u != undo_.rend(); ++u) {
        if (u->created) {
            RegDeleteKeyExW(u->key.root, u->key.path.c_str(), u->key.view, 0);
            continue;
        }
        OpenKey k;
        if (open(u->key, KEY_SET_VALUE, k) != ERROR_SUCCESS) continue;
        if (u->had_value)
            RegSetValueExW(k.h, u->name.c_str(), 0, u->type, u->data.data(), static_cast<DWORD>(u->data.size()));
        else
            RegDeleteValueW(k.h, u->name.c_str());
    }
}

// One key at a time, so that every key this call creates is known. The
// record of a change is made, and room for it taken, before the change:
// recording it afterwards cannot fail, so nothing escapes the rollback.
LSTATUS RegistryTransaction::create_path(const RegistryKey& key)
{
    std::size_t end = 0;
    do {
        end = key.path.find(L'\\', end + 1);
        Undo u;
        u.key = RegistryKey{key.root, key.path.substr(0, end), key.view};
        u.created = true;
        undo_.reserve(undo_.size() + 1);
        OpenKey k;
        DWORD disposition = 0;
        const LSTATUS s = RegCreateKeyExW(u.key.root, u.key.path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                          KEY_QUERY_VALUE | u.key.view, nullptr, &k.h, &disposition);
        if (s != ERROR_SUCCESS) return s;
        if (disposition == REG_CREATED_NEW_KEY) undo_.push_back(std::move(u));
    } while (end != std::wstring::npos);
    return ERROR_SUCCESS;
}

LSTATUS RegistryTransaction::set(const RegistryKey& key, const wchar_t* name, const std::wstring& data)
{
    if (LSTATUS s = create_path(key); s != ERROR_SUCCESS) return s;
    OpenKey k;
    if (LSTATUS s = open(key, KEY_SET_VALUE | KEY_QUERY_VALUE, k); s != ERROR_SUCCESS) return s;
    Undo u;
    u.key = key;
    u.name = name ? name : L"";
    DWORD size = 0;
    if (RegQueryValueExW(k.h, u.name.c_str(), nullptr, &u.type, nullptr, &size) == ERROR_SUCCESS) {
        u.data.resize(size);
        u.had_value = RegQueryValueExW(k.h, u.name.c_str(), nullptr, &u.type, u.data.data(), &size) == ERROR_SUCCESS;
        u.data.resize(size);
    }
    undo_.reserve(undo_.size() + 1);
    const auto bytes = static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t));
    const LSTATUS s =
        RegSetValueExW(k.h, u.name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()), bytes);
    if (s == ERROR_SUCCESS) undo_.push_back(std::move(u));
    return s;
}

LSTATUS delete_registry_tree(const RegistryKey& key)
{
    OpenKey k;
    LSTATUS s = open(key, DELETE | KEY_ENUMERATE_SUB_KEYS | KEY_QUERY_VALUE | KEY_SET_VALUE, k);
    if (s == ERROR_FILE_NOT_FOUND) return ERROR_SUCCESS;
    if (s != ERROR_SUCCESS) return s;
    // Subkeys and values through the handle, then the key in its view.
    s = RegDeleteTreeW(k.h, nullptr);
    if (s != ERROR_SUCCESS) return s;
    s = RegDeleteKeyExW(key.root, key.path.c_str(), key.view, 0);
    return s == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : s;
}

bool registry_key_exists(const RegistryKey& key)
{
    OpenKey k;
    return open(key, KEY_QUERY_VALUE, k) == ERROR_SUCCESS;
}

LSTATUS delete_registry_key_if_empty(const RegistryKey& key)
{
    OpenKey k;
    LSTATUS s = open(key, KEY_QUERY_VALUE, k);
    if (s == ERROR_FILE_NOT_FOUND) return ERROR_SUCCESS;
    if (s != ERROR_SUCCESS) return s;
    DWORD subkeys = 0, values = 0;
    s = RegQueryInfoKeyW(k.h, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr, nullptr,
                         nullptr, nullptr);
    if (s != ERROR_SUCCESS) return s;
    if (subkeys || values) return ERROR_SUCCESS;
    return RegDeleteKeyExW(key.root, key.path.c_str(), key.view, 0);
}

}  // namespace nelvo::automation
