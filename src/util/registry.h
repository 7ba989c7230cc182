#pragma once
// TRegistry: the current user's settings store, keyed by backslash paths
// such as "\Software\Selvar\RAZevedavureva\ChanelSetup", holding typed
// 32-bit integer and string values. Kept in one JSON file per user
// ($XDG_CONFIG_HOME/zt-configurator/registry.json, or the file named by
// ZT_REGISTRY); every write replaces the file atomically. A file that exists
// but cannot be read is never written; values of a type this store does not
// know are kept in the file. Safe to use from
// any thread; instances over the same file share one store.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

enum class TRegDataType { rdUnknown, rdString, rdInteger };

class RegistryStore;

class TRegistry {
public:
    TRegistry();
    ~TRegistry();
    TRegistry(const TRegistry&) = delete;
    TRegistry& operator=(const TRegistry&) = delete;

    // Opens a key relative to the root; creates it when `canCreate` is set.
    // False when the key does not exist and may not be created.
    bool OpenKey(const std::string& key, bool canCreate);
    void CloseKey();
    bool KeyExists(const std::string& key) const;
    bool DeleteKey(const std::string& key);
    std::string CurrentPath() const { return currentKey_; }

    bool ValueExists(const std::string& name) const;
    TRegDataType GetDataType(const std::string& name) const;
    std::vector<std::string> GetValueNames() const;

    // Raise Exception when the value is missing or stored with another type.
    int32_t ReadInteger(const std::string& name) const;
    std::string ReadString(const std::string& name) const;
    // The default when the value is missing or stored with another type.
    int32_t ReadIntegerDef(const std::string& name, int32_t defaultValue) const;
    std::string ReadStringDef(const std::string& name, const std::string& defaultValue) const;
    bool ReadBoolDef(const std::string& name, bool defaultValue) const;

    // Raise Exception when no key is open or the file cannot be written.
    void WriteInteger(const std::string& name, int32_t value);
    void WriteString(const std::string& name, const std::string& value);
    void WriteBool(const std::string& name, bool value) { WriteInteger(name, value ? 1 : 0); }
    bool DeleteValue(const std::string& name);

    // The file this process's registry lives in.
    static std::string FilePath();
    // Empty when that file was read (or did not exist yet); otherwise the
    // sentence for the exchange log: the file could not be read (the
    // program then runs on defaults and never writes it) or was corrupt
    // and was renamed aside.
    static std::string LoadProblem();

private:
    bool ReadValue(const std::string& name, TRegDataType type, int32_t& integer, std::string& text) const;
    void WriteValue(const std::string& name, TRegDataType type, int32_t integer, const std::string& text);

    std::shared_ptr<RegistryStore> store_;
    std::string currentKey_;  // normalised, empty when no key is open
    bool open_ = false;
};
