#include "project/project_files.h"

#include <array>
#include <span>
#include <vector>

#include "editor/form1.h"
#include "project/option_form.h"
#include "editor/program.h"
#include "editor/score_display.h"
#include "editor/track_inst.h"
#include "platform/basic/basic.h"
#include "project/msf_format.h"
#include "sound/midi_files.h"
#include "sound/file_io.h"
#include "sound/midi_writer.h"

namespace stavelark {

namespace {

// Each pattern in both cases: the file system tells them apart.
constexpr const char* kOpenFilter = "All Files (*.*)|*.*|MIDI Source Files (*.MSF)|*.msf *.MSF";
constexpr const char* kSaveFilter =
    "All Files (*.*)|*.*|MIDI Source Files (*.MSF)|*.msf *.MSF|MIDI Files (*.mid)|*.mid *.MID";
constexpr const char* kMidiFilter = "All Files (*.*)|*.*|MIDI Files (*.Mid)|*.mid *.MID";

constexpr const char* kUntitled = "Untitled";
constexpr const char* kCaptionPrefix = "Stavelark - ";

// The effect menu items, in the order of kEffectKeywords.
std::array<forms::Menu*, kEffectCount> EffectItems(Form1& f) {
  return {&f.distortion, &f.echo, &f.Chorus, &f.Flanger, &f.Compressor, &f.Gargle, &f.Para, &f.Reverb};
}

// The largest composition saves to well under a megabyte; a file far beyond that is none of
// ours, and reading it would only fill the memory.
constexpr size_t kMaxProjectFileBytes = 64u << 20;

// The start of a text for a message: at most `limit` characters (UTF-8 sequences kept whole).
std::string Shortened(const std::string& text, size_t limit) {
  size_t chars = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if ((static_cast<uint8_t>(text[i]) & 0xC0) == 0x80) continue;
    if (chars++ == limit) return text.substr(0, i) + "...";
  }
  return text;
}

}  // namespace

void ProjectFiles::Wire(Form1& form) {
  form.New.Click = [this] { New_Click(); };
  form.Open.Click = [this] { Open_Click(); };
  form.Save.Click = [this] { Save_Click(); };
  form.SaveMidi.Click = [this] { SaveMidi_Click(); };
}

void ProjectFiles::New_Click() {
  if (p_.G.PlayFileBusy) return;
  NewComposition();
}

bool ProjectFiles::NewComposition() {
  Globals& g = p_.G;
  if (!PromptSaveChanges()) return false;
  g.NoteCount.fill(0);
  g.SetScrollPos(0);
  g.CompositionName = kUntitled;
  p_.Form1().Caption = kCaptionPrefix + g.CompositionName;
  p_.OptionForm().CompName.Text = g.CompositionName;
  p_.ScoreDisplay().RedrawScore();
  return true;
}

void ProjectFiles::Open_Click() {
  Globals& g = p_.G;
  if (g.PlayFileBusy) return;
  if (!NewComposition()) return;
  Form1& f = p_.Form1();

  if (!g.OpenFilePath.empty()) {
    g.CurrentFilePath = g.OpenFilePath;
    g.OpenFilePath.clear();
  } else {
    const std::optional<std::string> chosen = AskForFile(false, kOpenFilter);
    if (!chosen) return;
    g.CurrentFilePath = *chosen;
  }
  if (g.CurrentFilePath.empty()) return;
  const std::string path = g.CurrentFilePath;

  // A file that can't be opened changes nothing beyond what New did. The file's bytes go as
  // soon as they are read, so reading takes little more memory than the file's own size.
  ProjectRead read;
  {
    const std::optional<std::vector<uint8_t>> bytes = ReadRegularFile(path, kMaxProjectFileBytes);
    if (!bytes) {
      p_.Ws.MsgBox("The file " + FileNameWithoutFolders(path) + " could not be opened.", forms::mb::Information,
                   "Open");
      return;
    }
    read = ReadProjectFile(*bytes);
  }

  for (forms::Menu* item : EffectItems(f)) item->Checked = false;
  if (f.BassClef.Checked()) p_.ScoreDisplay().BassClef_Click();
  g.NoteCount.fill(0);
  g.TrackInstrument.fill(0);
  g.CurTrack = 9;

  const int stoppedAtLine = read.stoppedAtLine;
  ApplyRead(std::move(read));

  g.CompositionName = FileNameWithoutFolders(path);
  for (int t = 0; t < kTracks; ++t)
    f.InstLabel[t].ToolTipText = p_.TrackInst().Option1[g.TrackInstrument[t]].Caption();
  p_.TrackInst().ShowTrackInstruments();
  f.Caption = kCaptionPrefix + g.CompositionName;
  g.ComputeScoreLength();
  g.SetScrollPos(g.ScoreLength < 1 ? 1.0 : basic::RoundHalfEven(g.ScoreLength - 10.0));
  p_.ScoreDisplay().RedrawScore();

  if (stoppedAtLine != 0)
    p_.Ws.MsgBox("The file " + g.CompositionName + " could not be read completely (line " +
                     basic::CStr(stoppedAtLine) + ").",
                 forms::mb::Information, "Open");
}

