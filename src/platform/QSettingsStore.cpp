#include "platform/QSettingsStore.h"

namespace pix {

namespace {
QString KeyOf(const std::string& section, const std::string& key)
{
    return QString::fromStdString(section) + QLatin1Char('/') + QString::fromStdString(key);
}
}  // namespace

QSettingsStore::QSettingsStore()
    : settings_(std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Pixadrome"),
                                            QStringLiteral("pixadrome")))
{
    settings_->setFallbacksEnabled(false);
}

QSettingsStore::QSettingsStore(const QString& path)
    : settings_(std::make_unique<QSettings>(path, QSettings::IniFormat))
{
}

std::optional<std::string> QSettingsStore::ReadString(const std::string& section, const std::string& key) const
{
    QVariant v = settings_->value(KeyOf(section, key));
    if (!v.isValid())
        return std::nullopt;
    return v.toString().toStdString();
}

void QSettingsStore::WriteString(const std::string& section, const std::string& key, const std::string& value)
{
    settings_->setValue(KeyOf(section, key), QString::fromStdString(value));
}

std::optional<std::vector<uint8_t>> QSettingsStore::ReadBinary(const std::string& section,
                                                               const std::string& key) const
{
    QVariant v = settings_->value(KeyOf(section, key));
    if (!v.isValid())
        return std::nullopt;
    QByteArray bytes = v.toByteArray();
    return std::vector<uint8_t>(bytes.begin(), bytes.end());
}

void QSettingsStore::WriteBinary(const std::string& section, const std::string& key,
                                 const std::vector<uint8_t>& value)
{
    settings_->setValue(KeyOf(section, key),
                        QByteArray(reinterpret_cast<const char*>(value.data()), static_cast<qsizetype>(value.size())));
}

}  // namespace pix
