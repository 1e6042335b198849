#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "settings/registry.h"

namespace ch::testing {

// An in-memory hive that logs every change, so tests can check what was written and in which
// order. Parent keys are not modelled: a key exists while it holds a value.
class FakeRegistry : public Registry {
  public:
    struct Change {
        std::string operation;  // "set" or "delete"
        std::string key, name, text;
        bool operator==(const Change&) const = default;
    };

    std::map<std::string, std::map<std::string, std::string>> keys;
    std::vector<Change> changes;
    bool failWrites = false;  // every write and delete fails, as on a read-only hive

    bool KeyExists(const std::string& keyPath) override { return keys.contains(keyPath); }
    bool SetValue(const std::string& keyPath, const std::string& valueName,
                  const std::string& text) override {
        if (failWrites) return false;
        keys[keyPath][valueName] = text;
        changes.push_back({"set", keyPath, valueName, text});
        return true;
    }
    std::optional<std::string> GetValue(const std::string& keyPath,
                                        const std::string& valueName) override {
        const auto key = keys.find(keyPath);
        if (key == keys.end() || !key->second.contains(valueName)) return std::nullopt;
        return key->second.at(valueName);
    }
    bool EndChanges() override { return !failWrites; }
    bool DeleteKey(const std::string& keyPath) override {
        if (failWrites || !keys.erase(keyPath)) return false;
        changes.push_back({"delete", keyPath, "", ""});
        return true;
    }
};

}  // namespace ch::testing
