#include "platform/registry/ini_registry.h"

#include <QByteArray>
#include <QSettings>
#include <QString>
#include <QStringList>
#include <QVariant>

#include "engine/atomic_file.h"

namespace ch {
namespace {

QString GroupOf(const std::string& keyPath) {
    return QString::fromUtf8(keyPath).replace(QLatin1Char('\\'), QLatin1Char('/'));
}

// A value name is one level: a separator in it would reach into another key.
bool ValidValueName(const std::string& valueName) {
    return !valueName.empty() && valueName.find_first_of("\\/") == std::string::npos;
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

IniRegistry::IniRegistry(const std::filesystem::path& file) : file_(file) {
    Load();
}

std::filesystem::path IniRegistry::FileIn(const std::filesystem::path& programFolder) {
    return programFolder / "registry.ini";
}

// QSettings reads every INI file it ever wrote; it is used for reading only.
void IniRegistry::Load() {
    keys_.clear();
    const QSettings settings(QString::fromStdString(file_.string()), QSettings::IniFormat);
    for (const QString& key : settings.allKeys()) {
        const qsizetype cut = key.lastIndexOf(QLatin1Char('/'));
        keys_[cut < 0 ? QString() : key.left(cut)][key.mid(cut + 1)] = Loaded(settings.value(key));
    }
}

bool IniRegistry::HasSubkeys(const QString& group) const {
    const QString prefix = group + QLatin1Char('/');
    const auto below = keys_.lower_bound(prefix);
    return below != keys_.end() && below->first.startsWith(prefix);
}

bool IniRegistry::KeyExists(const std::string& keyPath) {
    const QString group = GroupOf(keyPath);
    return !group.isEmpty() && (keys_.contains(group) || HasSubkeys(group));
}

bool IniRegistry::SetValue(const std::string& keyPath, const std::string& valueName,
                           const std::string& text) {
    if (!ValidValueName(valueName) || GroupOf(keyPath).isEmpty()) return false;
    keys_[GroupOf(keyPath)][QString::fromStdString(valueName)] = text;
    return Commit();
}

std::optional<std::string> IniRegistry::GetValue(const std::string& keyPath,
                                                 const std::string& valueName) {
    const QString group = GroupOf(keyPath);
    if (!ValidValueName(valueName) || group.isEmpty()) return std::nullopt;
    const auto key = keys_.find(group);
    if (key == keys_.end()) return std::nullopt;
    const auto value = key->second.find(QString::fromStdString(valueName));
    if (value == key->second.end()) return std::nullopt;
    return value->second;
}

bool IniRegistry::DeleteKey(const std::string& keyPath) {
    const QString group = GroupOf(keyPath);
    // Only a leaf: a key that still has subkeys stays.
    if (group.isEmpty() || !keys_.contains(group) || HasSubkeys(group)) return false;
    keys_.erase(group);
    return Commit();
}

bool IniRegistry::Linked() const {
    std::error_code error;
    return std::filesystem::is_symlink(file_, error);
}

bool IniRegistry::EndChanges() {
    batching_ = false;
    return Commit();
}

bool IniRegistry::Commit() {
    if (batching_) return true;  // written by EndChanges
    if (!Linked() && ReplaceFileAtomically(file_, IniText(keys_).toStdString())) return true;
    // The file on disk is still the last one written: so are the settings in memory.
    Load();
    return false;
}

}  // namespace ch
