#include "editor/globals.h"

namespace stavelark {

void Globals::ComputeScoreLength() {
  ScoreLength = 0;
  for (int t = 0; t < kTracks; ++t)
    if (NoteCount[t] > ScoreLength) ScoreLength = NoteCount[t];
}

}  // namespace stavelark
