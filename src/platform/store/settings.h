// Per-user application settings: texts under an application name, a section and a key.
// A key that is not there reads as the caller's default; names match without regard to
// (ASCII) case, as the program's settings always have.
#pragma once

#include "platform/store/status.h"

#include <filesystem>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace store {

class SettingsStore {
 public:
  virtual ~SettingsStore() = default;

  // The text stored under appName / section / key, or `defaultValue` when there is none
  // (or when a name is empty, or the store cannot be read).
  virtual std::string GetSetting(std::string_view appName, std::string_view section, std::string_view key,
                                 std::string_view defaultValue = "") const = 0;

  // Stores `value` (any text) under appName / section / key. A failure is only reported.
  virtual Status SaveSetting(std::string_view appName, std::string_view section, std::string_view key,
                             std::string_view value) = 0;
};

// Settings kept in INI files, one per application name: <folder>/<appName>.ini, with a section
// per settings section ("Stavelark" -> ~/.config/Stavelark/Stavelark.ini, [Properties]).
// Every write goes to disk at once. A file that is there but cannot be read (no permission, not
// a regular file, larger than kMaxStoreFileSize) reads as if it were missing, and from then on
// this store never writes it: what it holds stays for a run that can read it.
class IniSettingsStore final : public SettingsStore {
 public:
  IniSettingsStore();  // in ConfigFolder()
  explicit IniSettingsStore(std::filesystem::path folder);

  std::string GetSetting(std::string_view appName, std::string_view section, std::string_view key,
                         std::string_view defaultValue = "") const override;
  Status SaveSetting(std::string_view appName, std::string_view section, std::string_view key,
                     std::string_view value) override;

  // The file that holds an application's settings.
  std::filesystem::path FileOf(std::string_view appName) const;

 private:
  // Whether `file` can be read; one that is there but cannot be read is remembered as such.
  bool Readable(const std::filesystem::path& file, bool* exists) const;

  std::filesystem::path folder_;
  mutable std::map<std::filesystem::path, std::string> unreadable_;  // file -> why
};

// One SaveSetting call as a recording store saw it.
struct SettingWrite {
  std::string appName;
  std::string section;
  std::string key;
  std::string value;
  bool operator==(const SettingWrite&) const = default;
};

// Settings in memory that also keep the order of every SaveSetting call, for tests that check
// which settings a program writes and in which order.
class MemorySettingsStore final : public SettingsStore {
 public:
  std::string GetSetting(std::string_view appName, std::string_view section, std::string_view key,
                         std::string_view defaultValue = "") const override;
  Status SaveSetting(std::string_view appName, std::string_view section, std::string_view key,
                     std::string_view value) override;

  const std::vector<SettingWrite>& Writes() const { return writes_; }
  void ClearWrites() { writes_.clear(); }

 private:
  std::map<std::string, std::string> values_;  // by the case-folded app, section and key
  std::vector<SettingWrite> writes_;
};

}  // namespace store
