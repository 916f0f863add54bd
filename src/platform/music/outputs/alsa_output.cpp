// ALSA straight to the sound card, through FluidSynth's own ALSA driver with our callback. A
// card has no server to rest on: while the source is idle the callback hands over silence
// without rendering, so nothing but the driver's copy runs.
#include <dlfcn.h>
#include <fluidsynth.h>

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "platform/music/output.h"
#include "platform/music/output_buffering.h"

namespace music {

namespace {

// ALSA prints its own complaints (no card, bad configuration) unless given a handler. The
// library is only there as FluidSynth's dependency, so it is reached through the loader.
extern "C" void IgnoreAlsaError(const char*, int, const char*, int, const char*, ...) {}

void QuietAlsa() {
  using Handler = void (*)(const char*, int, const char*, int, const char*, ...);
  using SetHandler = int (*)(Handler);
  if (auto set = reinterpret_cast<SetHandler>(dlsym(RTLD_DEFAULT, "snd_lib_error_set_handler"))) set(IgnoreAlsaError);
}

class AlsaOutput final : public Output {
 public:
  explicit AlsaOutput(OutputSource& source) : source_(source) {}
  ~AlsaOutput() override {
    if (driver_) delete_fluid_audio_driver(driver_);
  }
  bool Open(fluid_settings_t* settings) {
    if (fluid_settings_setstr(settings, "audio.driver", "alsa") != FLUID_OK) return false;
    fluid_settings_setint(settings, "audio.period-size", kAlsaPeriodFrames);
    fluid_settings_setint(settings, "audio.periods", kAlsaPeriods);
    driver_ = new_fluid_audio_driver2(settings, &AlsaOutput::Callback, this);
    return driver_ != nullptr;
  }
  void Wake(bool) override {}  // the driver never stops asking, and its queue is short

 private:
  static int Callback(void* data, int len, int, float*[], int nout, float* out[]) {
    auto* self = static_cast<AlsaOutput*>(data);
    if (nout < 2 || len <= 0) return FLUID_OK;
    if (self->source_.Idle()) {
      std::fill_n(out[0], len, 0.0f);
      std::fill_n(out[1], len, 0.0f);
    } else {
      self->source_.Render(out[0], out[1], len);
    }
    return FLUID_OK;
  }

  OutputSource& source_;
  fluid_audio_driver_t* driver_ = nullptr;
};

}  // namespace

bool AlsaPresent() {
  std::error_code ec;
  return std::filesystem::is_directory("/dev/snd", ec);
}

std::unique_ptr<Output> OpenAlsaOutput(OutputSource& source, fluid_settings_t* settings) {
  QuietAlsa();
  auto output = std::make_unique<AlsaOutput>(source);
  if (!output->Open(settings)) return nullptr;
  return output;
}

}  // namespace music
