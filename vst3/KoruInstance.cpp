#include "effect/KORU.h"
#include "vst3/KoruFactory.h"

#include <new>

// The factory holds the creation mutex while this runs. The new object carries one reference,
// handed to the caller through its audio-processor interface.
Steinberg::FUnknown* CreateKoruInstance()
{
  KORU* effect = new (std::nothrow) KORU();
  if (!effect) return nullptr;
  return static_cast<Steinberg::Vst::IAudioProcessor*>(effect);
}
