#include "platform/store/settings.h"

#include "platform/store/paths.h"

#include <QSettings>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <sys/stat.h>

#include <system_error>
#include <utility>

namespace store {

namespace {

char FoldAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
  return true;
}

// QSettings reads '/' and '\' in names as group separators and folds repeated ones; names are
// therefore escaped before they reach it so that every text is a name of its own.
std::string EscapeName(std::string_view name) {
  std::string out;
  for (char c : name) {
    if (c == '%') out += "%25";
    else if (c == '/') out += "%2F";
    else if (c == '\\') out += "%5C";
    else out += c;
  }
  return out;
}

std::string UnescapeName(std::string_view name) {
  std::string out;
  for (size_t i = 0; i < name.size(); ++i) {
    std::string_view rest = name.substr(i, 3);
    if (rest == "%25") out += '%';
    else if (rest == "%2F") out += '/';
    else if (rest == "%5C") out += '\\';
    else {
      out += name[i];
      continue;
    }
    i += 2;
  }
  return out;
}

QString ToQ(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }
std::string FromQ(const QString& s) { return s.toUtf8().toStdString(); }

// The stored spelling of `wanted` among `names`, else its escaped form.
QString FindName(const QStringList& names, std::string_view wanted) {
  const QString exact = ToQ(EscapeName(wanted));
  if (names.contains(exact)) return exact;
  for (const QString& name : names)
    if (EqualsIgnoringCase(UnescapeName(FromQ(name)), wanted)) return name;
  return exact;
}

// Application names become file names: anything that is not plainly safe is %-escaped.
std::string FileNameOf(std::string_view appName) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (size_t i = 0; i < appName.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(appName[i]);
    bool safe = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == ' ' ||
                c == '_' || c == '-' || (c == '.' && i > 0) || c >= 0x80;
    if (safe) {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
  return out;
}

std::string MemoryKey(std::string_view appName, std::string_view section, std::string_view key) {
  std::string out;
  for (std::string_view part : {appName, section, key}) {
    for (char c : part) out += FoldAscii(c);
    out += '\0';
  }
  return out;
}

bool NamesValid(std::string_view appName, std::string_view section, std::string_view key) {
  return !appName.empty() && !section.empty() && !key.empty();
}

}  // namespace

IniSettingsStore::IniSettingsStore() : IniSettingsStore(ConfigFolder()) {}

IniSettingsStore::IniSettingsStore(std::filesystem::path folder) : folder_(std::move(folder)) {}

std::filesystem::path IniSettingsStore::FileOf(std::string_view appName) const {
  const std::string name = FileNameOf(appName) + ".ini";
  std::error_code ec;
  if (std::filesystem::exists(folder_ / name, ec)) return folder_ / name;
  // Application names, like every other name here, ignore case.
  for (std::filesystem::directory_iterator it(folder_, ec), end; !ec && it != end; it.increment(ec))
    if (EqualsIgnoringCase(it->path().filename().string(), name)) return it->path();
  return folder_ / name;
}

// QSettings would open whatever lies there and wait on a named pipe for ever, and would read a
// file of any size: it is given only regular files of a sensible size.
bool IniSettingsStore::Readable(const std::filesystem::path& file, bool* exists) const {
  const FileContents contents = CheckRegularFile(file, kMaxStoreFileSize);
  *exists = contents.exists;
  if (contents.exists && !contents.read) unreadable_.emplace(file, contents.problem);
  return contents.read;
}

std::string IniSettingsStore::GetSetting(std::string_view appName, std::string_view section, std::string_view key,
                                         std::string_view defaultValue) const {
  if (!NamesValid(appName, section, key)) return std::string(defaultValue);
  const std::filesystem::path file = FileOf(appName);
  bool exists = false;
  if (!Readable(file, &exists)) return std::string(defaultValue);

  QSettings settings(QString::fromStdString(file.string()), QSettings::IniFormat);
  settings.beginGroup(FindName(settings.childGroups(), section));
  const QString name = FindName(settings.childKeys(), key);
  if (!settings.contains(name)) return std::string(defaultValue);
  const QVariant value = settings.value(name);
  // A hand-edited list ("a,b" without quotes) reads back as the text it was.
  if (value.typeId() == QMetaType::QStringList) return FromQ(value.toStringList().join(','));
  return FromQ(value.toString());
}

Status IniSettingsStore::SaveSetting(std::string_view appName, std::string_view section, std::string_view key,
                                     std::string_view value) {
  if (!NamesValid(appName, section, key))
    return Status::Failed("A setting needs an application name, a section and a key");
  const std::filesystem::path file = FileOf(appName);
  // Values read from a file that could not be read were defaults: written back, they would
  // replace what the file holds once it can be read again.
  if (auto it = unreadable_.find(file); it != unreadable_.end())
    return Status::Failed("Not writing " + file.string() + ": it could not be read (" + it->second +
                          "), so what it holds is kept");
  bool exists = false;
  if (!Readable(file, &exists) && exists)
    return Status::Failed("Cannot read " + file.string() + ": " + unreadable_[file]);
  // QSettings reads its lock file too when one is there.
  const std::filesystem::path lock = file.string() + ".lock";
  if (struct stat st {}; ::stat(lock.c_str(), &st) == 0 && !S_ISREG(st.st_mode))
    return Status::Failed("Cannot write " + file.string() + ": " + lock.string() + " is not a regular file");
  std::error_code ec;
  std::filesystem::create_directories(folder_, ec);
  if (ec) return Status::Failed("Cannot create folder " + folder_.string() + ": " + ec.message());

  QSettings settings(QString::fromStdString(file.string()), QSettings::IniFormat);
  if (settings.status() != QSettings::NoError)  // never overwrite a file that could not be read
    return Status::Failed("Cannot read " + file.string());
  settings.beginGroup(FindName(settings.childGroups(), section));
  settings.setValue(FindName(settings.childKeys(), key), ToQ(value));
  settings.endGroup();
  settings.sync();
  if (settings.status() != QSettings::NoError) return Status::Failed("Cannot write " + file.string());
  return Status::Ok();
}

std::string MemorySettingsStore::GetSetting(std::string_view appName, std::string_view section, std::string_view key,
                                            std::string_view defaultValue) const {
  auto it = values_.find(MemoryKey(appName, section, key));
  return it == values_.end() ? std::string(defaultValue) : it->second;
}

Status MemorySettingsStore::SaveSetting(std::string_view appName, std::string_view section, std::string_view key,
                                        std::string_view value) {
  writes_.push_back({std::string(appName), std::string(section), std::string(key), std::string(value)});
  if (!NamesValid(appName, section, key))
    return Status::Failed("A setting needs an application name, a section and a key");
  values_[MemoryKey(appName, section, key)] = std::string(value);
  return Status::Ok();
}

}  // namespace store
