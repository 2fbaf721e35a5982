// Registry writes that can be taken back: every key a transaction created
// and every value it set is recorded, and unless commit() is called the
// destructor restores the registry as it found it. So a registration that
// fails half-way (no rights for one key) leaves no half-registered class.
#pragma once

#include <string>
#include <vector>

#include <windows.h>

namespace nelvo::automation {

// A key: its root, its path below the root and the registry view (a
// KEY_WOW64_* flag, or 0) it is opened in.
struct RegistryKey {
    HKEY root;
    std::wstring path;
    REGSAM view;
};

class RegistryTransaction {
public:
    RegistryTransaction() = default;
    RegistryTransaction(const RegistryTransaction&) = delete;
    RegistryTransaction& operator=(const RegistryTransaction&) = delete;
    ~RegistryTransaction();

    // Creates the key (and the keys above it) when missing and sets one
    // string value (`name` null: the default value).
    LSTATUS set(const RegistryKey& key, const wchar_t* name, const std::wstring& data);

    // Keeps what was written.
    void commit() { undo_.clear(); }

private:
    struct Undo {
        RegistryKey key{};
        bool created = false;  // delete the key itself
        std::wstring name;     // else: restore this value ("": the default)
        bool had_value = false;
        DWORD type = 0;
        std::vector<BYTE> data;
    };
    LSTATUS create_path(const RegistryKey& key);

    std::vector<Undo> undo_;
};

// Removes the key with everything below it; a key already gone counts as
// removed.
LSTATUS delete_registry_tree(const RegistryKey& key);

// Whether the key exists.
bool registry_key_exists(const RegistryKey& key);

// Deletes the key if it has neither subkeys nor values.
LSTATUS delete_registry_key_if_empty(const RegistryKey& key);

}  // namespace nelvo::automation
