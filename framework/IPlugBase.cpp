#include "framework/IPlugBase.h"

#include "framework/Truncate.h"
#include "graphics/IControl.h"
#include "graphics/IGraphics.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <emmintrin.h>

IPlugBase::IPlugBase(int nParams, const char* channelIOText, int nPresets, const char* effectName,
                     const char* productName, const char* makerName, int32_t version,
                     int32_t uniqueId, int32_t makerId, int latency, bool doesMidi,
                     bool isInstrument, int apiKind)
  : mUniqueId(uniqueId)
  , mMakerId(makerId)
  , mVersion(version)
  , mApiKind(apiKind)
  , mIsInstrument(isInstrument)
  , mDoesMidi(doesMidi)
  , mLatency(latency)
{
  for (int i = 0; i < nParams; ++i) mParams.push_back(std::make_unique<IParamSlot>());
  for (int i = 0; i < nPresets; ++i) mPresets.push_back(std::make_unique<IPresetSlot>());

  CopyTruncated(mEffectName, kNameSize, effectName);
  CopyTruncated(mProductName, kNameSize, productName);
  CopyTruncated(mMakerName, kNameSize, makerName);

  ParseChannelIO(channelIOText);
  int nIn = 0, nOut = 0;
  for (const auto& pair : mLegalIO)
  {
    nIn = std::max(nIn, pair.first);
    nOut = std::max(nOut, pair.second);
  }

  // The slots live in arrays that never resize, so their addresses stay valid.
  mInputPtrs.assign(nIn, nullptr);
  mOutputPtrs.assign(nOut, nullptr);
  mInputs.resize(nIn);
  mOutputs.resize(nOut);
  for (int i = 0; i < nIn; ++i) mInputs[i].source = &mInputPtrs[i];
  for (int i = 0; i < nOut; ++i) mOutputs[i].destination = &mOutputPtrs[i];

  mInputBusLabels.emplace_back("Input");
  mOutputBusLabels.emplace_back("Output");
}

IPlugBase::~IPlugBase() { delete mGraphics; }

void IPlugBase::ParseChannelIO(const char* text)
{
  // Tokens "in-out" separated by single blanks; a token that does not match leaves zeros.
  while (text)
  {
    int nIn = 0, nOut = 0;
    // An empty token (two blanks in a row) is an empty pair, not the next token.
    if (*text != ' ') std::sscanf(text, "%d-%d", &nIn, &nOut);
    mLegalIO.emplace_back(nIn, nOut);
    text = std::strchr(text, ' ');
    if (text) ++text;
  }
}

bool IPlugBase::LegalIO(int nInputs, int nOutputs) const
{
  for (const auto& pair : mLegalIO)
    if ((nInputs < 0 || nInputs == pair.first) && (nOutputs < 0 || nOutputs == pair.second))
      return true;
  return false;
}

// --- Default hooks ----------------------------------------------------------------------

void IPlugBase::ResetProcessing() { std::lock_guard<std::recursive_mutex> lock(mMutex); }
void IPlugBase::ParamChanged(int) { std::lock_guard<std::recursive_mutex> lock(mMutex); }
void IPlugBase::ActivationChanged(bool) { std::lock_guard<std::recursive_mutex> lock(mMutex); }

void IPlugBase::ProcessBlock(double** inputs, double** outputs, int nFrames)
{
  CopyInputsToOutputs(inputs, InputChannelCount(), outputs, OutputChannelCount(), nFrames);
}

bool IPlugBase::MidiNoteLabel(int, char* out)
{
  if (out) out[0] = '\0';
  return false;
}

bool IPlugBase::SaveState(IChunk& chunk) { return SerializeParams(chunk); }
int IPlugBase::LoadState(const IChunk& chunk, int start) { return UnserializeParams(chunk, start); }

bool IPlugBase::StateMatches(const double* values, int start) const
{
  for (int i = 0; i < ParamCount(); ++i)
  {
    const float mine = static_cast<float>(mParams[i]->Value());
    const float theirs = static_cast<float>(values[start + i]);
    if (!(std::fabs(mine - theirs) < 0.00001f)) return false;
  }
  return true;
}

