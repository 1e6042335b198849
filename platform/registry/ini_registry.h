#pragma once

#include <QSettings>
#include <filesystem>
#include <optional>
#include <string>

#include "settings/registry.h"

namespace ch {

// The settings hive as one INI file. Registry key paths keep their names; their backslashes
// become the INI groups' "/". Every change is written to disk before the call returns, through a
// temporary file that replaces the old one, so a crash leaves the old or the new file whole.
class IniRegistry : public Registry {
  public:
    explicit IniRegistry(const std::filesystem::path& file);

    // The hive of a program installed in programFolder.
    static std::filesystem::path FileIn(const std::filesystem::path& programFolder);

    bool KeyExists(const std::string& keyPath) override;
    bool SetValue(const std::string& keyPath, const std::string& valueName,
                  const std::string& text) override;
    std::optional<std::string> GetValue(const std::string& keyPath,
                                        const std::string& valueName) override;
    bool DeleteKey(const std::string& keyPath) override;
    void BeginChanges() override { batching_ = true; }
    bool EndChanges() override;

  private:
    // A settings file that is a symbolic link is never written: Qt would replace the link's
    // target, wherever it is.
    bool Linked() const;
    bool Commit();

    std::filesystem::path file_;
    QSettings settings_;
    bool batching_ = false;
};

}  // namespace ch
