#include "common/RecentFileList.h"

#include <algorithm>

#include "common/SettingsKeys.h"
#include "common/SettingsStore.h"

namespace pix {

namespace {
std::string KeyFor(size_t i) { return "File" + std::to_string(i + 1); }
}  // namespace

void RecentFileList::Load(const SettingsStore& store)
{
    items_.clear();
    for (size_t i = 0; i < capacity_; ++i) {
        auto value = store.ReadString(settings::kRecentFiles, KeyFor(i));
        if (value && !value->empty() && std::find(items_.begin(), items_.end(), *value) == items_.end())
            items_.push_back(*value);
    }
}

void RecentFileList::Save(SettingsStore& store) const
{
    for (size_t i = 0; i < capacity_; ++i)
        store.WriteString(settings::kRecentFiles, KeyFor(i), i < items_.size() ? items_[i] : std::string());
}

void RecentFileList::Add(const std::string& path)
{
    if (path.empty())
        return;
    Remove(path);
    items_.insert(items_.begin(), path);
    if (items_.size() > capacity_)
        items_.resize(capacity_);
}

void RecentFileList::Remove(const std::string& path)
{
    items_.erase(std::remove(items_.begin(), items_.end(), path), items_.end());
}

}  // namespace pix
