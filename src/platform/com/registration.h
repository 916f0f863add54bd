// The registry entries of an in-process control class, written by a control library's
// DllRegisterServer and removed by its DllUnregisterServer, all under HKEY_CLASSES_ROOT:
//
//   CLSID\{clsid}                      @ = ProgID
//   CLSID\{clsid}\InprocServer32       @ = library path, ThreadingModel = "Apartment"
//   CLSID\{clsid}\ProgID               @ = ProgID
//   CLSID\{clsid}\TypeLib              @ = {type library}
//   CLSID\{clsid}\Version              @ = type library version ("2.0")
//   CLSID\{clsid}\Control              (key only)
//   CLSID\{clsid}\ToolboxBitmap32      @ = "library path, bitmap id"
//   ProgID                             @ = ProgID
//   ProgID\CLSID                       @ = {clsid}
//   TypeLib\{lib}\<version>            @ = help string
//   TypeLib\{lib}\<version>\FLAGS      @ = library flags ("2": a control library)
//   TypeLib\{lib}\<version>\<lcid>\linux  @ = library path   (lcid in hex: "409")
//   TypeLib\{lib}\<version>\HELPDIR    @ = library folder
//   Interface\{iid}                    @ = interface name
//   Interface\{iid}\TypeLib            @ = {lib}, Version = <version>
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "platform/com/com.h"
#include "platform/store/registry.h"

namespace com {

struct InterfaceEntry {
  Guid iid;
  std::string_view name;
};

struct ControlRegistration {
  Guid clsid;
  std::string_view progId;
  Guid typeLib;
  std::string_view typeLibVersion;  // "major.minor"
  std::string_view typeLibHelp;
  uint32_t typeLibLcid;
  uint32_t typeLibFlags;
  int toolboxBitmap;
  std::span<const InterfaceEntry> interfaces;
};

inline constexpr uint32_t LIBFLAG_FCONTROL = 2;

// Writes the entries; on a failure removes what it wrote and returns SELFREG_E_CLASS.
HRESULT RegisterControl(store::Registry& registry, const ControlRegistration& control, const std::string& libraryPath);
// Removes the entries (keys of other versions and classes stay; CLSID, TypeLib and Interface
// go when nothing is left in them). Missing entries are no error; SELFREG_E_CLASS when a key
// could not be deleted.
HRESULT UnregisterControl(store::Registry& registry, const ControlRegistration& control);

// The absolute path of the shared library that holds `address` (a function of it); "" when unknown.
std::string LibraryPathOf(const void* address);

}  // namespace com