// The file's settings in the order its lines give them: header texts and switches first, then
// the tracks. (Switching the bass clef on shows an octave in the second track's octave label,
// which the tracks' OCTAVE lines then replace.) A text goes to its field first and the box shows
// a copy, so the box's change finds the composition's own text (no user's edit) and a long text
// is held twice at most.
void ProjectFiles::ApplyRead(ProjectRead&& read) {
  Globals& g = p_.G;
  Form1& f = p_.Form1();
  stavelark::OptionForm& options = p_.OptionForm();

  if (read.name) {
    g.CompositionName = std::move(*read.name);
    options.CompName.Text = g.CompositionName;
  }
  const auto effects = EffectItems(f);
  for (int e = 0; e < kEffectCount; ++e)
    if (read.effects[e]) effects[e]->Checked = true;
  if (read.bassClef) p_.ScoreDisplay().BassClef_Click();
  if (read.copyright) {
    g.CompositionCopyright = std::move(*read.copyright);
    options.CompCopy.Text = g.CompositionCopyright;
  }
  if (read.author) {
    g.CompositionAuthor = std::move(*read.author);
    options.CompAuthor.Text = g.CompositionAuthor;
  }
  if (read.tempo) {
    g.Tempo = *read.tempo;
    f.DivControl.Value = basic::CInt(g.Tempo);
  }

  for (int t = 0; t < kTracks; ++t) {
    const ProjectTrackRead& track = read.tracks[t];
    if (track.instrument) {
      g.TrackInstrument[t] = *track.instrument;
      f.InstLabel[t].Caption = p_.TrackInst().Option1[*track.instrument].Caption();
    }
    if (track.octave) {
      g.TrackOctave[t] = *track.octave;
      f.OctLabel[t].Caption = basic::CStr(*track.octave);
    }
    for (size_t p = 0; p < track.notes.size(); ++p) {
      g.NotePitch[t][p] = track.notes[p].pitch;
      g.NoteVol[t][p] = track.notes[p].volume;
      g.NoteDuration[t][p] = track.notes[p].duration;
    }
    g.NoteCount[t] = track.noteCount;
  }
  for (size_t p = 0; p < read.lyrics.size(); ++p) g.Lyrics[p] = std::move(read.lyrics[p]);
  g.CurTrack = read.curTrack;
}

void ProjectFiles::Save_Click() {
  if (p_.G.PlayFileBusy) return;
  SaveProject();
}

