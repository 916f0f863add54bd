// The host's side: creating a control from its registered ProgID, calling its properties,
// hearing its events and keeping its saved properties.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/basic/basic.h"
#include "platform/com/com.h"
#include "platform/com/object.h"
#include "platform/forms/control.h"
#include "platform/store/paths.h"
#include "platform/store/registry.h"

namespace com {

// Error number of a control that cannot be created.
inline constexpr int CannotCreateObject = 429;

// A control that cannot be created: error 429, with a command that mends the cause when the
// cause is one the user can mend that way (empty otherwise). `registeringMends` is false when
// registering the class again would not help (its registry cannot be read).
class CreateError : public basic::RuntimeError {
 public:
  CreateError(std::string description, std::string remedy, bool registeringMends = true)
      : RuntimeError(CannotCreateObject, std::move(description)),
        remedy(std::move(remedy)),
        registeringMends(registeringMends) {}
  std::string remedy;
  bool registeringMends;
};

// A loaded control library. It stays loaded while a class object or instance made from it is
// alive; it is unloaded at the end only when the library agrees (DllCanUnloadNow).
class Library {
 public:
  // nullptr with `error` set when the file cannot be loaded or lacks the entry points.
  static std::shared_ptr<Library> Open(const std::string& path, std::string* error);
  // Loads exactly the file a trust check opened (never its path again).
  static std::shared_ptr<Library> Open(store::TrustCheck checked, std::string* error);
  ~Library();
  Library(const Library&) = delete;
  Library& operator=(const Library&) = delete;

  const std::string& Path() const { return path_; }
  // The class object of `clsid`, kept for the library's lifetime.
  HRESULT GetClassObject(const Guid& clsid, ComPtr<IClassFactory>* factory);
  // S_OK when every class object handed out says nothing made through it is alive.
  HRESULT CanUnloadNow();

 private:
  Library() = default;
  static std::shared_ptr<Library> Load(const std::string& name, const std::string& path, std::string* error);

  std::string path_;
  // The checked file, open for as long as the library is loaded: the loader knows it by the
  // name of this descriptor, which no other file may take meanwhile.
  store::FileHandle file_;
  void* handle_ = nullptr;
  DllGetClassObjectFn getClassObject_ = nullptr;
  DllCanUnloadNowFn canUnloadNow_ = nullptr;
  std::vector<std::pair<Guid, ComPtr<IClassFactory>>> factories_;
};

// Saved properties of a control, as the host keeps them.
class PropertyBag final : public ComObject<IPropertyBag> {
 public:
  static ComPtr<PropertyBag> Create() { return ComPtr<PropertyBag>::Adopt(new PropertyBag()); }
  HRESULT Read(const char* name, char** value) override;
  HRESULT Write(const char* name, const char* value) override;
  const std::map<std::string, std::string>& Values() const { return values_; }

 private:
  PropertyBag() = default;
  std::map<std::string, std::string> values_;
};

// One instance of a control class. Calls that fail raise basic::RuntimeError.
class Object {
 public:
  Object(std::shared_ptr<Library> library, ComPtr<IUnknown> instance);
  ~Object();
  Object(Object&&) noexcept;
  Object& operator=(Object&&) = delete;
  Object(const Object&) = delete;
  Object& operator=(const Object&) = delete;

  std::string GetProperty(DispId id) const;
  void PutProperty(DispId id, std::string_view value);

  // `onEvent` hears the DISPID of every event of the source interface `sourceIid`;
  // `onPropertyChanged`, when given, each property the control reports as changed.
  uint32_t Advise(const Guid& sourceIid, std::function<void(DispId)> onEvent,
                  std::function<void(DispId)> onPropertyChanged = {});
  void Unadvise(uint32_t cookie);

  SizeL Extent() const;  // HiMetric

  // Shows the control at `place` on the host's form: the control's surface form (made on the host's
  // window system) is sized to the place, set as its surface and shown. Detached again by Detach or
  // when the Object ends, which must be before the place's form ends.
  forms::Form& AttachTo(forms::HostedControl& place);
  void Detach();
  void InitNew();
  void Load(PropertyBag& bag);
  void Save(PropertyBag& bag);

  IUnknown* Unknown() const { return instance_.Get(); }
  const std::shared_ptr<Library>& Lib() const { return library_; }

 private:
  template <class I>
  ComPtr<I> Need() const;

  std::shared_ptr<Library> library_;  // declared first: released last
  ComPtr<IUnknown> instance_;
  std::vector<uint32_t> cookies_;
  forms::HostedControl* place_ = nullptr;
};

// Creates the class registered under `progId` in the classes root: ProgID\CLSID gives the
// class, CLSID\{...}\InprocServer32 the library, whose class object makes the instance. The
// library is loaded only when it passes store::CheckTrusted, and exactly the file checked. A
// library the user's layer names that is missing gives way to the machine layer's registration
// of the same ProgID (said once on stderr). Raises CreateError "Cannot create <progId>: <reason>"
// when any step fails.
Object CreateObject(store::Registry& registry, std::string_view progId);

}  // namespace com
