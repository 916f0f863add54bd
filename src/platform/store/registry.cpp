#include "platform/store/registry.h"

#include "platform/store/paths.h"

#include <sys/stat.h>

#include <cstdlib>
#include <functional>
#include <iterator>
#include <set>
#include <sstream>
#include <utility>

namespace store {

namespace {

// The path of `names` below the key at `path`.
std::vector<std::string> Below(const std::vector<std::string>& path, const std::vector<std::string>& names) {
  std::vector<std::string> below = path;
  below.insert(below.end(), names.begin(), names.end());
  return below;
}

constexpr size_t kMaxKeyNameLength = 255;
constexpr std::string_view kClassesRootName = "HKEY_CLASSES_ROOT";
constexpr std::string_view kCurrentUserName = "HKEY_CURRENT_USER";

char FoldAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

struct CaseLess {
  using is_transparent = void;
  bool operator()(std::string_view a, std::string_view b) const {
    size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
      char x = FoldAscii(a[i]), y = FoldAscii(b[i]);
      if (x != y) return static_cast<unsigned char>(x) < static_cast<unsigned char>(y);
    }
    return a.size() < b.size();
  }
};

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  return !CaseLess{}(a, b) && !CaseLess{}(b, a);
}

// Splits "a\b\c" into its key names; false for an empty name, an over-long one or a NUL.
bool SplitPath(std::string_view subKey, std::vector<std::string>* names) {
  names->clear();
  if (subKey.empty()) return true;
  size_t start = 0;
  while (true) {
    size_t end = subKey.find('\\', start);
    std::string_view name = subKey.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
    if (name.empty() || name.size() > kMaxKeyNameLength || name.find('\0') != std::string_view::npos) return false;
    names->emplace_back(name);
    if (end == std::string_view::npos) return true;
    start = end + 1;
  }
}

constexpr char kHex[] = "0123456789ABCDEF";

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Key names in section headers: '%', ']' and control characters are %-escaped.
std::string EscapeKeyName(std::string_view name) {
  std::string out;
  for (char ch : name) {
    unsigned char c = static_cast<unsigned char>(ch);
    if (c == '%' || c == ']' || c < 0x20 || c == 0x7F) {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    } else {
      out += ch;
    }
  }
  return out;
}

std::string UnescapeKeyName(std::string_view name) {
  std::string out;
  for (size_t i = 0; i < name.size(); ++i) {
    if (name[i] == '%' && i + 2 < name.size() && HexDigit(name[i + 1]) >= 0 && HexDigit(name[i + 2]) >= 0) {
      out += static_cast<char>(HexDigit(name[i + 1]) * 16 + HexDigit(name[i + 2]));
      i += 2;
    } else {
      out += name[i];
    }
  }
  return out;
}

// Value names and texts are written in double quotes with C-like escapes.
std::string Quote(std::string_view text) {
  std::string out = "\"";
  for (char ch : text) {
    unsigned char c = static_cast<unsigned char>(ch);
    switch (ch) {
      case '\\': out += "\\\\"; break;
      case '"': out += "\\\""; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (c < 0x20 || c == 0x7F) {
          out += "\\x";
          out += kHex[c >> 4];
          out += kHex[c & 15];
        } else {
          out += ch;
        }
    }
  }
  return out + "\"";
}

// Reads a quoted text starting at line[*pos] == '"'; false when it is malformed.
bool Unquote(std::string_view line, size_t* pos, std::string* text) {
  text->clear();
  size_t i = *pos + 1;
  while (i < line.size()) {
    char c = line[i++];
    if (c == '"') {
      *pos = i;
      return true;
    }
    if (c != '\\') {
      *text += c;
      continue;
    }
    if (i >= line.size()) return false;
    char e = line[i++];
    switch (e) {
      case 'n': *text += '\n'; break;
      case 'r': *text += '\r'; break;
      case 't': *text += '\t'; break;
      case 'x': {
        if (i + 1 >= line.size() || HexDigit(line[i]) < 0 || HexDigit(line[i + 1]) < 0) return false;
        *text += static_cast<char>(HexDigit(line[i]) * 16 + HexDigit(line[i + 1]));
        i += 2;
        break;
      }
      default: *text += e;
    }
  }
  return false;
}

