// A per-user hierarchical store of keys and text values, used the way the program uses the
// system registry: keys are created or opened through handles, each key has named text values
// and an unnamed default value, names match without regard to (ASCII) case and "\" separates
// key names in a path. Calls return result codes (ERROR_SUCCESS = 0, ...) and never throw.
//
// Two roots exist: HKEY_CLASSES_ROOT, the user's own classes root (file types, control
// classes), and HKEY_CURRENT_USER. A file-backed registry reads its file again whenever another
// process has replaced it, and writes every change through a temporary file and a rename, so a
// crash leaves either the old or the new contents. A change that cannot be written is undone
// and reported as ERROR_ACCESS_DENIED.
//
// The classes root may have a machine layer beneath it: the classes registered for every user
// (by the installation), read from a second file that this object never writes. A key exists
// when either layer holds it; a value of the user's layer hides the machine's value of the same
// name; subkeys are those of both. Every write goes to the user's layer, and only the user's
// keys can be deleted (a key that only the machine holds is ERROR_ACCESS_DENIED).
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct stat;

namespace store {

using HKey = std::uint32_t;

inline constexpr HKey HKEY_CLASSES_ROOT = 0x80000000u;
inline constexpr HKey HKEY_CURRENT_USER = 0x80000001u;

// Result codes.
inline constexpr int32_t ERROR_SUCCESS = 0;
inline constexpr int32_t ERROR_FILE_NOT_FOUND = 2;
inline constexpr int32_t ERROR_ACCESS_DENIED = 5;
inline constexpr int32_t ERROR_INVALID_HANDLE = 6;
inline constexpr int32_t ERROR_INVALID_PARAMETER = 87;
inline constexpr int32_t ERROR_NO_MORE_ITEMS = 259;
inline constexpr int32_t ERROR_KEY_DELETED = 1018;

// Access rights asked for when a key is opened.
inline constexpr uint32_t KEY_QUERY_VALUE = 0x0001;
inline constexpr uint32_t KEY_SET_VALUE = 0x0002;
inline constexpr uint32_t KEY_CREATE_SUB_KEY = 0x0004;
inline constexpr uint32_t KEY_ENUMERATE_SUB_KEYS = 0x0008;
inline constexpr uint32_t KEY_READ = 0x20019;
inline constexpr uint32_t KEY_WRITE = 0x20006;
inline constexpr uint32_t KEY_ALL_ACCESS = 0xF003F;

inline constexpr uint32_t REG_OPTION_NON_VOLATILE = 0;
inline constexpr uint32_t REG_CREATED_NEW_KEY = 1;
inline constexpr uint32_t REG_OPENED_EXISTING_KEY = 2;

// Value types: only texts are kept.
inline constexpr uint32_t REG_SZ = 1;

class Registry {
 public:
  Registry();  // in memory only
  explicit Registry(std::filesystem::path file);
  // The user's `file` over the machine's classes in `machineFile`.
  Registry(std::filesystem::path file, std::filesystem::path machineFile);
  ~Registry();
  Registry(const Registry&) = delete;
  Registry& operator=(const Registry&) = delete;

  // ConfigFolder()/registry.ini
  static std::filesystem::path DefaultFile();
  // The file a control library's registration writes: the absolute path in
  // $STAVELARK_REGISTRATION_FILE (the registration tool's machine-wide option sets it), else
  // DefaultFile().
  static std::filesystem::path RegistrationFile();
  static constexpr const char* kRegistrationFileVariable = "STAVELARK_REGISTRATION_FILE";
  // The machine layer of an installed program: an executable installed as
  // <prefix>/lib/stavelark/<name> has <prefix>/etc/stavelark/registry.ini; an executable
  // anywhere else (a build folder) has none.
  static std::optional<std::filesystem::path> MachineFileOf(const std::filesystem::path& executable);

