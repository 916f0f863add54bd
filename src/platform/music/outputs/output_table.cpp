// The table of sound devices: each driver lives in its own file beside this one.
#include <array>

#include "platform/music/output.h"

namespace music {

bool PulsePresent();
std::unique_ptr<Output> OpenPulseOutput(OutputSource& source, fluid_settings_t* settings);
bool AlsaPresent();
std::unique_ptr<Output> OpenAlsaOutput(OutputSource& source, fluid_settings_t* settings);

namespace {
// A sound server first: it shares the device with other programs and lets a quiet stream rest.
constexpr std::array<OutputDriver, 2> kDrivers = {{
    {"pulseaudio", &PulsePresent, &OpenPulseOutput},
    {"alsa", &AlsaPresent, &OpenAlsaOutput},
}};
}  // namespace

std::span<const OutputDriver> DeviceDrivers() { return kDrivers; }

}  // namespace music
