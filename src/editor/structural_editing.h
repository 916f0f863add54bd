// Commands that change the shape of the tracks: insert, delete, cut, copy, paste, repeat,
// cut start or end, clear, copy track to track.
//
// Notes move through the editor's clipboard of at most 4 tracks x 20 positions. A command
// that would make a track hold more than 10,001 notes is refused whole, with a message,
// before anything changes; no command reads or writes past position 10000.
#pragma once

#include <array>

#include "editor/globals.h"

namespace stavelark {

class Form1;
class Program;

class StructuralEditing {
 public:
  explicit StructuralEditing(Program& program) : p_(program) {}
  // Connects the Edit and Track menu items.
  void Wire(Form1& form);

  // Opens `Size` blank notes (pitch 5, the current note volume and duration) at position
  // `pos` of tracks Startrow..Endrow; the notes from there on move up. In a track that ends
  // before `pos` the blank notes are appended at its end. When all four tracks move, the
  // lyrics move with them. Callers check that the notes fit.
  void Insertion(int Startrow, int Endrow, int pos, int Size);

  void Cut_Click();
  void copy_Click();
  void paste_Click();
  void Repeat_Click();
  void Delete_Click();
  void Insert_Click();
  void Cutstart_Click();
  void Cutend_Click();
  void trktrk_Click();
  void ClrTrk_Click();
  void ClearAll_Click();

 private:
  // Opens the clipboard's slots and fills them from its rows, one clip row per target track.
  void PasteClipboardAt(int pos, int Size, int Startrow, int Endrow);
  // The tracks a Paste fills, with or without a selection (an empty range when from > to).
  void PasteTracks(bool withSelection, int& from, int& to) const;
  // Per track, the notes a Paste adds.
  std::array<long, kTracks> PasteAdds(bool withSelection) const;
  // Shows the refusal for the first track whose notes `adds` would not fit; true when refused.
  bool Overflows(const std::array<long, kTracks>& adds);

  Program& p_;
};

}  // namespace stavelark
