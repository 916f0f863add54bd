#include "platform/forms/property.h"

#include "platform/basic/basic.h"

namespace forms {

PropertyBase* PropertyOwner::FindProperty(std::string_view name) const {
  for (PropertyBase* p : properties_)
    if (name == p->Name()) return p;
  return nullptr;
}

void PropertyOwner::InitPropertiesFrom(const PropertyOwner& other) {
  const auto& theirs = other.Properties();
  for (size_t i = 0; i < properties_.size() && i < theirs.size(); ++i) properties_[i]->InitFrom(*theirs[i]);
}

std::string PropertyText(bool v) { return v ? "True" : "False"; }
std::string PropertyText(int v) { return std::to_string(v); }
std::string PropertyText(double v) { return basic::CStr(v); }
std::string PropertyText(const std::string& v) { return v; }
std::string PropertyText(const Font& f) {
  return f.Name + " " + basic::CStr(f.Size) + (f.Bold ? " bold" : "") + (f.Italic ? " italic" : "");
}
std::string PropertyText(const Picture& p) { return p.IsEmpty() ? "(none)" : p.Source(); }

}  // namespace forms
