#pragma once
// The list of recently opened files, most recent first, kept in the
// settings as "File1" ... "File8" of section "Recent File List".

#include <string>
#include <vector>

namespace pix {

class SettingsStore;

class RecentFileList {
public:
    explicit RecentFileList(size_t capacity = 8) : capacity_(capacity) {}

    void Load(const SettingsStore& store);
    void Save(SettingsStore& store) const;
    // Puts path at the front, removing an older entry of the same path.
    void Add(const std::string& path);
    void Remove(const std::string& path);
    const std::vector<std::string>& Items() const { return items_; }

private:
    size_t capacity_;
    std::vector<std::string> items_;
};

}  // namespace pix