void IPlugBase::TimeSignature(int& numerator, int& denominator) const
{
  numerator = 0;
  denominator = 0;
}

void IPlugBase::TransportInfo(ITimeInfo& info) const { info = ITimeInfo{}; }

void IPlugBase::ParamFromEditor(int index, double normalized)
{
  std::lock_guard<std::recursive_mutex> lock(mMutex);
  IParamSlot* param = Param(index);
  if (!param) return;
  param->ApplyNormalized(normalized);
  PerformHostEdit(index, normalized);
  ParamChanged(index);
}

void IPlugBase::AttachEditor(IGraphics* graphics)
{
  if (!graphics) return;
  std::lock_guard<std::recursive_mutex> lock(mMutex);
  for (int i = 0; i < ParamCount(); ++i)
    graphics->PushNormalizedToControls(i, mParams[i]->Normalized());
  graphics->PrepareSurfaces();
  if (mGraphics != graphics) delete mGraphics;
  mGraphics = graphics;
}

void IPlugBase::RefreshParamControls()
{
  if (!mGraphics) return;
  for (int i = 0; i < ParamCount(); ++i) mGraphics->ParamFromPlugin(i, mParams[i]->Value(), false);
}

void IPlugBase::SetLatencySamples(int samples)
{
  mLatency = samples;
  if (mDelayLine) CreateDelayLine(mDelayLine->nInputs, mDelayLine->nOutputs, samples);
}

void IPlugBase::CreateDelayLine(int nInputs, int nOutputs, int length)
{
  auto line = std::make_unique<DelayLine>();
  line->nInputs = nInputs;
  line->nOutputs = nOutputs;
  line->length = std::max(0, length);
  line->buffer.assign(static_cast<size_t>(line->length) * std::max(0, nInputs), 0.0);
  mDelayLine = std::move(line);
}

void IPlugBase::SetMaxBlockSize(int frames)
{
  if (frames == mMaxBlockSize) return;
  const size_t size = static_cast<size_t>(std::max(0, frames));
  for (InputChannel& in : mInputs) in.scratch.assign(size, 0.0);
  for (OutputChannel& out : mOutputs) out.scratch.assign(size, 0.0);
  mMaxBlockSize = frames;
}

// --- Parameters and host ----------------------------------------------------------------

const IPresetSlot* IPlugBase::Preset(int index) const
{
  return index >= 0 && index < PresetCount() ? mPresets[index].get() : nullptr;
}

void IPlugBase::SetHost(int hostKind, int hostVersion)
{
  mHostKind = hostKind;
  mHostVersion = hostVersion;
}

// --- Channel plumbing -------------------------------------------------------------------

void IPlugBase::ConnectInputs(int start, int count, bool connected)
{
  const int end = std::min(start + count, InputChannelCount());
  for (int i = std::max(0, start); i < end; ++i)
  {
    mInputs[i].connected = connected;
    if (!connected) *mInputs[i].source = mInputs[i].scratch.data();
  }
}

void IPlugBase::ConnectOutputs(int start, int count, bool connected)
{
  const int end = std::min(start + count, OutputChannelCount());
  for (int i = std::max(0, start); i < end; ++i)
  {
    mOutputs[i].connected = connected;
    if (!connected) *mOutputs[i].destination = mOutputs[i].scratch.data();
  }
}

void IPlugBase::AttachInputs32(int start, int count, float* const* buffers, int nFrames)
{
  const int end = std::min(start + count, InputChannelCount());
  const int frames = std::clamp(nFrames, 0, mMaxBlockSize);
  int next = 0;
  for (int i = std::max(0, start); i < end; ++i)
  {
    InputChannel& in = mInputs[i];
    if (!in.connected) continue;
    const float* src = buffers ? buffers[next] : nullptr;
    ++next;
    // A host that hands no buffer for a connected channel gets silence, not a crash.
    double* scratch = in.scratch.data();
    if (src)
    {
      // Two samples at a time (each converted exactly as a single one would be), then the last.
      int s = 0;
      for (; s + 2 <= frames; s += 2)
        _mm_storeu_pd(&scratch[s], _mm_cvtps_pd(_mm_castsi128_ps(_mm_loadl_epi64(
                                       reinterpret_cast<const __m128i*>(&src[s])))));
      if (s < frames) scratch[s] = static_cast<double>(src[s]);
    }
    else
    {
      std::fill_n(scratch, frames, 0.0);
    }
    *in.source = in.scratch.data();
  }
}

