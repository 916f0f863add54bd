#include "editor/structural_editing.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "editor/form1.h"
#include "editor/program.h"
#include "editor/score_display.h"
#include "editor/selection.h"
#include "platform/basic/basic.h"

namespace stavelark {

namespace {

constexpr int kLastPosition = kPositions - 1;
constexpr int16_t kBlankPitch = 5;  // an E on the staff, dragged to its pitch afterwards
constexpr double kRepeatBoxLeft = 4000, kRepeatBoxTop = 4000;

// The track a typed number (1..4) names, counted from 0; held to 16 bits.
int16_t TrackFromAnswer(const std::string& answer) {
  const double v = basic::RoundHalfEven(basic::Val(answer) - 1);
  if (std::isnan(v)) return -1;
  return static_cast<int16_t>(std::clamp(v, -32768.0, 32767.0));
}

bool ValidTrack(int t) { return t >= 0 && t < kTracks; }

}  // namespace

void StructuralEditing::Wire(Form1& form) {
  form.Cut.Click = [this] { Cut_Click(); };
  form.copy.Click = [this] { copy_Click(); };
  form.paste.Click = [this] { paste_Click(); };
  form.Repeat.Click = [this] { Repeat_Click(); };
  form.Delete.Click = [this] { Delete_Click(); };
  form.Insert.Click = [this] { Insert_Click(); };
  form.Cutstart.Click = [this] { Cutstart_Click(); };
  form.Cutend.Click = [this] { Cutend_Click(); };
  form.trktrk.Click = [this] { trktrk_Click(); };
  form.ClrTrk.Click = [this] { ClrTrk_Click(); };
  form.ClearAll.Click = [this] { ClearAll_Click(); };
}

void StructuralEditing::Insertion(int Startrow, int Endrow, int pos, int Size) {
  Globals& g = p_.G;
  const int from = std::max(0, Startrow), to = std::min(kTracks - 1, Endrow);
  if (Size < 0 || pos < 0) return;
  for (int t = from; t <= to; ++t)
    if (!g.TrackHasRoom(t, Size)) return;

  for (int t = from; t <= to; ++t) {
    const int count = g.NoteCount[t];
    // Past the track's end the slots open at its end, so every counted note is a filled one.
    const int start = std::min(pos, count);
    for (int n = std::min(count, kLastPosition - Size); n >= start; --n) {
      g.NotePitch[t][n + Size] = g.NotePitch[t][n];
      g.NoteVol[t][n + Size] = g.NoteVol[t][n];
      g.NoteDuration[t][n + Size] = g.NoteDuration[t][n];
    }
    for (int n = start; n < start + Size; ++n) {
      g.NotePitch[t][n] = kBlankPitch;
      g.NoteVol[t][n] = g.NoteVolumeValue;
      g.NoteDuration[t][n] = static_cast<uint8_t>(g.CurDuration);
    }
    g.NoteCount[t] = static_cast<int16_t>(count + Size);
  }

  // The lyrics belong to all four tracks: they move only when all four do. The opened
  // positions keep their old texts.
  if (to - from == kTracks - 1) {
    g.ComputeScoreLength();
    const int last = std::min(static_cast<int>(g.ScoreLength), kLastPosition - Size);
    for (int n = last; n >= pos; --n) g.Lyrics[n + Size] = g.Lyrics[n];
  }
  g.Modified = true;
  p_.ScoreDisplay().RedrawScore();
}

void StructuralEditing::PasteTracks(bool withSelection, int& from, int& to) const {
  const Globals& g = p_.G;
  if (withSelection) {
    const SelectedBlock b = SelectionBlock(g);
    from = b.trackFrom;
    to = b.trackTo;
    return;
  }
  // From the active track over the track span of the last selection (or of the last Copy
  // Track to Track, which sets the same fields), never past the last track.
  from = std::min<int>(g.ActiveTrack, kTracks - 1);
  to = std::clamp(g.ActiveTrack + (g.SelTrackTo - g.SelTrackFrom), -1, kTracks - 1);
}

std::array<long, kTracks> StructuralEditing::PasteAdds(bool withSelection) const {
  std::array<long, kTracks> adds{};
  int from = 0, to = -1;
  PasteTracks(withSelection, from, to);
  for (int t = std::max(0, from); t <= to; ++t) adds[t] = p_.G.ClipNoteCount;
  return adds;
}

bool StructuralEditing::Overflows(const std::array<long, kTracks>& adds) {
  for (int t = 0; t < kTracks; ++t) {
    if (adds[t] <= 0) continue;
    const int added = static_cast<int>(std::min<long>(adds[t], kMaxNotes + 1));
    if (p_.RefuseTrackOverflow(t, added)) return true;
  }
  return false;
}

void StructuralEditing::Insert_Click() {
  Globals& g = p_.G;
  std::array<long, kTracks> adds{};
  const SelectedBlock b = SelectionBlock(g);
  if (g.SelectionActive) {
    for (int t = b.trackFrom; t <= b.trackTo; ++t) adds[t] = 1;
  } else if (ValidTrack(g.ActiveTrack)) {
    adds[g.ActiveTrack] = 1;
  }
  if (Overflows(adds)) return;
  g.Modified = true;
  // One blank note before the first selected column of every selected track, or at the
  // start of the active track.
  if (g.SelectionActive) Insertion(b.trackFrom, b.trackTo, g.ScrollPos + b.colFrom, 1);
  else Insertion(g.ActiveTrack, g.ActiveTrack, 0, 1);
}

void StructuralEditing::copy_Click() {
  Globals& g = p_.G;
  if (!g.SelectionActive) return;
  Form1& f = p_.Form1();
  const SelectedBlock b = SelectionBlock(g);
  g.ClipTrackCount = 0;
  // Every selected position is copied, whether or not it holds a note.
  for (int t = b.trackFrom; t <= b.trackTo; ++t) {
    const int i = g.ClipTrackCount;
    g.ClipNoteCount = 0;
    for (int c = b.colFrom; c <= b.colTo; ++c) {
      const int pos = g.ScrollPos + c;
      if (pos > kLastPosition) break;
      const int j = g.ClipNoteCount;
      g.ClipPitch[i][j] = g.NotePitch[t][pos];
      g.ClipVol[i][j] = g.NoteVol[t][pos];
      g.ClipDuration[i][j] = g.NoteDuration[t][pos];
      g.ClipLyrics[j] = f.Lyric[c].Text();
      ++g.ClipNoteCount;
    }
    ++g.ClipTrackCount;
  }
}

void StructuralEditing::paste_Click() {
  Globals& g = p_.G;
  if (Overflows(PasteAdds(g.SelectionActive))) return;
  g.Modified = true;
  g.PasteSize = g.ClipNoteCount;
  if (g.SelectionActive) {
    const SelectedBlock b = SelectionBlock(g);
    g.PastePos = static_cast<int16_t>(g.ScrollPos + b.colFrom);
    PasteClipboardAt(g.PastePos, g.PasteSize, b.trackFrom, b.trackTo);
    return;
  }
  // At the end of the active track: the one position serves every target track, whatever
  // their own counts.
  const int active = g.ActiveTrack;
  g.PastePos = ValidTrack(active) ? g.NoteCount[active] : 0;
  int from = 0, to = -1;
  PasteTracks(false, from, to);
  g.PasteFromTrack = static_cast<int16_t>(from);
  g.PasteToTrack = static_cast<int16_t>(to);
  PasteClipboardAt(g.PastePos, g.PasteSize, g.PasteFromTrack, g.PasteToTrack);
}

void StructuralEditing::PasteClipboardAt(int pos, int Size, int Startrow, int Endrow) {
  Globals& g = p_.G;
  const int from = std::max(0, Startrow), to = std::min(kTracks - 1, Endrow);
  Size = std::clamp(Size, 0, kColumns);
  // Where Insertion opens each track's slots: at pos, or at the end of a shorter track.
  std::array<int, kTracks> start{};
  for (int t = from; t <= to; ++t) start[t] = std::min(pos, static_cast<int>(g.NoteCount[t]));
  bool fits = true;
  for (int t = from; t <= to; ++t) fits = fits && g.TrackHasRoom(t, Size);
  Insertion(Startrow, Endrow, pos, Size);
  if (fits) {
    // Target tracks beyond the copied ones take the rows an earlier copy left.
    int i = 0;
    for (int t = from; t <= to && i < kTracks; ++t, ++i)
      for (int j = 0; j < Size && start[t] + j <= kLastPosition; ++j) {
        g.NotePitch[t][start[t] + j] = g.ClipPitch[i][j];
        g.NoteVol[t][start[t] + j] = g.ClipVol[i][j];
        g.NoteDuration[t][start[t] + j] = g.ClipDuration[i][j];
      }
  }
  // Lyrics are not pasted.
  p_.ScoreDisplay().ClearSelectionHighlight();
  g.SelectionActive = false;
  p_.ScoreDisplay().RedrawScore();
}

void StructuralEditing::Repeat_Click() {
  Globals& g = p_.G;
  g.MsgAnswer = p_.Ws.InputBoxText("Repeat how many times?", "Paste Repeat", "0", kRepeatBoxLeft, kRepeatBoxTop);
  const std::optional<double> value = basic::ToNumber(g.MsgAnswer);
  if (!value || *value == 0) return;
  const std::optional<int64_t> rounded = basic::WholeIn(*value, -32768, 32767);
  if (!rounded) return;
  const int times = static_cast<int>(*rounded);
  if (times <= 0) return;

  // The first Paste ends any selection, so the others go to the end of the active track.
  // All of them must fit before the first runs.
  const auto first = PasteAdds(g.SelectionActive);
  const auto rest = PasteAdds(false);
  std::array<long, kTracks> total{};
  for (int t = 0; t < kTracks; ++t) total[t] = first[t] + (times - 1L) * rest[t];
  if (Overflows(total)) return;

  // Pastes of an empty clip change nothing after the first.
  const int runs = g.ClipNoteCount > 0 ? times : 1;
  for (int i = 0; i < runs; ++i) paste_Click();
}

void StructuralEditing::Delete_Click() {
  Globals& g = p_.G;
  g.Modified = true;
  if (g.SelectionActive) {
    const SelectedBlock b = SelectionBlock(g);
    const int k = b.Columns();
    const int p0 = g.ScrollPos + b.colFrom;
    int longest = -1;
    for (int t = b.trackFrom; t <= b.trackTo && k > 0; ++t) {
      const int count = g.NoteCount[t];
      longest = std::max(longest, count);
      for (int n = p0; n <= count && n + k <= kLastPosition; ++n) {
        g.NotePitch[t][n] = g.NotePitch[t][n + k];
        g.NoteVol[t][n] = g.NoteVol[t][n + k];
        g.NoteDuration[t][n] = g.NoteDuration[t][n + k];
      }
      // Only the notes that lay in the selected positions go: a selection reaching past the
      // track's end takes fewer.
      const int removed = std::clamp(count - p0, 0, k);
      g.NoteCount[t] = static_cast<int16_t>(count - removed);
    }
    // The lyrics move back once, however many tracks were selected.
    for (int n = p0; n <= longest && n <= kLastPosition; ++n)
      g.Lyrics[n] = n + k <= kLastPosition ? g.Lyrics[n + k] : std::string();
    p_.ScoreDisplay().ClearSelectionHighlight();
  } else if (ValidTrack(g.ActiveTrack) && g.NoteCount[g.ActiveTrack] > 0) {
    // The last note of the active track goes; its data stays in the arrays.
    --g.NoteCount[g.ActiveTrack];
  }
  p_.ScoreDisplay().RedrawScore();
}

void StructuralEditing::Cut_Click() {
  copy_Click();
  Delete_Click();
}

void StructuralEditing::Cutstart_Click() {
  Globals& g = p_.G;
  g.Modified = true;
  if (!g.SelectionActive) return;
  const SelectedBlock b = SelectionBlock(g);
  const int p0 = g.ScrollPos + b.colFrom;
  for (int t = b.trackFrom; t <= b.trackTo; ++t) {
    const int m = g.NoteCount[t] - p0;
    if (m < 0) {
      // The selection starts past the last note: nothing is left.
      g.NoteCount[t] = 0;
      continue;
    }
    for (int i = 0; i <= m && p0 + i <= kLastPosition; ++i) {
      g.NotePitch[t][i] = g.NotePitch[t][p0 + i];
      g.NoteVol[t][i] = g.NoteVol[t][p0 + i];
      g.NoteDuration[t][i] = g.NoteDuration[t][p0 + i];
    }
    g.NoteCount[t] = static_cast<int16_t>(m);
  }
  p_.ScoreDisplay().RedrawScore();
}

void StructuralEditing::Cutend_Click() {
  Globals& g = p_.G;
  g.Modified = true;
  if (!g.SelectionActive) return;
  const SelectedBlock b = SelectionBlock(g);
  // The clip is emptied: a following Paste opens no slots.
  g.ClipNoteCount = 0;
  if (b.HasColumns()) {
    const int p1 = g.ScrollPos + b.colTo;
    for (int t = b.trackFrom; t <= b.trackTo; ++t)
      if (p1 < g.NoteCount[t]) g.NoteCount[t] = static_cast<int16_t>(p1);
  }
  p_.ScoreDisplay().RedrawScore();
}

void StructuralEditing::ClrTrk_Click() {
  Globals& g = p_.G;
  const int answer = p_.Ws.MsgBox("Are you sure you want to erase all notes from the active track?", forms::mb::YesNo,
                                  "Confirm Clear Track");
  g.MsgAnswer = std::to_string(answer);
  if (answer != forms::mb::Yes || !ValidTrack(g.ActiveTrack)) return;
  g.SetScrollPos(0);
  g.NoteCount[g.ActiveTrack] = 0;
  g.Modified = true;
  p_.ScoreDisplay().RedrawScore();
}

void StructuralEditing::ClearAll_Click() {
  Globals& g = p_.G;
  const int answer = p_.Ws.MsgBox("Are you sure you want to erase all notes from ALL tracks?", forms::mb::YesNo,
                                  "Confirm Clear Track");
  g.MsgAnswer = std::to_string(answer);
  if (answer != forms::mb::Yes) return;
  g.ComputeScoreLength();
  // Up to one past the longest track's last note; the note arrays keep their values, only
  // the counts hide them.
  const int last = std::min(static_cast<int>(g.ScoreLength), kLastPosition);
  std::fill_n(g.Lyrics.begin(), last + 1, std::string(" "));
  g.SetScrollPos(0);
  g.NoteCount.fill(0);
  g.Modified = true;
  p_.ScoreDisplay().RedrawScore();
}

void StructuralEditing::trktrk_Click() {
  Globals& g = p_.G;
  // The highlight stays on screen until the next redraw.
  g.SelectionActive = false;
  g.MsgAnswer = p_.Ws.InputBoxText("Enter Source Track (1-4)", "Copy Track to Track", "1");
  if (g.MsgAnswer.empty()) return;
  g.SelTrackFrom = TrackFromAnswer(g.MsgAnswer);
  g.MsgAnswer = p_.Ws.InputBoxText(
      "Enter Destination Track (1-4). CAUTION, This will overright the destination track. Click Cancel to abort.",
      "Copy Track to Track", "1");
  g.SelTrackTo = TrackFromAnswer(g.MsgAnswer);
  const int source = g.SelTrackFrom, destination = g.SelTrackTo;
  if (!ValidTrack(source) || !ValidTrack(destination)) return;
  g.Modified = true;
  if (source == destination) return;
  const int count = g.NoteCount[source];
  // The destination's own notes beyond the copied length stay in the arrays, hidden by the count.
  for (int i = 0; i <= count && i <= kLastPosition; ++i) {
    g.NotePitch[destination][i] = g.NotePitch[source][i];
    g.NoteDuration[destination][i] = g.NoteDuration[source][i];
    g.NoteVol[destination][i] = g.NoteVol[source][i];
  }
  g.NoteCount[destination] = static_cast<int16_t>(count);
  p_.ScoreDisplay().RedrawScore();
}

}  // namespace stavelark
