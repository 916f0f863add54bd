#include "glidebar/glidebar_control.h"

#include <string>

#include "glidebar/glidebar_surface.h"
#include "platform/basic/basic.h"

namespace glidebar {

GlidebarControl::GlidebarControl(std::shared_ptr<com::ModuleCount> count)
    : lock_(std::move(count)),
      logic_(view_, GlidebarHost{
                        [this] { return CursorPos(); },
                        [this](com::DispId event) { RaiseEvent(event); },
                        [this](std::string_view) { NotifyChanged(dispid::myvalue); },
                    }) {}

GlidebarControl::~GlidebarControl() = default;

std::string GlidebarControl::ControlView::ValueText() const {
  return control_.surface_ ? control_.surface_->ValueText.Text() : control_.memory_.ValueText();
}
void GlidebarControl::ControlView::SetValueText(const std::string& text) {
  if (control_.surface_) control_.surface_->ValueText.Text = text;
  else control_.memory_.SetValueText(text);
}
double GlidebarControl::ControlView::ThumbLeft() const {
  return control_.surface_ ? control_.surface_->AmpSlider.Left() : control_.memory_.ThumbLeft();
}
void GlidebarControl::ControlView::SetThumbLeft(double twips) {
  if (control_.surface_) control_.surface_->AmpSlider.Left = twips;
  else control_.memory_.SetThumbLeft(twips);
}

POINTAPI GlidebarControl::CursorPos() {
  // Without a window there is no cursor to read: the last position stays.
  if (!surface_) return logic_.ThumbCursorPos;
  const forms::PointApi p = surface_->System().GetCursorPos();
  return POINTAPI{p.x, p.y};
}

com::HRESULT GlidebarControl::GetSurface(forms::WindowSystem* system, forms::Form** surface) {
  if (system == nullptr || surface == nullptr) return com::E_POINTER;
  *surface = nullptr;
  if (surface_) {
    if (&surface_->System() != system) return com::E_UNEXPECTED;
    *surface = surface_.get();
    return com::S_OK;
  }
  try {
    auto made = std::make_unique<GlidebarSurface>(*system);
    // What was set before the control was shown stays.
    made->ValueText.Text.Init(memory_.ValueText());
    made->AmpSlider.Left.Init(memory_.ThumbLeft());
    made->AmpSlider.MouseDown = [this](int b, int s, double x, double y) { logic_.AmpSlider_MouseDown(b, s, x, y); };
    made->AmpSlider.MouseMove = [this](int b, int s, double x, double y) { logic_.AmpSlider_MouseMove(b, s, x, y); };
    made->AmpSlider.KeyDown = [this](int& keyCode, int shift) { logic_.AmpSlider_KeyDown(keyCode, shift); };
    made->ValueText.KeyPress = [this](int& keyAscii) { logic_.ValueText_KeyPress(keyAscii); };
    surface_ = std::move(made);
  } catch (...) {
    return com::E_FAIL;
  }
  *surface = surface_.get();
  return com::S_OK;
}

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
