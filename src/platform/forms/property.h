// Properties of forms and controls. A property holds its value; writing a different
// value tells the owner, which tells the window system's peer (so the screen follows)
// and runs the control's own reaction (an option button unchecking its neighbours).
#pragma once

#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "platform/forms/types.h"

namespace forms {

class PropertyBase;

// Anything that owns properties: forms and controls.
class PropertyOwner {
 public:
  PropertyOwner() = default;
  PropertyOwner(const PropertyOwner&) = delete;
  PropertyOwner& operator=(const PropertyOwner&) = delete;
  virtual ~PropertyOwner() = default;

  const std::vector<PropertyBase*>& Properties() const { return properties_; }
  PropertyBase* FindProperty(std::string_view name) const;
  // The same without telling anyone: for a new owner whose peer does not exist yet.
  void InitPropertiesFrom(const PropertyOwner& other);

 protected:
  friend class PropertyBase;
  virtual void PropertyChanged(PropertyBase& p) = 0;

 private:
  std::vector<PropertyBase*> properties_;
};

class PropertyBase {
 public:
  PropertyBase(PropertyOwner* owner, const char* name) : owner_(owner), name_(name) {
    owner->properties_.push_back(this);
  }
  PropertyBase(const PropertyBase&) = delete;
  PropertyBase& operator=(const PropertyBase&) = delete;
  virtual ~PropertyBase() = default;

  const char* Name() const { return name_; }
  PropertyOwner& Owner() const { return *owner_; }
  virtual void AssignFrom(const PropertyBase& other) = 0;
  // Takes the value of `other` (a property of the same type) without telling the owner.
  virtual void InitFrom(const PropertyBase& other) { AssignFrom(other); }
  virtual std::string ToString() const = 0;

 protected:
  void Changed() { owner_->PropertyChanged(*this); }

 private:
  PropertyOwner* owner_;
  const char* name_;
};

std::string PropertyText(bool v);
std::string PropertyText(int v);
std::string PropertyText(double v);
std::string PropertyText(const std::string& v);
std::string PropertyText(const Font& v);
std::string PropertyText(const Picture& v);
template <typename E>
  requires std::is_enum_v<E>
std::string PropertyText(E v) {
  return PropertyText(static_cast<int>(v));
}

template <typename T>
class Property final : public PropertyBase {
 public:
  Property(PropertyOwner* owner, const char* name, T initial = T{})
      : PropertyBase(owner, name), value_(std::move(initial)) {}

  operator const T&() const { return value_; }
  const T& operator()() const { return value_; }
  const T& Get() const { return value_; }

  Property& operator=(const T& v) {
    if (!(value_ == v)) {
      value_ = v;
      Changed();
    }
    return *this;
  }
  // Numeric properties take any arithmetic value (as the program's arithmetic produces them).
  template <typename U>
    requires(std::is_arithmetic_v<U> && std::is_arithmetic_v<T> && !std::is_same_v<U, T>)
  Property& operator=(U v) {
    return *this = static_cast<T>(v);
  }
  Property& operator=(const Property& o) { return *this = o.value_; }
  // Sets the value without telling anyone (design-time values before the peer exists).
  void Init(const T& v) { value_ = v; }

  void AssignFrom(const PropertyBase& other) override {
    *this = static_cast<const Property&>(other).value_;
  }
  void InitFrom(const PropertyBase& other) override { value_ = static_cast<const Property&>(other).value_; }
  std::string ToString() const override { return PropertyText(value_); }

 private:
  T value_;
};

// String properties also take literals.
template <>
class Property<std::string> final : public PropertyBase {
 public:
  Property(PropertyOwner* owner, const char* name, std::string initial = {})
      : PropertyBase(owner, name), value_(std::move(initial)) {}
  operator const std::string&() const { return value_; }
  const std::string& operator()() const { return value_; }
  const std::string& Get() const { return value_; }
  Property& operator=(const std::string& v) {
    if (value_ != v) {
      value_ = v;
      Changed();
    }
    return *this;
  }
  // Takes the text over without a copy (a long text read from a file).
  Property& operator=(std::string&& v) {
    if (value_ != v) {
      value_ = std::move(v);
      Changed();
    }
    return *this;
  }
  Property& operator=(const char* v) { return *this = std::string(v); }
  Property& operator=(const Property& o) { return *this = o.value_; }
  void Init(const std::string& v) { value_ = v; }
  void AssignFrom(const PropertyBase& other) override {
    *this = static_cast<const Property&>(other).value_;
  }
  void InitFrom(const PropertyBase& other) override { value_ = static_cast<const Property&>(other).value_; }
  std::string ToString() const override { return value_; }
  bool empty() const { return value_.empty(); }
  size_t size() const { return value_.size(); }
  friend bool operator==(const Property& a, std::string_view b) { return a.value_ == b; }
  friend std::string operator+(const Property& a, std::string_view b) { return a.value_ + std::string(b); }
  friend std::string operator+(std::string_view a, const Property& b) { return std::string(a) + b.value_; }

 private:
  std::string value_;
};

}  // namespace forms
