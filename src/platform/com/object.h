// Building blocks for objects that cross the library boundary: a reference-counted base that
// answers QueryInterface for the interfaces it implements, a smart pointer for interface
// pointers, and the live-object count a library's class object keeps.
#pragma once

#include <atomic>
#include <memory>
#include <new>
#include <type_traits>
#include <utility>

#include "platform/com/com.h"

namespace com {

// Implements IUnknown for an object that implements `Interfaces` (each derived from IUnknown).
// Objects are made with `new` and start with one reference, which the creator owns.
template <class First, class... Rest>
class ComObject : public First, public Rest... {
 public:
  ComObject() = default;
  ComObject(const ComObject&) = delete;
  ComObject& operator=(const ComObject&) = delete;

  HRESULT QueryInterface(const Guid& iid, void** object) override {
    if (object == nullptr) return E_POINTER;
    void* found = nullptr;
    if (iid == IUnknown::IID) found = static_cast<IUnknown*>(static_cast<First*>(this));
    else if (iid == First::IID) found = static_cast<First*>(this);
    else (void)((iid == Rest::IID ? (found = static_cast<Rest*>(this), true) : false) || ...);
    if (found == nullptr) found = QueryOther(iid);
    *object = found;
    if (found == nullptr) return E_NOINTERFACE;
    AddRef();
    return S_OK;
  }
  // The object's identity (its IUnknown), not AddRef'd.
  IUnknown* Unknown() { return static_cast<First*>(this); }

  uint32_t AddRef() override { return refs_.fetch_add(1, std::memory_order_relaxed) + 1; }
  uint32_t Release() override {
    uint32_t left = refs_.fetch_sub(1, std::memory_order_acq_rel) - 1;
    if (left == 0) delete this;
    return left;
  }

 protected:
  virtual ~ComObject() = default;
  // Further identifiers the object answers to (one of its interfaces, not AddRef'd), or null.
  virtual void* QueryOther(const Guid& /*iid*/) { return nullptr; }

 private:
  std::atomic<uint32_t> refs_{1};
};

// Owns one reference to an interface.
template <class T>
class ComPtr {
 public:
  ComPtr() = default;
  ComPtr(std::nullptr_t) {}
  // Takes over a reference the caller owns.
  static ComPtr Adopt(T* p) {
    ComPtr c;
    c.p_ = p;
    return c;
  }
  // Adds a reference of its own.
  static ComPtr Share(T* p) {
    if (p != nullptr) p->AddRef();
    return Adopt(p);
  }
  ComPtr(const ComPtr& o) : p_(o.p_) {
    if (p_ != nullptr) p_->AddRef();
  }
  ComPtr(ComPtr&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
  template <class U>
    requires std::is_convertible_v<U*, T*>
  ComPtr(ComPtr<U>&& o) noexcept : p_(o.Detach()) {}
  ComPtr& operator=(ComPtr o) noexcept {
    std::swap(p_, o.p_);
    return *this;
  }
  ~ComPtr() { Reset(); }

  T* Get() const { return p_; }
  T* operator->() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }
  void Reset() {
    if (T* p = std::exchange(p_, nullptr)) p->Release();
  }
  T* Detach() { return std::exchange(p_, nullptr); }
  // For out-parameters: releases what is held and gives the slot.
  void** Put() {
    Reset();
    return reinterpret_cast<void**>(&p_);
  }
  // The same object as interface U, or null.
  template <class U>
  ComPtr<U> As() const {
    ComPtr<U> u;
    if (p_ != nullptr) p_->QueryInterface(U::IID, u.Put());
    return u;
  }

 private:
  T* p_ = nullptr;
};

// Counts the objects (and server locks) that keep a library in use. A class object owns one
// and every object it makes holds a ModuleLock on it.
class ModuleCount {
 public:
  int Live() const { return live_.load(std::memory_order_acquire); }
  void Add() { live_.fetch_add(1, std::memory_order_relaxed); }
  void Remove() { live_.fetch_sub(1, std::memory_order_acq_rel); }

 private:
  std::atomic<int> live_{0};
};

class ModuleLock {
 public:
  explicit ModuleLock(std::shared_ptr<ModuleCount> count) : count_(std::move(count)) {
    if (count_) count_->Add();
  }
  ~ModuleLock() {
    if (count_) count_->Remove();
  }
  ModuleLock(const ModuleLock&) = delete;
  ModuleLock& operator=(const ModuleLock&) = delete;

 private:
  std::shared_ptr<ModuleCount> count_;
};

// A class object's report of its module count, for DllCanUnloadNow.
class IModuleState : public IUnknown {
 public:
  static constexpr Guid IID = GuidOf("{6F0A7E4C-2B1D-4E8A-9C3F-5D7B8A1E2C40}");
  virtual int32_t LiveObjects() = 0;

 protected:
  ~IModuleState() = default;
};

// The class object of class T: T's constructor takes the module count.
template <class T>
class ClassFactory final : public ComObject<IClassFactory, IModuleState> {
 public:
  ClassFactory() : count_(std::make_shared<ModuleCount>()) {}

  HRESULT CreateInstance(IUnknown* outer, const Guid& iid, void** object) override {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (outer != nullptr) return CLASS_E_NOAGGREGATION;
    T* instance = nullptr;
    try {
      instance = new T(count_);
    } catch (const std::bad_alloc&) {
      return E_OUTOFMEMORY;
    } catch (...) {
      return E_FAIL;
    }
    HRESULT hr = instance->QueryInterface(iid, object);
    instance->Release();
    return hr;
  }
  HRESULT LockServer(bool lock) override {
    if (lock) count_->Add();
    else count_->Remove();
    return S_OK;
  }
  int32_t LiveObjects() override { return count_->Live(); }

 private:
  std::shared_ptr<ModuleCount> count_;
};

// The answer of DllCanUnloadNow for a class object made by ClassFactory.
inline HRESULT CanUnloadNow(IUnknown* classObject) {
  if (classObject == nullptr) return E_POINTER;
  ComPtr<IModuleState> state = ComPtr<IUnknown>::Share(classObject).As<IModuleState>();
  if (!state) return E_INVALIDARG;
  return state->LiveObjects() == 0 ? S_OK : S_FALSE;
}

}  // namespace com