  // Creates `subKey` below `key` (and any missing keys on the way), or opens it when it exists.
  // `reserved` must be 0; `className` and `securityAttributes` are not kept. `disposition`, when
  // given, receives REG_CREATED_NEW_KEY or REG_OPENED_EXISTING_KEY. An empty `subKey` opens `key`.
  int32_t RegCreateKeyExA(HKey key, std::string_view subKey, uint32_t reserved, std::string_view className,
                          uint32_t options, uint32_t samDesired, const void* securityAttributes, HKey* result,
                          uint32_t* disposition);
  // Opens an existing key; ERROR_FILE_NOT_FOUND when it is missing.
  int32_t RegOpenKeyExA(HKey key, std::string_view subKey, uint32_t options, uint32_t samDesired, HKey* result);
  // Sets a REG_SZ value from `dataSize` bytes of `data`; the text ends at the first NUL among
  // them. An empty `valueName` is the key's default value.
  int32_t RegSetValueExA(HKey key, std::string_view valueName, uint32_t reserved, uint32_t type, const void* data,
                         uint32_t dataSize);
  // Reads a value's text (without a terminating NUL); ERROR_FILE_NOT_FOUND when it is not set.
  int32_t RegQueryValueExA(HKey key, std::string_view valueName, uint32_t* type, std::string* data);
  // The name of the index-th subkey in name order; ERROR_NO_MORE_ITEMS past the last one.
  int32_t RegEnumKeyExA(HKey key, uint32_t index, std::string* name);
  // Deletes a key that has no subkeys (ERROR_ACCESS_DENIED when it has some).
  int32_t RegDeleteKey(HKey key, std::string_view subKey);
  // Deletes `subKey` with everything below it; with an empty `subKey`, empties `key` instead.
  int32_t RegDeleteTree(HKey key, std::string_view subKey);
  int32_t RegCloseKey(HKey key);

  // The user's layer as the text that is written to its file.
  std::string Export();

  // Why the user's file (else the machine's) exists but cannot be read ("<file> cannot be read:
  // <reason>"), or "". Such a file reads as empty and is never written.
  std::string ReadProblem();
  // The user's file (none for a registry in memory) and the machine layer beneath it (nullptr
  // when there is none), for looking at what the machine alone holds.
  const std::optional<std::filesystem::path>& File() const { return file_; }
  Registry* MachineLayer() { return machine_.get(); }

 private:
  struct Node;
  // The nodes of one key path in both layers (nullptr where a layer lacks it).
  struct Layers {
    Node* user = nullptr;
    const Node* machine = nullptr;
    bool Exists() const { return user != nullptr || machine != nullptr; }
  };
  struct OpenKey {
    HKey root;
    std::vector<std::string> path;
    uint32_t access;
  };
  struct FileStamp {
    uint64_t device = 0, inode = 0, size = 0;
    int64_t modifiedNs = 0;
    bool operator==(const FileStamp&) const = default;
  };

  static FileStamp StampOf(const struct stat& st);
  Node* RootNode(HKey root);
  const Node* MachineRoot(HKey root) const;
  int32_t Resolve(HKey key, OpenKey* open);
  // Walks `path` in both layers; `spelled`, when given, receives the names as the keys spell
  // them (the user's spelling first, then the machine's, else the name given).
  Layers Walk(HKey root, const std::vector<std::string>& path, std::vector<std::string>* spelled = nullptr);
  // The user's node at `path`, made (with the keys above it) where it is missing.
  Node* MakeUserPath(HKey root, const std::vector<std::string>& path);
  int32_t CommitChange(const std::string& before);
  void Refresh();
  void Load(std::string_view text);
  std::string Serialize() const;

  std::optional<std::filesystem::path> file_;
  std::optional<FileStamp> loadedStamp_;
  std::string readProblem_;  // the file exists but could not be read: never overwrite it
  bool Unreadable() const { return file_ && !readProblem_.empty(); }
  std::unique_ptr<Node> classesRoot_;
  std::unique_ptr<Node> currentUser_;
  std::unique_ptr<Registry> machine_;  // read only
  std::map<HKey, OpenKey> open_;
  HKey nextHandle_ = 0x100;
};

}  // namespace store
