#pragma once
#include "effect/KORU.h"

#include <memory>
#include <vector>

// Drives a KORU object through its block hook, as the binding does, with stereo 64-bit buffers.
struct KORURig
{
  explicit KORURig(double sampleRate = 48000.0, int maxBlock = 4096) : plug(new KORU())
  {
    plug->SetSampleRate(sampleRate);
    plug->SetMaxBlockSize(maxBlock);
  }

  // Processes the two channels in blocks of blockSize; answers the outputs.
  std::pair<std::vector<double>, std::vector<double>>
  Run(std::vector<double> left, std::vector<double> right, int blockSize = 512)
  {
    std::vector<double> outL(left.size()), outR(right.size());
    for (size_t start = 0; start < left.size(); start += blockSize)
    {
      const int n = static_cast<int>(std::min<size_t>(blockSize, left.size() - start));
      double* ins[] = {left.data() + start, right.data() + start};
      double* outs[] = {outL.data() + start, outR.data() + start};
      plug->ProcessBlock(ins, outs, n);
    }
    return {outL, outR};
  }

  void SetParam(int index, double plain)
  {
    plug->Param(index)->ClampSet(plain);
    plug->ParamChanged(index);
  }

  std::unique_ptr<KORU> plug;
};

std::vector<double> Sine(double freq, double amplitude, double fs, size_t n);
double Rms(const std::vector<double>& v, size_t from = 0);
