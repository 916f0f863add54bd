// Where the synthesizer's sound goes: one output driver per file under outputs/, found only
// through the table below, so nothing above the table names a driver.
//
// An output pulls frames from its source on a thread of its own. While the source is idle
// (nothing sounds) an output stops pulling and rests the way its device lets it; Wake brings
// it back for the next sound.
#pragma once

#include <memory>
#include <span>
#include <string_view>

typedef struct _fluid_hashtable_t fluid_settings_t;

namespace music {

class OutputSource {
 public:
  virtual ~OutputSource() = default;
  // The output's thread: the next `frames` frames of each side. Never allocates or waits long.
  virtual void Render(float* left, float* right, int frames) = 0;
  // The same, without the master volume (and not yet held to full scale): for an output that
  // queues deeply and applies the volume itself as the sound leaves, so that a change of volume
  // need not wait behind the queue. An output uses either this or Render, never both.
  virtual void RenderUnscaled(float* left, float* right, int frames) = 0;
  // The master volume's gain as last set (any thread).
  virtual float MasterGain() const = 0;
  // Nothing sounds and nothing is about to: an output may stop calling Render until Wake.
  virtual bool Idle() const = 0;
  // For an output that writes a new sound over its queue: what it renders next is that new sound.
  // A play asked for before it was woken starts there and not sooner, so that no part of its
  // onset goes to the end of the queue, behind what the new sound is written over.
  virtual void BeginNewSound() {}
};

class Output {
 public:
  virtual ~Output() = default;  // stops the output's thread; Render is not called afterwards
  // Something is about to sound (any thread but the output's own). With `replace`, what plays
  // now gives way to it: sound queued and not yet heard need not be heard.
  virtual void Wake(bool replace) = 0;
  // The master volume changed (any thread but the output's own).
  virtual void GainChanged() {}
  // Whether a play waits for the output's BeginNewSound (the output writes a new sound over its
  // queue, and calls it whenever it renders after a Wake).
  virtual bool WritesOverQueue() const { return false; }
};

struct OutputDriver {
  std::string_view name;
  // Whether this machine may have the device at all (cheap; nothing is opened).
  bool (*present)();
  // The opened output, or nullptr when it can't be opened. `settings` are the synthesizer's.
  std::unique_ptr<Output> (*open)(OutputSource& source, fluid_settings_t* settings);
};

// The sound devices, in the order they are tried.
std::span<const OutputDriver> DeviceDrivers();

// Renders in real time and throws the sound away: the clock, notifications and effects then
// behave as with a device.
std::unique_ptr<Output> OpenSilentOutput(OutputSource& source);

}  // namespace music
