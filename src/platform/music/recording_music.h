// A stand-in for the sound platform that plays nothing and records every call, for tests of
// the program that check which calls it makes and in which order.
//
//   basic::SteadyClock clock;               // or a virtual clock
//   music::MusicRecorder recorder(clock);
//   std::shared_ptr<music::DirectX8> dx = recorder.CreateDirectX8();
//   ... hand `dx` to the program, run it ...
//   EXPECT_THAT(recorder.Calls(), ElementsAre("performance.StopEx(segment1, 0, 0)", ...));
//
// Each call is recorded as "object.Operation(arguments)" before it acts, with the objects
// named "dx", "performance", "loader", "segmentN" (N counts loaded segments from 1),
// "audiopath", "buffer" and the effects "distortion", "echo", "chorus", "flanger",
// "compressor", "gargle", "parameq", "wavesreverb"; an absent object is "none". Numbers are
// written in their shortest form, texts as they are, Booleans as true/false; InitAudio
// records its flags, path type and channel count; SetFX its count and the class names;
// SetAllParameters the record's fields in declaration order.
//
// It behaves like the real platform where a program can tell: LoadSegment reads and checks
// the file the same way (and keeps its bytes, since programs often delete the file right
// after), SetFX refuses unknown classes, GetObjectInPath finds only effects of the chain set
// last, SetAllParameters refuses the same out-of-range values, and PlaySegmentEx queues a
// segment-start notification that signals the notification event.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/music/music.h"

namespace music {

class MusicRecorder {
 public:
  explicit MusicRecorder(const basic::Clock& clock);
  ~MusicRecorder();

  // A root whose objects record into this recorder. The recorder may go before its objects.
  std::shared_ptr<DirectX8> CreateDirectX8();

  const std::vector<std::string>& Calls() const;
  void ClearCalls();

  // From now on, every call whose record starts with `callPrefix` raises a RuntimeError with
  // `number` after it has been recorded (e.g. "performance.InitAudio").
  void FailOn(const std::string& callPrefix, int number = 5);
  void ClearFailures();

  struct LoadedFile {
    std::string path;
    std::vector<uint8_t> bytes;
  };
  // Every file LoadSegment read successfully, in order.
  const std::vector<LoadedFile>& LoadedFiles() const;

  // Signals the notification event of every performance, as a queued notification would;
  // with `queue` false nothing is queued, so the callback's fetch finds nothing.
  void SignalNotification(bool queue);

  struct State;

 private:
  std::shared_ptr<State> state_;
};

}  // namespace music
