// Who the Glidebar control is: its type library, class, interfaces, members and events, the
// type-library description, the resources and the version block the library carries.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

#include "platform/com/com.h"
#include "platform/com/registration.h"

namespace glidebar {

inline constexpr com::Guid kTypeLibId = com::GuidOf("{85DC30FD-F848-420E-A5BF-8FE00F2E9226}");
inline constexpr com::Guid kClsid = com::GuidOf("{DF5E0D08-FCEF-49DD-9CA0-DFBEF1A98458}");
inline constexpr com::Guid kIidGlidebar = com::GuidOf("{75DD98D7-88A4-4A5E-82F5-A22EB00A5948}");        // _Glidebar
inline constexpr com::Guid kIidGlidebarEvents = com::GuidOf("{5E0C76ED-65CB-4F58-8348-A7CEA1ED0738}");  // __Glidebar
inline constexpr com::Guid kPointApiRecordId = com::GuidOf("{7D2C2680-E5C1-4A2C-B99D-B5C20DA65700}");   // POINTAPI

inline constexpr std::string_view kProgId = "GlidebarControl.Glidebar";
inline constexpr std::string_view kLibraryName = "GlidebarControl";
inline constexpr uint32_t kLcid = 1033;
inline constexpr std::string_view kTypeLibVersion = "2.0";
inline constexpr std::string_view kFileVersion = "2.00";

// Extent of the control on its host's form, HiMetric.
inline constexpr com::SizeL kExtent{4366, 1640};

namespace dispid {
inline constexpr com::DispId myvalue = 0x68030000;
inline constexpr com::DispId Max = 0x68030001;
}  // namespace dispid

namespace event {
inline constexpr com::DispId Click = 1;
inline constexpr com::DispId MouseMove = 2;
inline constexpr com::DispId MouseUp = 3;
}  // namespace event

// A cursor position in screen pixels.
struct POINTAPI {
  int32_t X = 0;
  int32_t Y = 0;
};

// ---- type-library description (resource "TYPELIB", id 1) ----

enum class TypeKind { CoClass, Dual, DispInterface, Record };
enum class MemberKind { PropertyGet, PropertyLet, Event, Field };

// Type flags.
inline constexpr uint32_t TYPEFLAG_FCONTROL = 0x20;
inline constexpr uint32_t TYPEFLAG_FHIDDEN = 0x10;
inline constexpr uint32_t TYPEFLAG_FDUAL = 0x40;
inline constexpr uint32_t TYPEFLAG_FNONEXTENSIBLE = 0x80;
inline constexpr uint32_t TYPEFLAG_FOLEAUTOMATION = 0x100;

struct MemberInfo {
  std::string_view name;
  com::DispId id;
  MemberKind kind;
  std::string_view type;  // "String" (by reference for a let), "Long"; empty for an event
};

struct TypeInfo {
  std::string_view name;
  com::Guid id;
  TypeKind kind;
  uint32_t flags;
  std::span<const MemberInfo> members;
  com::Guid defaultInterface{};  // of a class
  com::Guid sourceInterface{};   // of a class: its events
};

struct TypeLibrary {
  std::string_view name;
  com::Guid id;
  std::string_view version;
  uint32_t lcid;
  uint32_t flags;
  std::string_view helpString;
  std::span<const TypeInfo> types;
};

inline constexpr MemberInfo kGlidebarMembers[] = {
    {"Max", dispid::Max, MemberKind::PropertyGet, "String"},
    {"Max", dispid::Max, MemberKind::PropertyLet, "String"},
    {"myvalue", dispid::myvalue, MemberKind::PropertyGet, "String"},
    {"myvalue", dispid::myvalue, MemberKind::PropertyLet, "String"},
};
inline constexpr MemberInfo kGlidebarEvents[] = {
    {"Click", event::Click, MemberKind::Event, ""},
    {"MouseMove", event::MouseMove, MemberKind::Event, ""},
    {"MouseUp", event::MouseUp, MemberKind::Event, ""},
};
inline constexpr MemberInfo kPointApiFields[] = {
    {"X", 0, MemberKind::Field, "Long"},
    {"Y", 1, MemberKind::Field, "Long"},
};
inline constexpr TypeInfo kTypes[] = {
    {"Glidebar", kClsid, TypeKind::CoClass, TYPEFLAG_FCONTROL, {}, kIidGlidebar, kIidGlidebarEvents},
    {"_Glidebar", kIidGlidebar, TypeKind::Dual,
     TYPEFLAG_FHIDDEN | TYPEFLAG_FDUAL | TYPEFLAG_FNONEXTENSIBLE | TYPEFLAG_FOLEAUTOMATION, kGlidebarMembers},
    {"__Glidebar", kIidGlidebarEvents, TypeKind::DispInterface, TYPEFLAG_FHIDDEN, kGlidebarEvents},
    {"POINTAPI", kPointApiRecordId, TypeKind::Record, 0, kPointApiFields},
};

inline constexpr TypeLibrary kTypeLibrary{kLibraryName, kTypeLibId, kTypeLibVersion, kLcid, com::LIBFLAG_FCONTROL,
                                          "GlidebarControl", kTypes};

// ---- resources ----

// An interface identifier as a resource: a 32-bit length (16) and the identifier's 16 bytes in
// its binary layout (little-endian fields).
constexpr std::array<uint8_t, 20> IidResource(const com::Guid& g) {
  std::array<uint8_t, 20> r{16, 0, 0, 0};
  for (int i = 0; i < 4; ++i) r[4 + i] = static_cast<uint8_t>(g.Data1 >> (8 * i));
  for (int i = 0; i < 2; ++i) r[8 + i] = static_cast<uint8_t>(g.Data2 >> (8 * i));
  for (int i = 0; i < 2; ++i) r[10 + i] = static_cast<uint8_t>(g.Data3 >> (8 * i));
  for (int i = 0; i < 8; ++i) r[12 + i] = g.Data4[i];
  return r;
}

struct NamedResource {
  std::string_view name;
  std::array<uint8_t, 20> bytes;
};
inline constexpr NamedResource kIidResources[] = {
    {"_IID_GLIDEBAR", IidResource(kIidGlidebar)},
    {"_SRCIID_GLIDEBAR", IidResource(kIidGlidebarEvents)},
};

inline constexpr int kToolboxBitmapId = 30000;

struct VersionBlock {
  std::string_view fileVersion;
  std::string_view productVersion;
  bool oleSelfRegister;
};
inline constexpr VersionBlock kVersion{kFileVersion, kFileVersion, true};

// ---- registration ----

inline constexpr com::InterfaceEntry kRegisteredInterfaces[] = {
    {kIidGlidebar, "_Glidebar"},
    {kIidGlidebarEvents, "__Glidebar"},
};
inline constexpr com::ControlRegistration kRegistration{
    kClsid,      kProgId, kTypeLibId, kTypeLibVersion, kTypeLibrary.helpString, kLcid, kTypeLibrary.flags,
    kToolboxBitmapId, kRegisteredInterfaces};

}  // namespace glidebar
