// A started program on the recording sound platform, with helpers to lay out a composition
// and to read back the MIDI files the program loaded.
#pragma once

#include <gmock/gmock.h>

#include <map>
#include <string>
#include <vector>

#include "project/option_form.h"
#include "sound/midi_writer.h"
#include "sound/play_commands.h"
#include "sound/piano.h"
#include "support/program_fixture.h"
#include "support/smf_reader.h"

namespace stavelark_test {

// The effect chain rebuilt with nothing checked: emptied and the path made active again.
inline std::vector<std::string> EmptyChainCalls() {
  return {"performance.GetDefaultAudioPath()", "audiopath.Activate(false)", "buffer.SetFX(0)",
          "buffer.SetFX(0)",                   "performance.GetDefaultAudioPath()", "audiopath.Activate(true)"};
}

inline std::vector<std::string> Concat(std::initializer_list<std::vector<std::string>> parts) {
  std::vector<std::string> all;
  for (const auto& p : parts) all.insert(all.end(), p.begin(), p.end());
  return all;
}

class PlayTest : public ProgramTest {
 protected:
  void SetUp() override {
    Start();
    recorder.ClearCalls();
  }

  stavelark::PlayCommands& Play() { return P().PlayCommands(); }
  stavelark::PianoKeys& Piano() { return P().PianoKeys(); }

  // Track `track` holds one quarter note per pitch code, at volume 100.
  void Notes(int track, const std::vector<int>& pitches) {
    for (size_t i = 0; i < pitches.size(); ++i) {
      G().NotePitch[track][i] = static_cast<int16_t>(pitches[i]);
      G().NoteDuration[track][i] = 3;
      G().NoteVol[track][i] = 100;
    }
    G().NoteCount[track] = static_cast<int16_t>(pitches.size());
  }
  // Track `track` holds `count` notes whose pitch codes are their positions modulo 25.
  void Ramp(int track, int count) {
    std::vector<int> pitches;
    for (int i = 0; i < count; ++i) pitches.push_back(i % 25);
    Notes(track, pitches);
  }

  void Select(int trackFrom, int trackTo, int colFrom, int colTo) {
    G().SelectionActive = true;
    G().SelTrackFrom = static_cast<int16_t>(trackFrom);
    G().SelTrackTo = static_cast<int16_t>(trackTo);
    G().SelColFrom = static_cast<float>(colFrom);
    G().SelColTo = static_cast<float>(colTo);
  }

  std::string Temp(const std::string& name) const { return (Root() / "temp" / name).string(); }
  bool TempFolderEmpty() const { return std::filesystem::is_empty(Root() / "temp"); }

  // The calls made to the sound platform since the last ClearCalls, without the notification
  // fetches the window system's polling makes in between.
  std::vector<std::string> Calls() const {
    std::vector<std::string> calls;
    for (const std::string& c : recorder.Calls())
      if (c != "performance.GetNotificationPMSG()") calls.push_back(c);
    return calls;
  }

  // The MIDI keys of the note-ons of each channel in the file loaded last (a rest slot is key 39).
  std::map<int, std::vector<int>> LoadedKeys() const {
    smf::File file = smf::Read(recorder.LoadedFiles().back().bytes);
    std::map<int, std::vector<int>> keys;
    for (const smf::Track& t : file.tracks)
      for (const smf::Event& e : t.events)
        if (e.Kind() == 0x90) keys[e.Channel()].push_back(e.data.at(0));
    return keys;
  }
  // The number of note tracks in the file loaded last (besides the tempo and credit tracks).
  size_t LoadedNoteTracks() const { return smf::Read(recorder.LoadedFiles().back().bytes).tracks.size() - 2; }

  // The keys a composition track sounds for positions [from, to) in octave 4.
  std::vector<int> KeysOf(int track, int from, int to) {
    std::vector<int> keys;
    for (int p = from; p < to; ++p) keys.push_back(48 + 11 + G().NotePitch[track][p]);
    return keys;
  }

  forms::Color Lamp(forms::Shape& s) const { return s.FillColor; }
};

inline constexpr forms::Color kRed = 0x0000FF;
inline constexpr forms::Color kGrey = 0x808080;

}  // namespace stavelark_test
