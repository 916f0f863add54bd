// The program-wide state: the composition, the editing state, the modes and the working
// values the commands share. One instance lives in the Program from start-up to the end;
// nothing else in the program holds mutable state outside the windows.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "platform/forms/types.h"

namespace stavelark {

inline constexpr int kTracks = 4;
inline constexpr int kPositions = 10001;      // positions 0..10000 per track
inline constexpr int kMaxNotes = 10001;       // notes a track can hold
inline constexpr int kMaxScrollPos = 9981;    // so the lyric row (ScrollPos + 19) stays within 10000
inline constexpr int16_t kRestPitch = 169;
inline constexpr int kColumns = 20;           // positions shown per track
inline constexpr int kCells = 80;             // display cells (track * 20 + column)

template <typename T>
using TrackArray = std::array<std::array<T, kPositions>, kTracks>;

struct Globals {
  // ---- the composition ----
  TrackArray<int16_t> NotePitch{};
  TrackArray<uint8_t> NoteVol{};
  TrackArray<uint8_t> NoteDuration{};
  std::array<std::string, kPositions> Lyrics{};
  std::array<int16_t, kTracks> NoteCount{};
  std::array<int16_t, kTracks> TrackInstrument{};
  std::array<int16_t, kTracks> TrackOctave{4, 4, 4, 4};
  float Tempo = 64;
  float ScoreLength = 0;
  std::string CompositionName = "Untitled";  // kept by the main window
  std::string CompositionAuthor = "Orlemund";
  std::string CompositionCopyright = "(c)2010";

  // ---- editing and view state ----
  int16_t ScrollPos = 0;
  int16_t ActiveTrack = 0;
  bool SelectionActive = false;
  int16_t SelTrackFrom = 0;
  int16_t SelTrackTo = 0;
  float SelColFrom = 0;
  float SelColTo = 0;
  int16_t CurDuration = 3;  // kept by the main window
  bool RecordOn = true;
  uint8_t NoteVolumeValue = 100;
  bool Modified = false;  // kept by the main window

  // ---- display modes and background (kept in the settings store) ----
  bool KaraokeMode = false;
  bool TeachMode = false;
  bool PlayerPianoMode = false;
  uint8_t BackgroundImage = 0;
  std::string BackgroundFile;
  float BackColorValue = 0;

  // ---- the one-second wait ----
  bool DelayBusy = false;

  // ---- scrolling ----
  bool ScrollBackHeld = false;
  bool ScrollUpHeld = false;
  bool ThumbDragging = false;
  float ThumbGrabOffset = 0;
  forms::PointApi CursorPoint{};

  // ---- mouse input and selection ----
  bool Dragging = false;
  int16_t DragIndex = 0;
  // Where the note was picked up (the press's twips), and whether the pointer has left that
  // point since: a release that never left it is a click, which keeps the note's pitch.
  double DragPressX = 0, DragPressY = 0;
  bool DragMoved = false;
  bool RubberMoved = false;
  int16_t RubberX1 = 0, RubberY1 = 0, RubberX2 = 0, RubberY2 = 0;

  // ---- clipboard and structural editing ----
  std::array<std::array<int16_t, kColumns>, kTracks> ClipPitch{};
  std::array<std::array<uint8_t, kColumns>, kTracks> ClipVol{};
  std::array<std::array<uint8_t, kColumns>, kTracks> ClipDuration{};
  std::array<std::string, kColumns> ClipLyrics{};
  int16_t ClipTrackCount = 0;
  int16_t ClipNoteCount = 0;
  int16_t PastePos = 0, PasteSize = 0, PasteFromTrack = 0, PasteToTrack = 0;
  std::string MsgAnswer;

  // ---- toolbar ----
  bool ExpandedScale = false;

  // ---- track dialogs ----
  int16_t CurInstrument = 0;
  int16_t PickedInstrument = 0;
  bool InstPicked = false;

  // ---- piano ----
  int16_t LastKeyCode = 0;
  int16_t PianoKeyIndex = -1;
  std::string DummyFileName;

  // ---- playback ----
  bool Paused = false;  // kept by the main window
  int16_t PausedNote = 0;
  int32_t ResumeOffset = 0;
  int32_t PlayStartClock = 0;
  int32_t ElapsedTotal = 0;
  // 32 bits, so a play longer than 54 minutes (a long score at a slow tempo) is still followed.
  int32_t ElapsedTenths = 0;
  float PlayDuration = 0;
  float TenthsPerNote = 0;
  uint8_t PlayFileCounter = 0;
  std::string CurrentFilePath;
  int16_t KaraokePage = 0, KaraokeBallIndex = 0;
  int16_t PlayerPianoPage = 0, PlayerPianoColumn = 0;
  int16_t LitKey = 0;
  float LitKeyColour = 0;
  float TimeMinutes = 0, TimeSeconds = 0, TimeTenths = 0;
  std::string TimeMinStr, TimeSecStr, TimeTenthStr;

  // ---- MIDI writers ----
  std::string MidiHex;

  // ---- project files, options ----
  std::string OpenFilePath;
  std::string OptionsResult;
  std::string BackgroundImageName;
  uint8_t CurTrack = 9;

  // ---- printing ----
  std::string PrintState;

  // ---- file-type association texts (set first thing at start-up) ----
  std::string AppName, FileExt, IconPath, ProgId, OpenCommand, FileTypeName;

  // ---- effects dialog knob drags ----
  bool EqDragging = false, ChorusDragging = false, DistDragging = false, GargDragging = false,
       WaveDragging = false, CompDragging = false, FlangerDragging = false, EchoDragging = false;

  // True while a play command writes its file or waits its second before writing: other play
  // commands, the piano's sounding, New, Open and Save are ignored meanwhile.
  bool PlayFileBusy = false;

  // The largest NoteCount of the four tracks.
  void ComputeScoreLength();
  // Every write of ScrollPos goes through here: it stays within 0..kMaxScrollPos, so the lyric
  // row never reads past the last position.
  void SetScrollPos(double position);
  // Whether `added` more notes still fit in track `track` (at most kMaxNotes).
  bool TrackHasRoom(int track, int added) const;
};

}  // namespace stavelark
