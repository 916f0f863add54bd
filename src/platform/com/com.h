// The binary contract between the program and its control libraries: result codes, the
// reference-counted interfaces a control offers, and the library's C entry points.
//
// Interfaces are abstract classes with virtual functions only, so their layout is the same on
// both sides of the library boundary; objects live by AddRef/Release; no exception crosses an
// interface call: failures are result codes (HRESULT). Texts are UTF-8; a text handed out by a
// call is allocated with AllocText and the receiver frees it with FreeText.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "platform/com/guid.h"

namespace forms {
class Form;
class WindowSystem;
}  // namespace forms

namespace com {

using HRESULT = int32_t;
using DispId = int32_t;

constexpr HRESULT MakeHResult(uint32_t value) { return static_cast<HRESULT>(value); }

inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT S_FALSE = 1;
inline constexpr HRESULT E_NOTIMPL = MakeHResult(0x80004001);
inline constexpr HRESULT E_NOINTERFACE = MakeHResult(0x80004002);
inline constexpr HRESULT E_POINTER = MakeHResult(0x80004003);
inline constexpr HRESULT E_FAIL = MakeHResult(0x80004005);
inline constexpr HRESULT E_UNEXPECTED = MakeHResult(0x8000FFFF);
inline constexpr HRESULT E_OUTOFMEMORY = MakeHResult(0x8007000E);
inline constexpr HRESULT E_INVALIDARG = MakeHResult(0x80070057);
inline constexpr HRESULT DISP_E_MEMBERNOTFOUND = MakeHResult(0x80020003);
inline constexpr HRESULT DISP_E_TYPEMISMATCH = MakeHResult(0x80020005);
inline constexpr HRESULT CLASS_E_NOAGGREGATION = MakeHResult(0x80040110);
inline constexpr HRESULT CLASS_E_CLASSNOTAVAILABLE = MakeHResult(0x80040111);
inline constexpr HRESULT REGDB_E_CLASSNOTREG = MakeHResult(0x80040154);
inline constexpr HRESULT CONNECT_E_NOCONNECTION = MakeHResult(0x80040200);
inline constexpr HRESULT CONNECT_E_CANNOTCONNECT = MakeHResult(0x80040202);
inline constexpr HRESULT SELFREG_E_TYPELIB = MakeHResult(0x80040200);
inline constexpr HRESULT SELFREG_E_CLASS = MakeHResult(0x80040201);

constexpr bool Succeeded(HRESULT hr) { return hr >= 0; }
constexpr bool Failed(HRESULT hr) { return hr < 0; }

// A run-time error raised inside a control travels as a result code of the control facility
// (0x800A0000 | number); the host turns it back into the same error number.
constexpr HRESULT HResultFromError(int number) { return MakeHResult(0x800A0000u | (static_cast<uint32_t>(number) & 0xFFFFu)); }
// The error number the host raises for a failed call: the control's own error number, 13 for a
// type mismatch, else the result code itself.
constexpr int ErrorFromHResult(HRESULT hr) {
  if ((static_cast<uint32_t>(hr) & 0xFFFF0000u) == 0x800A0000u) return static_cast<int>(hr & 0xFFFF);
  if (hr == DISP_E_TYPEMISMATCH) return 13;
  return hr;
}
// "0x80040154"
std::string HResultText(HRESULT hr);

// Texts handed across the boundary.
inline char* AllocText(std::string_view text) {
  char* p = static_cast<char*>(std::malloc(text.size() + 1));
  if (p != nullptr) {
    std::memcpy(p, text.data(), text.size());
    p[text.size()] = '\0';
  }
  return p;
}
inline void FreeText(char* text) { std::free(text); }

// A size in HiMetric units (hundredths of a millimetre).
struct SizeL {
  int32_t cx = 0;
  int32_t cy = 0;
  bool operator==(const SizeL&) const = default;
};

// Every interface derives from IUnknown. Destruction goes through Release only.
class IUnknown {
 public:
  static constexpr Guid IID = GuidOf("{00000000-0000-0000-C000-000000000046}");
  virtual HRESULT QueryInterface(const Guid& iid, void** object) = 0;
  virtual uint32_t AddRef() = 0;
  virtual uint32_t Release() = 0;

 protected:
  ~IUnknown() = default;
};

// A library's class object: makes instances of one class.
class IClassFactory : public IUnknown {
 public:
  static constexpr Guid IID = GuidOf("{00000001-0000-0000-C000-000000000046}");
  // `outer` must be null (no aggregation).
  virtual HRESULT CreateInstance(IUnknown* outer, const Guid& iid, void** object) = 0;
  // Keeps the library loaded while locked (counts like a live object).
  virtual HRESULT LockServer(bool lock) = 0;