void SkipBlanks(std::string_view line, size_t* pos) {
  while (*pos < line.size() && (line[*pos] == ' ' || line[*pos] == '\t')) ++*pos;
}

}  // namespace

struct Registry::Node {
  std::map<std::string, std::unique_ptr<Node>, CaseLess> children;
  std::map<std::string, std::string, CaseLess> values;  // "" is the default value
};

Registry::Registry() : classesRoot_(std::make_unique<Node>()), currentUser_(std::make_unique<Node>()) {}

Registry::Registry(std::filesystem::path file) : Registry() { file_ = std::move(file); }

Registry::Registry(std::filesystem::path file, std::filesystem::path machineFile) : Registry(std::move(file)) {
  machine_ = std::make_unique<Registry>(std::move(machineFile));
}

Registry::~Registry() = default;

std::filesystem::path Registry::DefaultFile() { return ConfigFolder() / "registry.ini"; }

std::filesystem::path Registry::RegistrationFile() {
  if (const char* file = std::getenv(kRegistrationFileVariable); file != nullptr && file[0] == '/') return file;
  return DefaultFile();
}

std::optional<std::filesystem::path> Registry::MachineFileOf(const std::filesystem::path& executable) {
  const std::filesystem::path folder = executable.lexically_normal().parent_path();
  if (folder.filename() != "stavelark" || folder.parent_path().filename() != "lib") return std::nullopt;
  return folder.parent_path().parent_path() / "etc" / "stavelark" / "registry.ini";
}

Registry::Node* Registry::RootNode(HKey root) {
  if (root == HKEY_CLASSES_ROOT) return classesRoot_.get();
  if (root == HKEY_CURRENT_USER) return currentUser_.get();
  return nullptr;
}

const Registry::Node* Registry::MachineRoot(HKey root) const {
  return root == HKEY_CLASSES_ROOT && machine_ ? machine_->classesRoot_.get() : nullptr;
}

int32_t Registry::Resolve(HKey key, OpenKey* open) {
  if (RootNode(key) != nullptr) {
    *open = OpenKey{key, {}, KEY_ALL_ACCESS};
    return ERROR_SUCCESS;
  }
  auto it = open_.find(key);
  if (it == open_.end()) return ERROR_INVALID_HANDLE;
  *open = it->second;
  return ERROR_SUCCESS;
}

Registry::Layers Registry::Walk(HKey root, const std::vector<std::string>& path, std::vector<std::string>* spelled) {
  Layers at{RootNode(root), MachineRoot(root)};
  if (spelled != nullptr) spelled->clear();
  for (const std::string& name : path) {
    const std::string* spelling = &name;
    Node* user = nullptr;
    const Node* machine = nullptr;
    if (at.machine != nullptr) {
      if (auto it = at.machine->children.find(name); it != at.machine->children.end()) {
        machine = it->second.get();
        spelling = &it->first;
      }
    }
    if (at.user != nullptr) {
      if (auto it = at.user->children.find(name); it != at.user->children.end()) {
        user = it->second.get();
        spelling = &it->first;
      }
    }
    if (spelled != nullptr) spelled->push_back(*spelling);
    at = Layers{user, machine};
  }
  return at;
}

Registry::Node* Registry::MakeUserPath(HKey root, const std::vector<std::string>& path) {
  std::vector<std::string> spelled;
  Walk(root, path, &spelled);
  Node* node = RootNode(root);
  for (const std::string& name : spelled) {
    auto& child = node->children[name];
    if (!child) child = std::make_unique<Node>();
    node = child.get();
  }
  return node;
}

Registry::FileStamp Registry::StampOf(const struct stat& st) {
  return FileStamp{static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino),
                   static_cast<uint64_t>(st.st_size),
                   static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
}

// Reads the file again when it is not the one last read or written by this object.
void Registry::Refresh() {
  if (machine_) machine_->Refresh();
  if (!file_) return;
  struct stat st {};
  if (::stat(file_->c_str(), &st) == 0 && loadedStamp_ && *loadedStamp_ == StampOf(st)) return;
  FileContents contents = ReadRegularFile(*file_, kMaxStoreFileSize);
  if (!contents.read) {
    // No file (yet, or any more) is an empty store; one that cannot be read is shown empty too,
    // and is never overwritten.
    if (loadedStamp_ || !readProblem_.empty()) Load("");
    loadedStamp_.reset();
    readProblem_ = contents.exists ? file_->string() + " cannot be read: " + contents.problem : std::string();
    return;
  }
  readProblem_.clear();
  Load(contents.text);
  loadedStamp_ = StampOf(contents.status);
}

