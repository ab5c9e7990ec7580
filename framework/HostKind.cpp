#include "framework/HostKind.h"

#include <cstring>

namespace
{
struct HostFragment
{
  const char* fragment;
  int code;
};

// Only A to Z are lowered, whatever locale the host runs in.
// Searched in this order: an earlier fragment wins over a later one wherever it occurs.
constexpr HostFragment kHostFragments[] = {
    {"cubase", kHostCubase},
    {"reaper", kHostReaper},
    {"nuendo", kHostNuendo},
    {"cakewalk", kHostSonar},
    {"samplitude", kHostSamplitude},
    {"fruity", kHostFL},
    {"live", kHostAbletonLive},
    {"melodyne", kHostMelodyneStudio},
    {"vstmanlib", kHostVSTManLib},
    {"aulab", kHostAULab},
    {"garageband", kHostGarageBand},
    {"forte", kHostForte},
    {"chainer", kHostChainer},
    {"audition", kHostAudition},
    {"orion", kHostOrion},
    {"sawstudio", kHostSAWStudio},
    {"logic", kHostLogic},
    {"digital", kHostDigitalPerformer},
    {"audiomulch", kHostAudioMulch},
    {"presonus", kHostStudioOne},
    {"vst3plugintesthost", kHostVST3TestHost},
    {"protools", kHostProTools},
    {"ardour", kHostArdour},
    {"openmpt", kHostOpenMPT},
    {"renoise", kHostRenoise},
    {"standalone", kHostStandalone},
};
} // namespace

int IdentifyHost(const char* name)
{
  char lower[256];
  size_t n = 0;
  if (name)
    for (; n + 1 < sizeof lower && name[n]; ++n)
      lower[n] =
          (name[n] >= 'A' && name[n] <= 'Z') ? static_cast<char>(name[n] - 'A' + 'a') : name[n];
  lower[n] = '\0';

  for (const HostFragment& entry : kHostFragments)
    if (std::strstr(lower, entry.fragment)) return entry.code;
  return kHostUnknown;
}
