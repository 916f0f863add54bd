// The Glidebar control as a COM object: its properties by DISPID, its events, its saved
// properties and its extent, over GlidebarLogic.
#pragma once

#include <memory>
#include <utility>
#include <vector>

#include "glidebar/glidebar_logic.h"
#include "platform/com/object.h"

namespace glidebar {

class GlidebarControl final
    : public com::ComObject<com::IDispatch, com::IEventSource, com::IPersistPropertyBag, com::IOleObject> {
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

  GlidebarLogic& Logic() { return logic_; }

 protected:
  ~GlidebarControl() override;
  void* QueryOther(const com::Guid& iid) override;

 private:
  void RaiseEvent(com::DispId event);
  void NotifyChanged(com::DispId property);

  com::ModuleLock lock_;
  MemoryView view_;
  GlidebarLogic logic_;
  std::vector<std::pair<uint32_t, com::ComPtr<com::IEventSink>>> sinks_;
  uint32_t nextCookie_ = 1;
};

}  // namespace glidebar