std::string Registry::ReadProblem() {
  Refresh();
  if (!readProblem_.empty()) return readProblem_;
  return machine_ ? machine_->readProblem_ : std::string();
}

void Registry::Load(std::string_view text) {
  classesRoot_ = std::make_unique<Node>();
  currentUser_ = std::make_unique<Node>();
  Node* current = nullptr;
  size_t lineStart = 0;
  while (lineStart < text.size()) {
    size_t lineEnd = text.find('\n', lineStart);
    if (lineEnd == std::string_view::npos) lineEnd = text.size();
    std::string_view line = text.substr(lineStart, lineEnd - lineStart);
    lineStart = lineEnd + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    size_t pos = 0;
    SkipBlanks(line, &pos);
    if (pos >= line.size() || line[pos] == ';' || line[pos] == '#') continue;

    if (line[pos] == '[') {
      current = nullptr;
      size_t close = line.rfind(']');
      if (close == std::string_view::npos || close <= pos) continue;
      std::vector<std::string> names;
      std::string_view inner = line.substr(pos + 1, close - pos - 1);
      size_t sep = inner.find('\\');
      std::string_view rootName = inner.substr(0, sep);
      Node* node = EqualsIgnoringCase(rootName, kClassesRootName)  ? classesRoot_.get()
                   : EqualsIgnoringCase(rootName, kCurrentUserName) ? currentUser_.get()
                                                                    : nullptr;
      if (node == nullptr) continue;
      if (sep != std::string_view::npos) {
        std::string path;
        std::string_view rest = inner.substr(sep + 1);
        for (size_t start = 0; start <= rest.size();) {
          size_t end = rest.find('\\', start);
          if (end == std::string_view::npos) end = rest.size();
          if (!path.empty()) path += '\\';
          path += UnescapeKeyName(rest.substr(start, end - start));
          start = end + 1;
        }
        if (!SplitPath(path, &names)) continue;
      }
      for (const std::string& name : names) {
        auto& child = node->children[name];
        if (!child) child = std::make_unique<Node>();
        node = child.get();
      }
      current = node;
      continue;
    }

    if (current == nullptr) continue;
    std::string name, value;
    if (line[pos] == '@') {
      ++pos;
    } else if (line[pos] != '"' || !Unquote(line, &pos, &name)) {
      continue;
    }
    SkipBlanks(line, &pos);
    if (pos >= line.size() || line[pos] != '=') continue;
    ++pos;
    SkipBlanks(line, &pos);
    if (pos >= line.size() || line[pos] != '"' || !Unquote(line, &pos, &value)) continue;
    current->values[name] = value;
  }
}

std::string Registry::Serialize() const {
  std::string out = "; Stavelark registry\n";
  std::function<void(const Node&, const std::string&, bool)> write = [&](const Node& node, const std::string& path,
                                                                       bool isRoot) {
    if (!isRoot || !node.values.empty()) {
      out += "\n[" + path + "]\n";
      for (const auto& [name, value] : node.values)
        out += (name.empty() ? std::string("@") : Quote(name)) + "=" + Quote(value) + "\n";
    }
    for (const auto& [name, child] : node.children) write(*child, path + "\\" + EscapeKeyName(name), false);
  };
  write(*classesRoot_, std::string(kClassesRootName), true);
  write(*currentUser_, std::string(kCurrentUserName), true);
  return out;
}

std::string Registry::Export() {
  Refresh();
  return Serialize();
}

// Writes the changed store to its file; when that fails, the change is undone.
int32_t Registry::CommitChange(const std::string& before) {
  if (!file_) return ERROR_SUCCESS;
  // A file larger than the reader takes would lose every key at the next read.
  const std::string text = Serialize();
  if (text.size() <= kMaxStoreFileSize && WriteFileAtomically(*file_, text)) {
    loadedStamp_.reset();
    struct stat st {};
    if (::stat(file_->c_str(), &st) == 0) loadedStamp_ = StampOf(st);
    return ERROR_SUCCESS;
  }
  Load(before);
  return ERROR_ACCESS_DENIED;
}

