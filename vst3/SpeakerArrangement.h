#pragma once

#include "pluginterfaces/vst/vstspeaker.h"

// The speaker arrangement announced for a bus of a given channel count. Counts the table does
// not name (0, or more than six) give the empty arrangement: no bus is offered for them.
inline Steinberg::Vst::SpeakerArrangement SpeakerArrangementForChannels(int channels)
{
  switch (channels)
  {
  case 1: return 0x80000; // mono
  case 2: return 0x3;     // left, right
  case 3: return 0x103;   // left, right, centre surround
  case 4: return 0x33;    // left, right, left and right surround
  case 5: return 0x37;    // left, right, centre, left and right surround
  case 6: return 0x3F;    // left, right, centre, LFE, left and right surround
  default: return 0;
  }
}

// Channels of an arrangement: one per set bit.
inline int ChannelsOfArrangement(Steinberg::Vst::SpeakerArrangement arrangement)
{
  return static_cast<int>(Steinberg::Vst::SpeakerArr::getChannelCount(arrangement));
}
