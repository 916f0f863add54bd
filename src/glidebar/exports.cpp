// The library's four entry points: the only symbols it exports.
#include "glidebar/glidebar_control.h"
#include "glidebar/identity.h"
#include "platform/com/registration.h"
#include "platform/store/registry.h"

#define GLIDEBAR_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

com::HRESULT Register(bool add) {
  try {
    store::Registry registry(store::Registry::RegistrationFile());
    if (!add) return com::UnregisterControl(registry, glidebar::kRegistration);
    const std::string path = com::LibraryPathOf(reinterpret_cast<const void*>(&Register));
    if (path.empty()) return com::SELFREG_E_CLASS;
    return com::RegisterControl(registry, glidebar::kRegistration, path);
  } catch (...) {
    return com::SELFREG_E_CLASS;
  }
}

}  // namespace

GLIDEBAR_EXPORT com::HRESULT DllCanUnloadNow(com::IUnknown* classObject) { return com::CanUnloadNow(classObject); }

GLIDEBAR_EXPORT com::HRESULT DllGetClassObject(const com::Guid* clsid, const com::Guid* iid, void** object) {
  if (clsid == nullptr || iid == nullptr || object == nullptr) return com::E_POINTER;
  *object = nullptr;
  if (*clsid != glidebar::kClsid) return com::CLASS_E_CLASSNOTAVAILABLE;
  try {
    auto* factory = new com::ClassFactory<glidebar::GlidebarControl>();
    com::HRESULT hr = factory->QueryInterface(*iid, object);
    factory->Release();
    return hr;
  } catch (...) {
    return com::E_OUTOFMEMORY;
  }
}

GLIDEBAR_EXPORT com::HRESULT DllRegisterServer() { return Register(true); }

GLIDEBAR_EXPORT com::HRESULT DllUnregisterServer() { return Register(false); }
