#include "glidebar/glidebar_control.h"

#include <string>

#include "platform/basic/basic.h"

namespace glidebar {

GlidebarControl::GlidebarControl(std::shared_ptr<com::ModuleCount> count)
    : lock_(std::move(count)),
      logic_(view_, GlidebarHost{
                        // Without a window there is no cursor to read: it stays where it was.
                        [this] { return logic_.ThumbCursorPos; },
                        [this](com::DispId event) { RaiseEvent(event); },
                        [this](std::string_view) { NotifyChanged(dispid::myvalue); },
                    }) {}

GlidebarControl::~GlidebarControl() = default;

void* GlidebarControl::QueryOther(const com::Guid& iid) {
  // The default interface _Glidebar is a dual interface: its properties are those of IDispatch.
  if (iid == kIidGlidebar) return static_cast<com::IDispatch*>(this);
  return nullptr;
}

com::HRESULT GlidebarControl::GetProperty(com::DispId id, char** value) {
  if (value == nullptr) return com::E_POINTER;
  *value = nullptr;
  std::string text;
  if (id == dispid::myvalue) text = logic_.myvalue();
  else if (id == dispid::Max) text = logic_.Max();
  else return com::DISP_E_MEMBERNOTFOUND;
  *value = com::AllocText(text);
  return *value != nullptr ? com::S_OK : com::E_OUTOFMEMORY;
}

com::HRESULT GlidebarControl::PutProperty(com::DispId id, const char* value) {
  if (value == nullptr) return com::E_POINTER;
  try {
    if (id == dispid::myvalue) logic_.Letmyvalue(value);
    else if (id == dispid::Max) logic_.LetMax(value);
    else return com::DISP_E_MEMBERNOTFOUND;
  } catch (const basic::RuntimeError& e) {
    return com::HResultFromError(e.number);
  } catch (...) {
    return com::E_FAIL;
  }
  return com::S_OK;
}

com::HRESULT GlidebarControl::Advise(const com::Guid& sourceIid, com::IEventSink* sink, uint32_t* cookie) {
  if (sink == nullptr || cookie == nullptr) return com::E_POINTER;
  if (sourceIid != kIidGlidebarEvents) return com::CONNECT_E_NOCONNECTION;
  *cookie = nextCookie_++;
  sinks_.emplace_back(*cookie, com::ComPtr<com::IEventSink>::Share(sink));
  return com::S_OK;
}

com::HRESULT GlidebarControl::Unadvise(uint32_t cookie) {
  for (auto it = sinks_.begin(); it != sinks_.end(); ++it) {
    if (it->first == cookie) {
      sinks_.erase(it);
      return com::S_OK;
    }
  }
  return com::CONNECT_E_NOCONNECTION;
}

void GlidebarControl::RaiseEvent(com::DispId event) {
  // A sink may unadvise while it hears the event: call a copy of the list.
  auto sinks = sinks_;
  for (auto& [cookie, sink] : sinks) sink->OnEvent(event);
}

void GlidebarControl::NotifyChanged(com::DispId property) {
  auto sinks = sinks_;
  for (auto& [cookie, sink] : sinks) sink->OnPropertyChanged(property);
}

com::HRESULT GlidebarControl::InitNew() { return com::S_OK; }

com::HRESULT GlidebarControl::Load(com::IPropertyBag* bag) {
  if (bag == nullptr) return com::E_POINTER;
  logic_.ReadProperties();
  return com::S_OK;
}

com::HRESULT GlidebarControl::Save(com::IPropertyBag* bag) {
  if (bag == nullptr) return com::E_POINTER;
  try {
    for (const PropertyWrite& w : logic_.WriteProperties()) {
      if (w.value == w.defaultValue) continue;  // a default value is not stored
      if (com::HRESULT hr = bag->Write(w.name.c_str(), w.value.c_str()); com::Failed(hr)) return hr;
    }
  } catch (...) {
    return com::E_FAIL;
  }
  return com::S_OK;
}

com::HRESULT GlidebarControl::GetExtent(com::SizeL* himetric) {
  if (himetric == nullptr) return com::E_POINTER;
  *himetric = kExtent;
  return com::S_OK;
}

}  // namespace glidebar
