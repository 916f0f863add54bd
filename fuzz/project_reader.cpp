// Any bytes read as a project whose tracks, notes and lyrics stay within the composition's
// limits, and the tracks that were read write out and read back unchanged.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "project/msf_format.h"

namespace {

void Check(bool ok) {
  if (!ok) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace stavelark;
  const ProjectRead r = ReadProjectFile(std::span(data, size));
  Check(r.curTrack == 9 || r.curTrack < kTracks);
  Check(r.lyrics.size() <= static_cast<size_t>(kPositions));
  if (r.tempo) Check(*r.tempo >= 10 && *r.tempo <= 999 && *r.tempo == static_cast<int>(*r.tempo));
  for (const ProjectTrackRead& t : r.tracks) {
    Check(t.noteCount >= 0 && t.noteCount <= kMaxNotes);
    Check(t.notes.size() >= static_cast<size_t>(t.noteCount) && t.notes.size() <= static_cast<size_t>(kMaxNotes));
    if (t.instrument) Check(*t.instrument >= 0 && *t.instrument <= 127);
    if (t.octave) Check(*t.octave >= 0 && *t.octave <= 9);
  }

  // The tracks that were read survive a write and a second read. (A composition is a large
  // object to make, so inputs that read no track skip this.)
  bool anyTrack = false;
  for (const ProjectTrackRead& t : r.tracks) anyTrack = anyTrack || t.noteCount > 0 || t.instrument;
  if (!anyTrack) return 0;
  auto g = std::make_unique<Globals>();
  for (int t = 0; t < kTracks; ++t) {
    const ProjectTrackRead& track = r.tracks[t];
    for (int p = 0; p < track.noteCount; ++p) {
      g->NotePitch[t][p] = track.notes[p].pitch;
      g->NoteVol[t][p] = track.notes[p].volume;
      g->NoteDuration[t][p] = track.notes[p].duration;
    }
    g->NoteCount[t] = track.noteCount;
    if (track.instrument) g->TrackInstrument[t] = *track.instrument;
  }
  const ProjectRead again = ReadProjectFile(BuildProjectFile(*g, {}));
  Check(again.stoppedAtLine == 0);
  for (int t = 0; t < kTracks; ++t) {
    const ProjectTrackRead& a = r.tracks[t];
    const ProjectTrackRead& b = again.tracks[t];
    Check(a.noteCount == b.noteCount);
    for (int p = 0; p < a.noteCount; ++p)
      Check(a.notes[p].pitch == b.notes[p].pitch && a.notes[p].volume == b.notes[p].volume &&
            a.notes[p].duration == b.notes[p].duration);
    Check(b.instrument == (a.instrument ? a.instrument : int16_t{0}));
  }
  return 0;
}