// Save without the play guard: the save prompt runs it too, also at shutdown, where no play
// command goes on once the program ends.
bool ProjectFiles::SaveProject() {
  Globals& g = p_.G;
  const std::optional<std::string> chosen = AskForFile(true, kSaveFilter);
  if (!chosen) return false;
  g.CurrentFilePath = *chosen;
  if (g.CurrentFilePath.empty()) return false;
  const std::string path = g.CurrentFilePath;

  Form1& f = p_.Form1();
  stavelark::OptionForm& options = p_.OptionForm();
  ProjectHeader header;
  header.name = FileNameWithoutFolders(path);
  g.CompositionCopyright = options.CompCopy.Text();
  header.copyright = g.CompositionCopyright;
  g.CompositionAuthor = options.CompAuthor.Text();
  header.author = g.CompositionAuthor;
  const auto effects = EffectItems(f);
  for (int e = 0; e < kEffectCount; ++e) header.effects[e] = effects[e]->Checked();
  header.bassClef = f.BassClef.Checked();
  g.ComputeScoreLength();

  const std::string image = BuildProjectFile(g, header);
  if (!WriteUserFile(path, [&] {
        WriteFileAtomically(path, std::span(reinterpret_cast<const uint8_t*>(image.data()), image.size()));
      }))
    return false;
  g.CompositionName = header.name;
  f.Caption = kCaptionPrefix + g.CompositionName;
  g.Modified = false;
  if (const std::optional<LossyText> lossy = FirstLossyText(g, header))
    p_.Ws.MsgBox("Some characters can't be stored in a project file and were saved as \"?\", first in the " +
                     std::string(lossy->what) + " \"" + Shortened(lossy->text, 40) + "\".",
                 forms::mb::OkOnly | forms::mb::Information, p_.Ws.AppTitle);
  return true;
}

void ProjectFiles::SaveMidi_Click() {
  Globals& g = p_.G;
  // It takes CurrentFilePath as well, which a waiting play command still needs.
  if (g.PlayFileBusy) return;
  const std::optional<std::string> chosen = AskForFile(true, kMidiFilter);
  if (!chosen) return;
  g.CurrentFilePath = *chosen;
  if (g.CurrentFilePath.empty()) return;
  const std::string path = g.CurrentFilePath;
  g.ComputeScoreLength();
  WriteUserFile(path, [&] { p_.MidiFiles().WriteMidiFile(path, 0, 3, 0, g.ScoreLength); });
}

bool ProjectFiles::WriteUserFile(const std::string& path, const std::function<void()>& write) {
  try {
    write();
    return true;
  } catch (const basic::RuntimeError& e) {
    // Why, in the system's words, after the path.
    std::string text = "Could not save " + path + ".";
    if (!e.description.empty()) text += " " + e.description + ".";
    p_.Ws.MsgBox(text, forms::mb::OkOnly | forms::mb::Exclamation, p_.Ws.AppTitle);
    return false;
  }
}

bool ProjectFiles::PromptSaveChanges() {
  Globals& g = p_.G;
  if (!g.Modified) return true;
  const int answer =
      p_.Ws.MsgBox("Do you want to save changes to " + g.CompositionName + " ?", forms::mb::YesNo, "End program");
  if (answer == forms::mb::Yes) return SaveProject();
  g.Modified = false;
  return true;
}

std::optional<std::string> ProjectFiles::AskForFile(bool save, const std::string& filter) {
  forms::CommonDialog& dialog = p_.Form1().CommonDialog1;
  dialog.Filter = filter;
  dialog.FilterIndex = 2;
  // A cancel must end the command whatever an earlier command left in FileName, so it is asked
  // for as an error.
  // A save asks before it replaces a file. Both settings are given back for the dialog's
  // other users.
  const bool cancelError = dialog.CancelError();
  const int flags = dialog.Flags();
  dialog.CancelError = true;
  if (save) dialog.Flags = flags | forms::cdl::OFNOverwritePrompt;
  const auto restore = [&] {
    dialog.CancelError = cancelError;
    dialog.Flags = flags;
  };
  try {
    if (save) dialog.ShowSave();
    else dialog.ShowOpen();
  } catch (const basic::RuntimeError& e) {
    restore();
    if (e.number == basic::err::CancelError) return std::nullopt;
    throw;
  }
  restore();
  return dialog.FileName();
}

}  // namespace stavelark
