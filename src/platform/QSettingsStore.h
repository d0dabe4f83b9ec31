#pragma once
// Settings kept with QSettings in the user's configuration folder
// ($XDG_CONFIG_HOME/Pixadrome/pixadrome.conf), by the same section and key
// names the rest of the program uses.

#include <QSettings>
#include <memory>

#include "common/SettingsStore.h"

namespace pix {

class QSettingsStore final : public SettingsStore {
public:
    QSettingsStore();                             // the user's settings file
    explicit QSettingsStore(const QString& path);  // a given INI file (tests)

    std::optional<std::string> ReadString(const std::string& section, const std::string& key) const override;
    void WriteString(const std::string& section, const std::string& key, const std::string& value) override;
    std::optional<std::vector<uint8_t>> ReadBinary(const std::string& section, const std::string& key) const override;
    void WriteBinary(const std::string& section, const std::string& key, const std::vector<uint8_t>& value) override;

private:
    std::unique_ptr<QSettings> settings_;
};

}  // namespace pix
