// The Glidebar control as a COM object: its properties by DISPID, its events, its saved
// properties and its extent, over GlidebarLogic.
#pragma once

#include <memory>
#include <utility>
#include <vector>

#include "glidebar/glidebar_logic.h"
#include "platform/com/object.h"

namespace glidebar {

class GlidebarSurface;

class GlidebarControl final : public com::ComObject<com::IDispatch, com::IEventSource, com::IPersistPropertyBag,
                                                    com::IOleObject, com::IViewSurface> {
 public:
  explicit GlidebarControl(std::shared_ptr<com::ModuleCount> count);

  // IDispatch: `myvalue` and `Max`.
  com::HRESULT GetProperty(com::DispId id, char** value) override;
  com::HRESULT PutProperty(com::DispId id, const char* value) override;
  // IEventSource: sinks of __Glidebar.
  com::HRESULT Advise(const com::Guid& sourceIid, com::IEventSink* sink, uint32_t* cookie) override;
  com::HRESULT Unadvise(uint32_t cookie) override;
  // IPersistPropertyBag
  com::HRESULT InitNew() override;
  com::HRESULT Load(com::IPropertyBag* bag) override;
  com::HRESULT Save(com::IPropertyBag* bag) override;
  // IOleObject
  com::HRESULT GetExtent(com::SizeL* himetric) override;
  // IViewSurface: the constituents on a form of the host's window system.
  com::HRESULT GetSurface(forms::WindowSystem* system, forms::Form** surface) override;

  GlidebarLogic& Logic() { return logic_; }

 protected:
  ~GlidebarControl() override;
  void* QueryOther(const com::Guid& iid) override;

 private:
  void RaiseEvent(com::DispId event);
  void NotifyChanged(com::DispId property);

  // The value text and the thumb: in memory until the surface exists, then its controls.
  class ControlView final : public GlidebarView {
   public:
    explicit ControlView(GlidebarControl& control) : control_(control) {}
    std::string ValueText() const override;
    void SetValueText(const std::string& text) override;
    double ThumbLeft() const override;
    void SetThumbLeft(double twips) override;

   private:
    GlidebarControl& control_;
  };

  POINTAPI CursorPos();

  com::ModuleLock lock_;
  MemoryView memory_;
  std::unique_ptr<GlidebarSurface> surface_;
  ControlView view_{*this};
  GlidebarLogic logic_;
  std::vector<std::pair<uint32_t, com::ComPtr<com::IEventSink>>> sinks_;
  uint32_t nextCookie_ = 1;
};

}  // namespace glidebar
