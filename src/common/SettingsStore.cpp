#include "common/SettingsStore.h"

#include <charconv>

namespace pix {

int SettingsStore::GetInt(const std::string& section, const std::string& key, int fallback) const
{
    auto text = ReadString(section, key);
    if (!text)
        return fallback;
    int value = 0;
    const char* first = text->data();
    const char* last = first + text->size();
    auto [ptr, ec] = std::from_chars(first, last, value);
    if (ec != std::errc() || ptr != last)
        return fallback;
    return value;
}

void SettingsStore::SetInt(const std::string& section, const std::string& key, int value)
{
    WriteString(section, key, std::to_string(value));
}

std::string SettingsStore::GetString(const std::string& section, const std::string& key,
                                     const std::string& fallback) const
{
    auto text = ReadString(section, key);
    return text ? *text : fallback;
}

std::optional<std::string> MemorySettingsStore::ReadString(const std::string& section, const std::string& key) const
{
    auto it = strings_.find({section, key});
    if (it == strings_.end())
        return std::nullopt;
    return it->second;
}

void MemorySettingsStore::WriteString(const std::string& section, const std::string& key, const std::string& value)
{
    strings_[{section, key}] = value;
}

std::optional<std::vector<uint8_t>> MemorySettingsStore::ReadBinary(const std::string& section,
                                                                    const std::string& key) const
{
    auto it = binaries_.find({section, key});
    if (it == binaries_.end())
        return std::nullopt;
    return it->second;
}

void MemorySettingsStore::WriteBinary(const std::string& section, const std::string& key,
                                      const std::vector<uint8_t>& value)
{
    binaries_[{section, key}] = value;
}

}  // namespace pix
