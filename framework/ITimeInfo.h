#pragma once

// Transport state as the host reports it.
struct ITimeInfo
{
  double tempo = 0.0;
  double samplePos = 0.0;
  double ppqPos = 0.0;
  double lastBar = 0.0;
  double cycleStart = 0.0;
  double cycleEnd = 0.0;
  int numerator = 0;
  int denominator = 0;
  bool transportIsRunning = false;
  bool transportLoopEnabled = false;
};

// A short MIDI message at a sample offset within the block.
struct IMidiMsg
{
  int offset = 0;
  unsigned char status = 0, data1 = 0, data2 = 0;
};