int32_t Registry::RegCreateKeyExA(HKey key, std::string_view subKey, uint32_t reserved, std::string_view /*className*/,
                                  uint32_t /*options*/, uint32_t samDesired, const void* /*securityAttributes*/,
                                  HKey* result, uint32_t* disposition) {
  if (result == nullptr || reserved != 0) return ERROR_INVALID_PARAMETER;
  Refresh();
  OpenKey parent{};
  if (int32_t rc = Resolve(key, &parent); rc != ERROR_SUCCESS) return rc;
  std::vector<std::string> names;
  if (!SplitPath(subKey, &names)) return ERROR_INVALID_PARAMETER;
  if (!Walk(parent.root, parent.path).Exists()) return ERROR_KEY_DELETED;

  std::vector<std::string> path = Below(parent.path, names);
  OpenKey opened{parent.root, {}, samDesired};
  // A key either layer holds is opened; a missing one is made in the user's layer.
  const bool created = !Walk(parent.root, path, &opened.path).Exists();
  if (created) {
    if ((parent.access & KEY_CREATE_SUB_KEY) == 0) return ERROR_ACCESS_DENIED;
    if (Unreadable()) return ERROR_ACCESS_DENIED;
    std::string before = Serialize();
    MakeUserPath(parent.root, opened.path);
    if (int32_t rc = CommitChange(before); rc != ERROR_SUCCESS) return rc;
  }
  *result = nextHandle_;
  nextHandle_ += 4;
  open_[*result] = std::move(opened);
  if (disposition != nullptr) *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
  return ERROR_SUCCESS;
}

int32_t Registry::RegOpenKeyExA(HKey key, std::string_view subKey, uint32_t /*options*/, uint32_t samDesired,
                                HKey* result) {
  if (result == nullptr) return ERROR_INVALID_PARAMETER;
  Refresh();
  OpenKey parent{};
  if (int32_t rc = Resolve(key, &parent); rc != ERROR_SUCCESS) return rc;
  std::vector<std::string> names;
  if (!SplitPath(subKey, &names)) return ERROR_INVALID_PARAMETER;
  if (!Walk(parent.root, parent.path).Exists()) return ERROR_KEY_DELETED;
  std::vector<std::string> path = Below(parent.path, names);
  OpenKey opened{parent.root, {}, samDesired};
  if (!Walk(parent.root, path, &opened.path).Exists()) return ERROR_FILE_NOT_FOUND;
  *result = nextHandle_;
  nextHandle_ += 4;
  open_[*result] = std::move(opened);
  return ERROR_SUCCESS;
}

int32_t Registry::RegSetValueExA(HKey key, std::string_view valueName, uint32_t reserved, uint32_t type,
                                 const void* data, uint32_t dataSize) {
  if (reserved != 0 || type != REG_SZ || (data == nullptr && dataSize != 0)) return ERROR_INVALID_PARAMETER;
  Refresh();
  OpenKey open{};
  if (int32_t rc = Resolve(key, &open); rc != ERROR_SUCCESS) return rc;
  if ((open.access & KEY_SET_VALUE) == 0 || Unreadable()) return ERROR_ACCESS_DENIED;
  if (!Walk(open.root, open.path).Exists()) return ERROR_KEY_DELETED;
  std::string_view bytes(static_cast<const char*>(data), dataSize);
  std::string text(bytes.substr(0, bytes.find('\0')));
  std::string before = Serialize();
  // A key only the machine holds gets its user's copy for the value.
  Node* node = MakeUserPath(open.root, open.path);
  auto it = node->values.find(valueName);
  if (it != node->values.end()) it->second = std::move(text);
  else node->values.emplace(std::string(valueName), std::move(text));
  return CommitChange(before);
}

