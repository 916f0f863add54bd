// A started program with helpers to lay out notes and selections for the editing tests.
#pragma once

#include <string>
#include <vector>

#include "editor/score_display.h"
#include "support/program_fixture.h"

namespace stavelark_test {

class EditTest : public ProgramTest {
 protected:
  void SetUp() override { Start(); }

  // Appends notes to a track, all alike.
  void AddNotes(int track, int count, int pitch, int duration = 3, int volume = 100) {
    for (int i = 0; i < count; ++i) {
      const int pos = G().NoteCount[track]++;
      G().NotePitch[track][pos] = static_cast<int16_t>(pitch);
      G().NoteDuration[track][pos] = static_cast<uint8_t>(duration);
      G().NoteVol[track][pos] = static_cast<uint8_t>(volume);
    }
  }
  // Appends notes whose pitch is their position (mod 25) and whose volume is 1 + position (mod 127),
  // so moved notes can be told apart.
  void AddNumbered(int track, int count, int duration = 3) {
    for (int i = 0; i < count; ++i) {
      const int pos = G().NoteCount[track]++;
      G().NotePitch[track][pos] = static_cast<int16_t>(pos % 25);
      G().NoteDuration[track][pos] = static_cast<uint8_t>(duration);
      G().NoteVol[track][pos] = static_cast<uint8_t>(1 + pos % 127);
    }
  }
  void Redraw() { P().ScoreDisplay().RedrawScore(); }
  // Selects tracks from..to, columns colFrom..colTo, as a rubber band would.
  void Select(int trackFrom, int trackTo, int colFrom, int colTo) {
    G().SelTrackFrom = static_cast<int16_t>(trackFrom);
    G().SelTrackTo = static_cast<int16_t>(trackTo);
    G().SelColFrom = static_cast<float>(colFrom);
    G().SelColTo = static_cast<float>(colTo);
    P().ScoreDisplay().HighlightSelection();
  }
  bool Choose(forms::Menu& item) { return Sys().ChooseMenu(item); }

  std::vector<int> Pitches(int track) {
    return std::vector<int>(G().NotePitch[track].begin(), G().NotePitch[track].begin() + G().NoteCount[track]);
  }
  std::vector<int> Volumes(int track) {
    return std::vector<int>(G().NoteVol[track].begin(), G().NoteVol[track].begin() + G().NoteCount[track]);
  }
  std::vector<int> Durations(int track) {
    return std::vector<int>(G().NoteDuration[track].begin(), G().NoteDuration[track].begin() + G().NoteCount[track]);
  }
  // Whether a cell shows its head red (selected).
  bool Red(int cell) { return F().Music[cell].BorderColor() == 0xFF; }
};

}  // namespace stavelark_test
