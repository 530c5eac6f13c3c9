#include "app/AppProfile.h"

#include "app/LayoutRecord.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QString>
#include <QVariant>

namespace hl {
namespace {

QString Key(const std::string& section, const std::string& entry) {
    return QString::fromStdString(section) + QLatin1Char('/') + QString::fromStdString(entry);
}

} // namespace

CAppProfile::CAppProfile(std::string path) : m_path(std::move(path)) {}

std::string CAppProfile::DefaultPath() {
    QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (!QDir::isAbsolutePath(config)) {
        const QString home = QDir::homePath();
        if (home.isEmpty() || home == QDir::rootPath()) {
            return {};
        }
        config = home + QStringLiteral("/.config");
    }
    return (config + QStringLiteral("/harborlight/harborlight.ini")).toStdString();
}

std::optional<std::string> CAppProfile::GetString(const std::string& section,
                                                  const std::string& entry) const {
    if (m_path.empty() || !QFileInfo::exists(QString::fromStdString(m_path))) {
        return std::nullopt;
    }
    const QSettings settings(QString::fromStdString(m_path), QSettings::IniFormat);
    const QVariant value = settings.value(Key(section, entry));
    // A value with commas reads as a list: not one text.
    if (!value.isValid() || value.typeId() != QMetaType::QString) {
        return std::nullopt;
    }
    return value.toString().toStdString();
}

bool CAppProfile::WriteString(const std::string& section, const std::string& entry,
                              const std::string& value) {
    if (m_path.empty()) {
        return false;
    }
    QSettings settings(QString::fromStdString(m_path), QSettings::IniFormat);
    if (settings.status() != QSettings::NoError) {
        return false; // a file it cannot parse is not overwritten
    }
    settings.setValue(Key(section, entry), QString::fromStdString(value));
    settings.sync();
    return settings.status() == QSettings::NoError;
}

std::optional<std::vector<uint8_t>> CAppProfile::GetBinary(const std::string& section,
                                                           const std::string& entry) const {
    const std::optional<std::string> text = GetString(section, entry);
    if (!text.has_value() || text->empty()) {
        return std::nullopt;
    }
    return FromLetters(*text);
}

bool CAppProfile::WriteBinary(const std::string& section, const std::string& entry,
                              const std::vector<uint8_t>& bytes) {
    return WriteString(section, entry, ToLetters(bytes));
}

} // namespace hl
