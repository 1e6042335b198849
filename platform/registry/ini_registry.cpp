#include "platform/registry/ini_registry.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVariant>

namespace ch {
namespace {

QString GroupOf(const std::string& keyPath) {
    return QString::fromUtf8(keyPath).replace(QLatin1Char('\\'), QLatin1Char('/'));
}

// A value name is one level: a separator in it would reach into another key.
bool ValidValueName(const std::string& valueName) {
    return !valueName.empty() && valueName.find_first_of("\\/") == std::string::npos;
}

// Text that is not UTF-8 is kept byte for byte rather than mended on the way.
QVariant Stored(const std::string& text) {
    const QByteArray bytes = QByteArray::fromStdString(text);
    const QString decoded = QString::fromUtf8(bytes);
    if (decoded.toUtf8() == bytes) return decoded;
    return bytes;
}

std::string Loaded(const QVariant& value) {
    if (value.typeId() == QMetaType::QByteArray) return value.toByteArray().toStdString();
    // An INI line edited by hand with unquoted commas reads as a list; keep it as one text.
    if (value.typeId() == QMetaType::QStringList) {
        return value.toStringList().join(QLatin1Char(',')).toStdString();
    }
    return value.toString().toStdString();
}

}  // namespace

IniRegistry::IniRegistry(const std::filesystem::path& file)
    : file_(file), settings_(QString::fromStdString(file.string()), QSettings::IniFormat) {
    settings_.setAtomicSyncRequired(true);
}

std::filesystem::path IniRegistry::FileIn(const std::filesystem::path& programFolder) {
    return programFolder / "registry.ini";
}

bool IniRegistry::KeyExists(const std::string& keyPath) {
    const QString group = GroupOf(keyPath);
    const qsizetype cut = group.lastIndexOf(QLatin1Char('/'));
    const QString name = group.mid(cut + 1);
    if (name.isEmpty()) return false;
    settings_.beginGroup(cut < 0 ? QString() : group.left(cut));
    const bool exists = settings_.childGroups().contains(name);
    settings_.endGroup();
    return exists;
}

bool IniRegistry::SetValue(const std::string& keyPath, const std::string& valueName,
                           const std::string& text) {
    if (!ValidValueName(valueName) || GroupOf(keyPath).isEmpty() || Linked()) return false;
    settings_.setValue(GroupOf(keyPath) + QLatin1Char('/') + QString::fromStdString(valueName),
                       Stored(text));
    return Commit();
}

std::optional<std::string> IniRegistry::GetValue(const std::string& keyPath,
                                                 const std::string& valueName) {
    // No look at the key's siblings: reading thousands of projects stays linear.
    if (!ValidValueName(valueName) || GroupOf(keyPath).isEmpty()) return std::nullopt;
    const QString key = GroupOf(keyPath) + QLatin1Char('/') + QString::fromStdString(valueName);
    if (!settings_.contains(key)) return std::nullopt;
    return Loaded(settings_.value(key));
}

bool IniRegistry::DeleteKey(const std::string& keyPath) {
    if (!KeyExists(keyPath) || Linked()) return false;
    const QString group = GroupOf(keyPath);
    settings_.beginGroup(group);
    const bool hasSubkeys = !settings_.childGroups().isEmpty();
    settings_.endGroup();
    if (hasSubkeys) return false;
    settings_.remove(group);
    return Commit();
}

bool IniRegistry::Linked() const {
    std::error_code error;
    return std::filesystem::is_symlink(file_, error);
}

bool IniRegistry::EndChanges() {
    batching_ = false;
    return !Linked() && Commit();
}

bool IniRegistry::Commit() {
    if (batching_) return true;  // written by EndChanges
    settings_.sync();
    return settings_.status() == QSettings::NoError;
}

}  // namespace ch
