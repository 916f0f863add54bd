#include "editor/globals.h"

namespace stavelark {

void Globals::ComputeScoreLength() {
  ScoreLength = 0;
  for (int t = 0; t < kTracks; ++t)
    if (NoteCount[t] > ScoreLength) ScoreLength = NoteCount[t];
}

void Globals::SetScrollPos(double position) {
  if (!(position > 0)) position = 0;  // NaN too
  if (position > kMaxScrollPos) position = kMaxScrollPos;
  ScrollPos = static_cast<int16_t>(position);
}

bool Globals::TrackHasRoom(int track, int added) const {
  if (track < 0 || track >= kTracks) return false;
  return static_cast<long>(NoteCount[track]) + added <= kMaxNotes;
}

}  // namespace stavelark