 protected:
  ~IClassFactory() = default;
};

// Properties by DISPID. Values are texts. An unknown DISPID is DISP_E_MEMBERNOTFOUND; a value the
// property refuses comes back as the control's error (HResultFromError).
class IDispatch : public IUnknown {
 public:
  static constexpr Guid IID = GuidOf("{37B567AF-4034-4926-B7F6-0F115BE33327}");
  virtual HRESULT GetProperty(DispId id, char** value) = 0;  // *value: free with FreeText
  virtual HRESULT PutProperty(DispId id, const char* value) = 0;

 protected:
  ~IDispatch() = default;
};

// What a host gives a control to hear its events and property changes.
class IEventSink : public IUnknown {
 public:
  static constexpr Guid IID = GuidOf("{8771806B-3D60-4D13-9FA0-78AACFFF530D}");
  virtual HRESULT OnEvent(DispId event) = 0;
  virtual HRESULT OnPropertyChanged(DispId property) = 0;

 protected:
  ~IEventSink() = default;
};

// A control's outgoing events. `sourceIid` names the event interface the host listens to; a
// control refuses one it does not raise with CONNECT_E_NOCONNECTION.
class IEventSource : public IUnknown {
 public:
  static constexpr Guid IID = GuidOf("{4E9FA4E5-38B6-4BBA-BFD5-82136A1DB63F}");
  virtual HRESULT Advise(const Guid& sourceIid, IEventSink* sink, uint32_t* cookie) = 0;
  virtual HRESULT Unadvise(uint32_t cookie) = 0;

 protected:
  ~IEventSource() = default;
};

// The host's store of a control's saved properties. Read gives E_INVALIDARG for a missing name.
class IPropertyBag : public IUnknown {
 public:
  static constexpr Guid IID = GuidOf("{97A87CE6-09F7-48F5-BD00-A821A0634689}");
  virtual HRESULT Read(const char* name, char** value) = 0;  // *value: free with FreeText
  virtual HRESULT Write(const char* name, const char* value) = 0;

 protected:
  ~IPropertyBag() = default;
};

// Saving and restoring a control's properties through a property bag.
class IPersistPropertyBag : public IUnknown {
 public:
  static constexpr Guid IID = GuidOf("{3D1CCED4-204F-4937-B834-A376F271840C}");
  virtual HRESULT InitNew() = 0;
  virtual HRESULT Load(IPropertyBag* bag) = 0;
  virtual HRESULT Save(IPropertyBag* bag) = 0;

 protected:
  ~IPersistPropertyBag() = default;
};

// The control as an embedded object: its size on the host's form.
class IOleObject : public IUnknown {
 public:
  static constexpr Guid IID = GuidOf("{1D202CB2-A900-4522-A00C-378A1F804BB1}");
  virtual HRESULT GetExtent(SizeL* himetric) = 0;

 protected:
  ~IOleObject() = default;
};

// The control's visible side: a form of the host's window system (a "user control") holding the
// control's constituents. The control makes it on the first call and owns it; it stays valid while
// the control lives. A later call with the same window system gives the same form; one with
// another window system fails with E_UNEXPECTED. The host shows it at its placeholder (forms::HostedControl::SetSurface).
class IViewSurface : public IUnknown {
 public:
  static constexpr Guid IID = GuidOf("{0B5E7D21-6C43-4F9A-8E12-3A4D5C6B7E80}");
  virtual HRESULT GetSurface(forms::WindowSystem* system, forms::Form** surface) = 0;

 protected:
  ~IViewSurface() = default;
};

// The C entry points every control library exports.
//
// DllGetClassObject: the class object (an IClassFactory) of `clsid`, asked for as `iid`;
//   CLASS_E_CLASSNOTAVAILABLE for a class the library does not serve.
// DllCanUnloadNow: S_OK when nothing made through `classObject` (a class object this library
//   handed out) is alive and it holds no server lock, else S_FALSE. The library keeps no
//   process-wide counters, so the caller names the class object it holds.
// DllRegisterServer / DllUnregisterServer: write / remove the library's classes in the per-user
//   registry (HKEY_CLASSES_ROOT of store::Registry::DefaultFile()).
extern "C" {
using DllCanUnloadNowFn = HRESULT (*)(IUnknown* classObject);
using DllGetClassObjectFn = HRESULT (*)(const Guid* clsid, const Guid* iid, void** object);
using DllRegisterServerFn = HRESULT (*)();
using DllUnregisterServerFn = HRESULT (*)();
}

}  // namespace com