int32_t Registry::RegQueryValueExA(HKey key, std::string_view valueName, uint32_t* type, std::string* data) {
  Refresh();
  OpenKey open{};
  if (int32_t rc = Resolve(key, &open); rc != ERROR_SUCCESS) return rc;
  if ((open.access & KEY_QUERY_VALUE) == 0) return ERROR_ACCESS_DENIED;
  const Layers at = Walk(open.root, open.path);
  if (!at.Exists()) return ERROR_KEY_DELETED;
  // The user's value wins; the machine's fills in.
  const std::string* found = nullptr;
  for (const Node* node : {static_cast<const Node*>(at.user), at.machine}) {
    if (node == nullptr) continue;
    if (auto it = node->values.find(valueName); it != node->values.end()) {
      found = &it->second;
      break;
    }
  }
  if (found == nullptr) return ERROR_FILE_NOT_FOUND;
  if (type != nullptr) *type = REG_SZ;
  if (data != nullptr) *data = *found;
  return ERROR_SUCCESS;
}

int32_t Registry::RegEnumKeyExA(HKey key, uint32_t index, std::string* name) {
  if (name == nullptr) return ERROR_INVALID_PARAMETER;
  Refresh();
  OpenKey open{};
  if (int32_t rc = Resolve(key, &open); rc != ERROR_SUCCESS) return rc;
  if ((open.access & KEY_ENUMERATE_SUB_KEYS) == 0) return ERROR_ACCESS_DENIED;
  const Layers at = Walk(open.root, open.path);
  if (!at.Exists()) return ERROR_KEY_DELETED;
  if (at.machine == nullptr) {
    if (index >= at.user->children.size()) return ERROR_NO_MORE_ITEMS;
    *name = std::next(at.user->children.begin(), index)->first;
    return ERROR_SUCCESS;
  }
  // The subkeys of both layers, in name order, each once (the user's spelling first).
  std::set<std::string, CaseLess> names;
  if (at.user != nullptr)
    for (const auto& child : at.user->children) names.insert(child.first);
  for (const auto& child : at.machine->children) names.insert(child.first);
  if (index >= names.size()) return ERROR_NO_MORE_ITEMS;
  *name = *std::next(names.begin(), index);
  return ERROR_SUCCESS;
}

int32_t Registry::RegDeleteKey(HKey key, std::string_view subKey) {
  std::vector<std::string> names;
  if (subKey.empty() || !SplitPath(subKey, &names)) return ERROR_INVALID_PARAMETER;
  Refresh();
  OpenKey open{};
  if (int32_t rc = Resolve(key, &open); rc != ERROR_SUCCESS) return rc;
  if (!Walk(open.root, open.path).Exists()) return ERROR_KEY_DELETED;
  std::vector<std::string> path = Below(open.path, names);
  const Layers target = Walk(open.root, path);
  if (target.user == nullptr) return target.machine != nullptr ? ERROR_ACCESS_DENIED : ERROR_FILE_NOT_FOUND;
  if (!target.user->children.empty() || Unreadable()) return ERROR_ACCESS_DENIED;
  std::string before = Serialize();
  path.pop_back();
  Node* parent = Walk(open.root, path).user;
  parent->children.erase(names.back());
  return CommitChange(before);
}

int32_t Registry::RegDeleteTree(HKey key, std::string_view subKey) {
  std::vector<std::string> names;
  if (!SplitPath(subKey, &names)) return ERROR_INVALID_PARAMETER;
  Refresh();
  OpenKey open{};
  if (int32_t rc = Resolve(key, &open); rc != ERROR_SUCCESS) return rc;
  if (Unreadable()) return ERROR_ACCESS_DENIED;
  if (!Walk(open.root, open.path).Exists()) return ERROR_KEY_DELETED;
  std::vector<std::string> path = Below(open.path, names);
  const Layers target = Walk(open.root, path);
  if (target.user == nullptr) return target.machine != nullptr ? ERROR_ACCESS_DENIED : ERROR_FILE_NOT_FOUND;
  std::string before = Serialize();
  if (names.empty()) {
    target.user->children.clear();
    target.user->values.clear();
    return CommitChange(before);
  }
  path.pop_back();
  Walk(open.root, path).user->children.erase(names.back());
  return CommitChange(before);
}

int32_t Registry::RegCloseKey(HKey key) {
  if (RootNode(key) != nullptr) return ERROR_SUCCESS;
  return open_.erase(key) == 1 ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

}  // namespace store
