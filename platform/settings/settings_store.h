#pragma once

// The program's persistent settings: subkeys under the program's own base
// key, each holding named 32-bit integers and strings. The application keeps
// them in the user's configuration directory; tests and the command-line
// tool use the in-memory store.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <variant>

class TSettingsStore {
public:
    virtual ~TSettingsStore() = default;

    // Whether the subkey exists (reading opens a subkey without creating it).
    virtual bool HasKey(const std::string& key) const = 0;
    // Missing subkey, missing value or a value of the other type: nothing.
    virtual std::optional<std::int32_t> ReadInteger(const std::string& key,
                                                    const std::string& name) const = 0;
    virtual std::optional<std::string> ReadString(const std::string& key,
                                                  const std::string& name) const = 0;
    virtual bool ValueExists(const std::string& key, const std::string& name) const = 0;
    // Writing creates the subkey as needed. False when the store refused.
    virtual bool WriteInteger(const std::string& key, const std::string& name,
                              std::int32_t value) = 0;
    virtual bool WriteString(const std::string& key, const std::string& name,
                             const std::string& value) = 0;
    virtual bool DeleteValue(const std::string& key, const std::string& name) = 0;
};

class TMemorySettingsStore : public TSettingsStore {
public:
    using Value = std::variant<std::int32_t, std::string>;
    std::map<std::string, std::map<std::string, Value>> keys;

    bool HasKey(const std::string& key) const override { return keys.count(key) != 0; }
    std::optional<std::int32_t> ReadInteger(const std::string& key,
                                            const std::string& name) const override;
    std::optional<std::string> ReadString(const std::string& key,
                                          const std::string& name) const override;
    bool ValueExists(const std::string& key, const std::string& name) const override;
    bool WriteInteger(const std::string& key, const std::string& name, std::int32_t value) override;
    bool WriteString(const std::string& key, const std::string& name,
                     const std::string& value) override;
    bool DeleteValue(const std::string& key, const std::string& name) override;

private:
    const Value* Find(const std::string& key, const std::string& name) const;
};
