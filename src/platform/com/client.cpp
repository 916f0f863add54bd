#include "platform/com/client.h"

#include <dlfcn.h>

#include <cerrno>
#include <cstdio>
#include <utility>

#include "platform/basic/basic.h"
#include "platform/forms/form.h"
#include "platform/store/paths.h"

namespace com {

namespace {

// Forwards a control's events to the host's functions.
class EventSink final : public ComObject<IEventSink> {
 public:
  EventSink(std::function<void(DispId)> onEvent, std::function<void(DispId)> onChanged)
      : onEvent_(std::move(onEvent)), onChanged_(std::move(onChanged)) {}
  // Nothing the host's functions throw may unwind through the control's frames.
  HRESULT OnEvent(DispId event) override { return Call(onEvent_, event); }
  HRESULT OnPropertyChanged(DispId property) override { return Call(onChanged_, property); }

 private:
  static HRESULT Call(const std::function<void(DispId)>& f, DispId id) {
    if (!f) return S_OK;
    try {
      f(id);
    } catch (...) {
      return E_FAIL;
    }
    return S_OK;
  }

  std::function<void(DispId)> onEvent_;
  std::function<void(DispId)> onChanged_;
};

[[noreturn]] void RaiseFailure(HRESULT hr) {
  int number = ErrorFromHResult(hr);
  if (number != hr) basic::Raise(number);
  basic::Raise(number, "Automation error " + HResultText(hr));
}

void Check(HRESULT hr) {
  if (Failed(hr)) RaiseFailure(hr);
}

std::string QueryDefault(store::Registry& reg, const std::string& subKey) {
  store::HKey key = 0;
  if (reg.RegOpenKeyExA(store::HKEY_CLASSES_ROOT, subKey, 0, store::KEY_READ, &key) != store::ERROR_SUCCESS) return {};
  std::string text;
  if (reg.RegQueryValueExA(key, "", nullptr, &text) != store::ERROR_SUCCESS) text.clear();
  reg.RegCloseKey(key);
  return text;
}

}  // namespace

// ---- Library ----

std::shared_ptr<Library> Library::Open(const std::string& path, std::string* error) { return Load(path, path, error); }

std::shared_ptr<Library> Library::Open(store::TrustCheck checked, std::string* error) {
  const std::string path = checked.resolved.string();
  if (!checked) {
    *error = "library " + path + " is not loaded: " + checked.problem;
    return nullptr;
  }
  std::shared_ptr<Library> lib = Load(store::OpenPathOf(checked.file), path, error);
  if (lib) lib->file_ = std::move(checked.file);
  return lib;
}

std::shared_ptr<Library> Library::Load(const std::string& name, const std::string& path, std::string* error) {
  void* handle = dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    const char* why = dlerror();
    *error = "library " + path + " cannot be loaded" + (why ? std::string(": ") + why : std::string());
    return nullptr;
  }
  std::shared_ptr<Library> lib(new Library());
  lib->path_ = path;
  lib->handle_ = handle;
  lib->getClassObject_ = reinterpret_cast<DllGetClassObjectFn>(dlsym(handle, "DllGetClassObject"));
  lib->canUnloadNow_ = reinterpret_cast<DllCanUnloadNowFn>(dlsym(handle, "DllCanUnloadNow"));
  if (lib->getClassObject_ == nullptr || lib->canUnloadNow_ == nullptr) {
    *error = "library " + path + " is not a control library";
    return nullptr;  // the destructor unloads it
  }
  return lib;
}

Library::~Library() {
  bool unload = CanUnloadNow() == S_OK;
  factories_.clear();
  // A library with objects still alive must stay mapped: their code lives in it, and the name
  // it was loaded by stays its own.
  if (handle_ != nullptr && unload) dlclose(handle_);
  else file_.Release();
}

HRESULT Library::GetClassObject(const Guid& clsid, ComPtr<IClassFactory>* factory) {
  for (auto& [id, f] : factories_) {
    if (id == clsid) {
      *factory = f;
      return S_OK;
    }
  }
  ComPtr<IClassFactory> f;
  HRESULT hr = getClassObject_(&clsid, &IClassFactory::IID, f.Put());
  if (Failed(hr)) return hr;
  if (!f) return E_POINTER;
  factories_.emplace_back(clsid, f);
  *factory = std::move(f);
  return S_OK;
}

HRESULT Library::CanUnloadNow() {
  if (canUnloadNow_ == nullptr) return S_OK;
  for (auto& [id, f] : factories_)
    if (canUnloadNow_(f.Get()) != S_OK) return S_FALSE;
  return S_OK;
}

// ---- PropertyBag ----

HRESULT PropertyBag::Read(const char* name, char** value) {
  if (name == nullptr || value == nullptr) return E_POINTER;
  *value = nullptr;
  auto it = values_.find(name);
  if (it == values_.end()) return E_INVALIDARG;
  *value = AllocText(it->second);
  return *value != nullptr ? S_OK : E_OUTOFMEMORY;
}

HRESULT PropertyBag::Write(const char* name, const char* value) {
  if (name == nullptr || value == nullptr) return E_POINTER;
  values_[name] = value;
  return S_OK;
}

// ---- Object ----

Object::Object(std::shared_ptr<Library> library, ComPtr<IUnknown> instance)
    : library_(std::move(library)), instance_(std::move(instance)) {}

Object::Object(Object&& o) noexcept
    : library_(std::move(o.library_)),
      instance_(std::move(o.instance_)),
      cookies_(std::move(o.cookies_)),
      place_(std::exchange(o.place_, nullptr)) {}

Object::~Object() {
  Detach();
  if (!instance_) return;
  if (auto source = instance_.As<IEventSource>())
    for (uint32_t cookie : cookies_) source->Unadvise(cookie);
}

