// The selection as the commands walk it: the block of tracks and screen columns that
// SelTrackFrom..SelTrackTo and SelColFrom..SelColTo name, held to the score's four tracks and
// 20 columns (a range reaching outside them covers only what lies inside; a reversed range
// covers nothing).
#pragma once

#include "editor/globals.h"

namespace stavelark {

struct SelectedBlock {
  int trackFrom = 0, trackTo = -1;
  int colFrom = 0, colTo = -1;

  bool HasTracks() const { return trackFrom <= trackTo; }
  bool HasColumns() const { return colFrom <= colTo; }
  int Columns() const { return HasColumns() ? colTo - colFrom + 1 : 0; }
};

// The current selection's block (whether or not SelectionActive is set).
SelectedBlock SelectionBlock(const Globals& g);

}  // namespace stavelark