void IPlugBase::AttachInputs64(int start, int count, double* const* buffers)
{
  const int end = std::min(start + count, InputChannelCount());
  int next = 0;
  for (int i = std::max(0, start); i < end; ++i)
  {
    InputChannel& in = mInputs[i];
    if (!in.connected) continue;
    double* src = buffers ? buffers[next] : nullptr;
    ++next;
    *in.source = src ? src : in.scratch.data();
  }
}

void IPlugBase::AttachOutputs32(int start, int count, float* const* buffers)
{
  const int end = std::min(start + count, OutputChannelCount());
  int next = 0;
  for (int i = std::max(0, start); i < end; ++i)
  {
    OutputChannel& out = mOutputs[i];
    if (!out.connected) continue;
    *out.destination = out.scratch.data();
    out.destination32 = buffers ? buffers[next] : nullptr;
    ++next;
  }
}

void IPlugBase::AttachOutputs64(int start, int count, double* const* buffers)
{
  const int end = std::min(start + count, OutputChannelCount());
  int next = 0;
  for (int i = std::max(0, start); i < end; ++i)
  {
    OutputChannel& out = mOutputs[i];
    if (!out.connected) continue;
    double* dst = buffers ? buffers[next] : nullptr;
    ++next;
    *out.destination = dst ? dst : out.scratch.data();
  }
}

void IPlugBase::ConvertOutputs32(int nFrames)
{
  constexpr double kFloatMax = FLT_MAX;
  const int frames = std::max(0, nFrames);
  for (OutputChannel& out : mOutputs)
  {
    if (!out.connected || !out.destination32 || !*out.destination) continue;
    const double* src = *out.destination;
    float* dst = out.destination32;
    // Values beyond the float range become the largest float rather than undefined behaviour; a
    // non-number stays one (max and min answer their second operand where one is a non-number).
    // Two samples at a time, each converted exactly as a single one would be, then the last.
    const __m128d lowest = _mm_set1_pd(-kFloatMax), highest = _mm_set1_pd(kFloatMax);
    int s = 0;
    for (; s + 2 <= frames; s += 2)
    {
      const __m128d v = _mm_min_pd(highest, _mm_max_pd(lowest, _mm_loadu_pd(&src[s])));
      _mm_storel_pi(reinterpret_cast<__m64*>(&dst[s]), _mm_cvtpd_ps(v));
    }
    if (s < frames) dst[s] = static_cast<float>(std::clamp(src[s], -kFloatMax, kFloatMax));
  }
}

void IPlugBase::PassThrough(int nFrames)
{
  CopyInputsToOutputs(mInputPtrs.data(), InputChannelCount(), mOutputPtrs.data(),
                      OutputChannelCount(), nFrames);
}

void IPlugBase::CopyInputsToOutputs(double* const* inputs, int nInputs, double* const* outputs,
                                    int nOutputs, int nFrames)
{
  const int frames = std::max(0, nFrames);
  for (int i = 0; i < nOutputs; ++i)
  {
    double* dst = outputs[i];
    if (!dst) continue;
    // memmove: hosts may process in place, with input and output the same memory.
    if (i < nInputs && inputs[i])
      std::memmove(dst, inputs[i], sizeof(double) * frames);
    else
      std::fill(dst, dst + frames, 0.0);
  }
}

bool IPlugBase::InputConnected(int channel) const
{
  return channel >= 0 && channel < InputChannelCount() && mInputs[channel].connected;
}

bool IPlugBase::OutputConnected(int channel) const
{
  return channel >= 0 && channel < OutputChannelCount() && mOutputs[channel].connected;
}
