// The composition root: the window system, the program-wide state, every window (each made
// on its first use, as the program's windows are) and the topic classes that hold the main
// window's procedures. main() and the tests both build a Program.
#pragma once

#include <memory>
#include <vector>

#include "editor/globals.h"
#include "platform/forms/forms.h"

namespace stavelark {

class Form1;
class TrackInst;
class OptionForm;

class Program {
 public:
  explicit Program(forms::WindowSystem& ws);
  ~Program();
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  forms::WindowSystem& Ws;
  Globals& G;

  // The windows. Each accessor makes its window on first use (which runs its Form_Load);
  // a window that was unloaded is made afresh on the next use.
  stavelark::Form1& Form1();
  stavelark::TrackInst& TrackInst();
  stavelark::OptionForm& OptionForm();

  // Whether a window exists yet (without making it).
  bool HasForm1() const { return form1_ != nullptr; }

 private:
  // Makes (or remakes, when the old one was unloaded) a window and loads it.
  template <typename W>
  W& Use(std::unique_ptr<W>& slot) {
    if (slot && !slot->IsLoaded()) retired_.push_back(std::move(slot));
    if (!slot) {
      slot = std::make_unique<W>(*this);
      slot->Load();
    }
    return *slot;
  }

  std::unique_ptr<Globals> globals_;
  std::unique_ptr<stavelark::Form1> form1_;
  std::unique_ptr<stavelark::TrackInst> trackInst_;
  std::unique_ptr<stavelark::OptionForm> optionForm_;
  // Unloaded windows are kept until the end: one of their handlers may still be running.
  std::vector<std::unique_ptr<forms::Form>> retired_;
};

}  // namespace stavelark
