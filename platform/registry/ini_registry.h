#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "platform/registry/ini_text.h"
#include "settings/registry.h"

namespace ch {

// The settings hive as one INI file, read once when opened and held in memory. Registry key paths
// keep their names; their backslashes become the INI groups' "/". Every change (or every batch
// from BeginChanges to EndChanges) is written whole to a new file that replaces the old one, each
// step checked, so a crash, a full disk or a kill leaves the old or the new file whole.
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
    void Load();
    bool HasSubkeys(const QString& group) const;
    // A settings file that is a symbolic link is never replaced: the link was planted or made
    // by hand, and either way its target is not ours to rewrite.
    bool Linked() const;
    bool Commit();

    std::filesystem::path file_;
    IniKeys keys_;
    bool batching_ = false;
};

}  // namespace ch