template <class I>
ComPtr<I> Object::Need() const {
  ComPtr<I> i = instance_.As<I>();
  if (!i) RaiseFailure(E_NOINTERFACE);
  return i;
}

std::string Object::GetProperty(DispId id) const {
  char* value = nullptr;
  Check(Need<IDispatch>()->GetProperty(id, &value));
  std::string text = value != nullptr ? value : "";
  FreeText(value);
  return text;
}

void Object::PutProperty(DispId id, std::string_view value) {
  std::string text(value);
  Check(Need<IDispatch>()->PutProperty(id, text.c_str()));
}

uint32_t Object::Advise(const Guid& sourceIid, std::function<void(DispId)> onEvent,
                        std::function<void(DispId)> onPropertyChanged) {
  auto sink = ComPtr<EventSink>::Adopt(new EventSink(std::move(onEvent), std::move(onPropertyChanged)));
  uint32_t cookie = 0;
  Check(Need<IEventSource>()->Advise(sourceIid, sink.Get(), &cookie));
  cookies_.push_back(cookie);
  return cookie;
}

void Object::Unadvise(uint32_t cookie) {
  Check(Need<IEventSource>()->Unadvise(cookie));
  std::erase(cookies_, cookie);
}

SizeL Object::Extent() const {
  SizeL size;
  Check(Need<IOleObject>()->GetExtent(&size));
  return size;
}

forms::Form& Object::AttachTo(forms::HostedControl& place) {
  forms::Form* surface = nullptr;
  Check(Need<IViewSurface>()->GetSurface(&place.System(), &surface));
  if (surface == nullptr) RaiseFailure(E_POINTER);
  if (place_ != nullptr && place_ != &place) Detach();
  surface->Width = place.Width();
  surface->Height = place.Height();
  place.SetSurface(surface);
  place_ = &place;
  surface->Show();
  return *surface;
}

void Object::Detach() {
  if (place_ == nullptr) return;
  forms::Form* surface = place_->Surface();
  if (surface != nullptr) {
    surface->Hide();
    surface->SetHost(nullptr);
  }
  place_->SetSurface(nullptr);
  place_ = nullptr;
}

void Object::InitNew() { Check(Need<IPersistPropertyBag>()->InitNew()); }
void Object::Load(PropertyBag& bag) { Check(Need<IPersistPropertyBag>()->Load(&bag)); }
void Object::Save(PropertyBag& bag) { Check(Need<IPersistPropertyBag>()->Save(&bag)); }

namespace {

// The class and library registered for `progId`; "" when both are found, else what is missing.
std::string Lookup(store::Registry& reg, const std::string& progId, Guid* clsid, std::string* path) {
  const std::string clsidText = QueryDefault(reg, progId + "\\CLSID");
  if (clsidText.empty()) return "class not registered";
  const auto id = ParseGuid(clsidText);
  if (!id) return "malformed class identifier " + clsidText;
  *clsid = *id;
  *path = QueryDefault(reg, "CLSID\\" + FormatGuid(*id) + "\\InprocServer32");
  if (path->empty()) return "no library registered for class " + FormatGuid(*id);
  return {};
}

}  // namespace

Object CreateObject(store::Registry& registry, std::string_view progId) {
  const std::string name(progId);
  auto fail = [&](const std::string& why, std::string remedy = {}, bool registeringMends = true) -> Object {
    throw CreateError("Cannot create " + name + ": " + why, std::move(remedy), registeringMends);
  };
  if (name.empty()) return fail("no class name");
  Guid clsid{};
  std::string path;
  if (const std::string why = Lookup(registry, name, &clsid, &path); !why.empty()) {
    // A registry that cannot be read shows no classes; registering would only fail too.
    if (const std::string problem = registry.ReadProblem(); !problem.empty()) return fail(problem, {}, false);
    return fail(why);
  }

  // Whoever can change the library, or swap it on its way, could run code as this user.
  store::TrustCheck trust = store::CheckTrusted(path);
  // A user's registration of a library since removed (a build folder, once the program is
  // installed) gives way to the registration every user has.
  if (store::Registry* machine = registry.MachineLayer(); trust.missing && machine != nullptr) {
    Guid machineClsid{};
    std::string machinePath;
    if (Lookup(*machine, name, &machineClsid, &machinePath).empty() && machinePath != path) {
      store::TrustCheck machineTrust = store::CheckTrusted(machinePath);
      if (!machineTrust.missing) {
        std::fprintf(stderr,
                     "%s: the library %s registered for %s in %s is missing; using the one registered for every "
                     "user, %s\n",
                     program_invocation_short_name, path.c_str(), name.c_str(), registry.File().value_or("").c_str(),
                     machinePath.c_str());
        clsid = machineClsid;
        path = machinePath;
        trust = std::move(machineTrust);
      }
    }
  }
  if (!trust) return fail("library " + path + " is not loaded: " + trust.problem, trust.remedy);
  std::string error;
  std::shared_ptr<Library> library = Library::Open(std::move(trust), &error);
  if (!library) return fail(error);
  ComPtr<IClassFactory> factory;
  if (HRESULT hr = library->GetClassObject(clsid, &factory); Failed(hr))
    return fail("the library does not serve class " + FormatGuid(clsid) + " (" + HResultText(hr) + ")");
  ComPtr<IUnknown> instance;
  if (HRESULT hr = factory->CreateInstance(nullptr, IUnknown::IID, instance.Put()); Failed(hr) || !instance)
    return fail("the class object made no instance (" + HResultText(hr) + ")");
  return Object(std::move(library), std::move(instance));
}

}  // namespace com
