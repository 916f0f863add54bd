#include "project/project_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <new>
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

// The whole content of a regular file; nothing when it can't be opened or read.
std::optional<std::vector<uint8_t>> ReadWholeFile(const std::string& path) {
  // Non-blocking, so that a named pipe given as the path can't hang the program.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return std::nullopt;
  std::optional<std::vector<uint8_t>> result;
  struct stat st {};
  try {
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
      std::vector<uint8_t> bytes(static_cast<size_t>(st.st_size));
      size_t got = 0;
      bool failed = false;
      while (!failed) {
        if (got == bytes.size()) bytes.resize(bytes.size() + 65536);  // the file may have grown
        const ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) failed = true;
        if (n <= 0) break;
        got += static_cast<size_t>(n);
      }
      if (!failed) {
        bytes.resize(got);
        result = std::move(bytes);
      }
    }
  } catch (const std::bad_alloc&) {
    result.reset();
  }
  ::close(fd);
  return result;
}

}  // namespace

void ProjectFiles::Wire(Form1& form) {
  form.New.Click = [this] { New_Click(); };
  form.Open.Click = [this] { Open_Click(); };
  form.Save.Click = [this] { Save_Click(); };
  form.SaveMidi.Click = [this] { SaveMidi_Click(); };
}

void ProjectFiles::New_Click() {
  Globals& g = p_.G;
  if (g.PlayFileBusy) return;
  PromptSaveChanges();
  g.NoteCount.fill(0);
  g.SetScrollPos(0);
  g.CompositionName = kUntitled;
  p_.Form1().Caption = kCaptionPrefix + g.CompositionName;
  p_.OptionForm().CompName.Text = g.CompositionName;
  p_.ScoreDisplay().RedrawScore();
}

void ProjectFiles::Open_Click() {
  Globals& g = p_.G;
  if (g.PlayFileBusy) return;
  New_Click();
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

  // A file that can't be opened changes nothing beyond what New did.
  const std::optional<std::vector<uint8_t>> bytes = ReadWholeFile(path);
  if (!bytes) {
    p_.Ws.MsgBox("The file " + FileNameWithoutFolders(path) + " could not be opened.", forms::mb::Information,
                 "Open");
    return;
  }

  for (forms::Menu* item : EffectItems(f)) item->Checked = false;
  if (f.BassClef.Checked()) p_.ScoreDisplay().BassClef_Click();
  g.NoteCount.fill(0);
  g.TrackInstrument.fill(0);
  g.CurTrack = 9;

  const ProjectRead read = ReadProjectFile(*bytes);
  ApplyRead(read);

  g.CompositionName = FileNameWithoutFolders(path);
  for (int t = 0; t < kTracks; ++t)
    f.InstLabel[t].ToolTipText = p_.TrackInst().Option1[g.TrackInstrument[t]].Caption();
  f.Caption = kCaptionPrefix + g.CompositionName;
  g.ComputeScoreLength();
  g.SetScrollPos(g.ScoreLength < 1 ? 1.0 : basic::RoundHalfEven(g.ScoreLength - 10.0));
  p_.ScoreDisplay().RedrawScore();

  if (read.stoppedAtLine != 0)
    p_.Ws.MsgBox("The file " + g.CompositionName + " could not be read completely (line " +
                     basic::CStr(read.stoppedAtLine) + ").",
                 forms::mb::Information, "Open");
}

// The file's settings in the order its lines give them: header texts and switches first, then
// the tracks. (Switching the bass clef on shows an octave in the second track's octave label,
// which the tracks' OCTAVE lines then replace.)
void ProjectFiles::ApplyRead(const ProjectRead& read) {
  Globals& g = p_.G;
  Form1& f = p_.Form1();
  stavelark::OptionForm& options = p_.OptionForm();

  if (read.name) {
    g.CompositionName = *read.name;
    options.CompName.Text = *read.name;
  }
  const auto effects = EffectItems(f);
  for (int e = 0; e < kEffectCount; ++e)
    if (read.effects[e]) effects[e]->Checked = true;
  if (read.bassClef) p_.ScoreDisplay().BassClef_Click();
  if (read.copyright) {
    g.CompositionCopyright = *read.copyright;
    options.CompCopy.Text = *read.copyright;
  }
  if (read.author) {
    g.CompositionAuthor = *read.author;
    options.CompAuthor.Text = *read.author;
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
  for (size_t p = 0; p < read.lyrics.size(); ++p) g.Lyrics[p] = read.lyrics[p];
  g.CurTrack = read.curTrack;
}

void ProjectFiles::Save_Click() {
  if (p_.G.PlayFileBusy) return;
  SaveProject();
}

// Save without the play guard: the save prompt runs it too, also at shutdown, where the program
// ends right after and no play command goes on.
void ProjectFiles::SaveProject() {
  Globals& g = p_.G;
  const std::optional<std::string> chosen = AskForFile(true, kSaveFilter);
  if (!chosen) return;
  g.CurrentFilePath = *chosen;
  if (g.CurrentFilePath.empty()) return;
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
  try {
    WriteFileAtomically(path, std::span(reinterpret_cast<const uint8_t*>(image.data()), image.size()));
  } catch (const basic::RuntimeError&) {
    p_.Ws.MsgBox("Could not save " + path + ".", forms::mb::OkOnly | forms::mb::Exclamation, p_.Ws.AppTitle);
    return;
  }
  g.CompositionName = header.name;
  f.Caption = kCaptionPrefix + g.CompositionName;
  g.Modified = false;
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
  try {
    p_.MidiFiles().WriteMidiFile(path, 0, 3, 0, g.ScoreLength);
  } catch (const basic::RuntimeError&) {
    p_.Ws.MsgBox("Could not save " + path + ".", forms::mb::OkOnly | forms::mb::Exclamation, p_.Ws.AppTitle);
  }
}

void ProjectFiles::PromptSaveChanges() {
  Globals& g = p_.G;
  if (!g.Modified) return;
  const int answer =
      p_.Ws.MsgBox("Do you want to save changes to " + g.CompositionName + " ?", forms::mb::YesNo, "End program");
  if (answer == forms::mb::Yes) SaveProject();
  g.Modified = false;
}

std::optional<std::string> ProjectFiles::AskForFile(bool save, const std::string& filter) {
  forms::CommonDialog& dialog = p_.Form1().CommonDialog1;
  dialog.Filter = filter;
  dialog.FilterIndex = 2;
  // A cancel must end the command whatever an earlier command left in FileName, so it is asked
  // for as an error; the setting is given back for the dialog's other users.
  const bool cancelError = dialog.CancelError();
  dialog.CancelError = true;
  try {
    if (save) dialog.ShowSave();
    else dialog.ShowOpen();
  } catch (const basic::RuntimeError& e) {
    dialog.CancelError = cancelError;
    if (e.number == basic::err::CancelError) return std::nullopt;
    throw;
  }
  dialog.CancelError = cancelError;
  return dialog.FileName();
}

}  // namespace stavelark
