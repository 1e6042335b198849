#pragma once

#include <optional>
#include <string>

namespace ch {

// The settings hive: keys named by backslash-separated paths, each holding named text values.
// Every operation reports whether it succeeded; the settings logic decides what a failure means.
class Registry {
  public:
    virtual ~Registry() = default;
    virtual bool KeyExists(const std::string& keyPath) = 0;
    // Creates the key and its parents when they are missing, then stores the value.
    virtual bool SetValue(const std::string& keyPath, const std::string& valueName,
                          const std::string& text) = 0;
    // Nothing when the key or the value is missing; an empty stored value is an empty text.
    virtual std::optional<std::string> GetValue(const std::string& keyPath,
                                                const std::string& valueName) = 0;
    // Removes the key with all its values; refuses a key that still has subkeys.
    virtual bool DeleteKey(const std::string& keyPath) = 0;
    // The changes made from BeginChanges to EndChanges are kept in memory and written at once,
    // so that a crash leaves all of them or none. EndChanges reports whether the write succeeded.
    virtual void BeginChanges() {}
    virtual bool EndChanges() { return true; }
};

}  // namespace ch
