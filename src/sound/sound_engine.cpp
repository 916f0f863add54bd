#include "sound/sound_engine.h"

#include <cstdio>

#include "editor/form1.h"
#include "editor/program.h"
#include "glidebar/identity.h"
#include "platform/basic/basic.h"
#include "platform/com/client.h"

namespace stavelark {

void SoundEngine::Wire(Form1&) {}

bool SoundEngine::InitDirectMusic() {
  try {
    if (!p_.Services.createDirectX) basic::Raise(basic::err::InvalidCall, "No sound platform");
    DX = p_.Services.createDirectX();
    if (!DX) basic::Raise(basic::err::InvalidCall, "No sound platform");
    Perf = DX->DirectMusicPerformanceCreate();
    Loader = DX->DirectMusicLoaderCreate();
    music::DMUS_AUDIOPARAMS params{};
    Perf->InitAudio(0, music::DMUS_AUDIOF_ALL, params, nullptr, music::DMUS_APATH_SHARED_STEREOPLUSREVERB, 128);
    Perf->SetMasterAutoDownload(true);
    Perf->AddNotificationType(music::DMUS_NOTIFY_ON_SEGMENT);
    DxEventHandle = DX->CreateEvent(*this);
    Perf->SetNotificationHandle(DxEventHandle);
    // The platform signals its event on its own threads; the callbacks run on the window
    // thread as soon as it wakes for them.
    wakeup_ = p_.Ws.MakeWakeup([this] {
      if (DX) DX->DispatchEvents();
      ReportSoundFontFailure();
    });
    if (wakeup_) DX->SetEventWakeup([wakeup = wakeup_.get()] { wakeup->Wake(); });
    started_ = true;
    return true;
  } catch (const basic::RuntimeError& e) {
    std::fprintf(stderr, "stavelark: the sound could not start: %s\n", e.description.c_str());
    p_.Ws.MsgBox("Could not initialize DirectMusic.\r\nHave you installed DirectX on this PC?", forms::mb::Information,
                 "Exiting...");
    ShutdownDirectMusic();
    p_.Form1().Unload();  // runs the shutdown, which ends the program
    p_.Ws.End();
  }
}

void SoundEngine::ShutdownDirectMusic() {
  basic::ErrObject ignored;
  basic::ResumeNext(ignored, [&] {
    if (!FxBuffer) basic::Raise(91, "Object variable not set");
    std::vector<int32_t> results;
    FxBuffer->SetFX(0, {}, results);
  });
  basic::ResumeNext(ignored, [&] {
    if (!Perf) basic::Raise(91, "Object variable not set");
    auto path = Perf->GetDefaultAudioPath();
    if (path) path->Activate(false);
  });
  basic::ResumeNext(ignored, [&] {
    if (Perf) Perf->RemoveNotificationType(music::DMUS_NOTIFY_ON_SEGMENT);
  });
  basic::ResumeNext(ignored, [&] {
    if (DX && DxEventHandle) DX->DestroyEvent(DxEventHandle);
    DxEventHandle = 0;
  });
  if (DX) DX->SetEventWakeup(nullptr);
  wakeup_.reset();
  DX.reset();
  FxDistortion.reset();
  FxEcho.reset();
  FxChorus.reset();
  FxFlanger.reset();
  FxCompressor.reset();
  FxGargle.reset();
  FxParamEq.reset();
  FxWavesReverb.reset();
  FxBuffer.reset();
  Perf.reset();
  PlayingSegment.reset();
  Loader.reset();
}

void SoundEngine::ReportSoundFontFailure() {
  if (soundFontReported_ || !Perf) return;
  const std::optional<music::SoundFontError> failure = music::SoundFontFailure(*Perf);
  if (!failure) return;
  // Once, and the program goes on: ending it could lose the notes entered so far.
  soundFontReported_ = true;
  p_.Ws.MsgBox("The SoundFont " + failure->path + " could not be loaded (" + failure->reason +
                   "). The program goes on without sound.",
               forms::mb::Exclamation, p_.Ws.AppTitle);
}

void SoundEngine::DXCallback(int32_t) {
  music::DMUS_NOTIFICATION_PMSG message{};
  if (!Perf || !Perf->GetNotificationPMSG(message))
    p_.Ws.MsgBox("Error processing this Notification", forms::mb::Information, "Cannot Process.");
}

void SoundEngine::Volslider_MouseMove() {
  com::Object* slider = p_.VolsliderControl();
  if (!slider || !Perf) return;
  double v = basic::Val(slider->GetProperty(glidebar::dispid::myvalue));
  // Held to the slider's range, so a typed value can never push the volume out of the platform's.
  v = std::clamp(v, 0.0, 100.0);
  Perf->SetMasterVolume(basic::CLng(v * 30 - 3000));
}

}  // namespace stavelark
