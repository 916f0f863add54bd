// The eight effect classes as the sound buffer knows them, and the ranges their parameter
// records must keep.
#pragma once

#include <span>
#include <string_view>

#include "platform/music/music.h"

namespace music {

enum class EffectKind { Distortion, Echo, Chorus, Flanger, Compressor, Gargle, ParamEq, WavesReverb };

struct EffectClass {
  EffectKind kind;
  std::string_view classGuid;      // the class-name text of a descriptor
  std::string_view interfaceName;  // the interface-name text GetObjectInPath expects
  std::string_view label;          // short name, e.g. for logs
};

std::span<const EffectClass> EffectClasses();
// nullptr for an unknown class-name text.
const EffectClass* FindEffectClass(std::string_view classGuid);

// Each raises basic::RuntimeError (invalid argument) naming the first field outside its range.
void Validate(const DSFXDISTORTION& p);
void Validate(const DSFXECHO& p);
void Validate(const DSFXCHORUS& p);
void Validate(const DSFXFLANGER& p);
void Validate(const DSFXCOMPRESSOR& p);
void Validate(const DSFXGARGLE& p);
void Validate(const DSFXPARAMEQ& p);
void Validate(const DSFXWAVESREVERB& p);

// The parameters an effect has before its first SetAllParameters.
DSFXDISTORTION InitialDistortion();
DSFXECHO InitialEcho();
DSFXCHORUS InitialChorus();
DSFXFLANGER InitialFlanger();
DSFXCOMPRESSOR InitialCompressor();
DSFXGARGLE InitialGargle();
DSFXPARAMEQ InitialParamEq();
DSFXWAVESREVERB InitialWavesReverb();

// Raises unless the arguments name the default audio path's sound buffer.
void CheckBufferRequest(int32_t pChannel, int32_t stage, int32_t buffer, std::string_view guidObject,
                        int32_t index, std::string_view iidInterface);

}  // namespace music
