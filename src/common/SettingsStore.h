#pragma once
// Persistent settings by section and key. The application stores them with
// QSettings; tests and the CLI may use the in-memory store.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "common/SettingsKeys.h"

namespace pix {

class SettingsStore {
public:
    virtual ~SettingsStore() = default;

    virtual std::optional<std::string> ReadString(const std::string& section, const std::string& key) const = 0;
    virtual void WriteString(const std::string& section, const std::string& key, const std::string& value) = 0;
    virtual std::optional<std::vector<uint8_t>> ReadBinary(const std::string& section,
                                                           const std::string& key) const = 0;
    virtual void WriteBinary(const std::string& section, const std::string& key,
                             const std::vector<uint8_t>& value) = 0;

    // An integer, or fallback when the key is missing or not a whole number.
    int GetInt(const std::string& section, const std::string& key, int fallback) const;
    void SetInt(const std::string& section, const std::string& key, int value);
    std::string GetString(const std::string& section, const std::string& key, const std::string& fallback) const;
    void SetString(const std::string& section, const std::string& key, const std::string& value)
    {
        WriteString(section, key, value);
    }

    // The same by the program's typed keys: an integer key falls back to
    // its own default, a string key to the fallback its caller knows.
    int Get(const settings::IntKey& key) const { return GetInt(key.section, key.key, key.fallback); }
    void Set(const settings::IntKey& key, int value) { SetInt(key.section, key.key, value); }
    std::string Get(const settings::StringKey& key, const std::string& fallback) const
    {
        return GetString(key.section, key.key, fallback);
    }
    void Set(const settings::StringKey& key, const std::string& value) { WriteString(key.section, key.key, value); }
};

// Keeps everything in memory.
class MemorySettingsStore final : public SettingsStore {
public:
    std::optional<std::string> ReadString(const std::string& section, const std::string& key) const override;
    void WriteString(const std::string& section, const std::string& key, const std::string& value) override;
    std::optional<std::vector<uint8_t>> ReadBinary(const std::string& section, const std::string& key) const override;
    void WriteBinary(const std::string& section, const std::string& key, const std::vector<uint8_t>& value) override;

private:
    std::map<std::pair<std::string, std::string>, std::string> strings_;
    std::map<std::pair<std::string, std::string>, std::vector<uint8_t>> binaries_;
};

}  // namespace pix
