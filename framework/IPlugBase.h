#pragma once
#include "framework/IChunk.h"
#include "framework/IParamSlot.h"
#include "framework/IPresetSlot.h"
#include "framework/ITimeInfo.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

class IGraphics;

// Packs four characters big-endian, first character in the top byte ("KRU1").
constexpr int32_t FourCharCode(const char (&id)[5])
{
  return static_cast<int32_t>((static_cast<uint32_t>(static_cast<unsigned char>(id[0])) << 24) |
                              (static_cast<uint32_t>(static_cast<unsigned char>(id[1])) << 16) |
                              (static_cast<uint32_t>(static_cast<unsigned char>(id[2])) << 8) |
                              static_cast<uint32_t>(static_cast<unsigned char>(id[3])));
}

// Host-independent base of every plug-in: parameter records, presets, channel plumbing,
// the editor pointer and the instance mutex.
//
// Threads. The host's audio thread enters through the binding's processing call, which
// holds the instance mutex for the whole call. The user-interface thread enters through the
// controller, the state calls and the editor. The mutex is recursive: code that holds it
// (processing, state loading) calls hooks that take it again on the same thread.
//
// Samples are 64-bit inside the framework; 32-bit host buffers are widened into per-channel
// scratch buffers on the way in and narrowed on the way out.
class IPlugBase
{
public:
  enum EAPI
  {
    kAPIVST3 = 1
  };

  static constexpr size_t kNameSize = 128;

  IPlugBase(int nParams, const char* channelIOText, int nPresets, const char* effectName,
            const char* productName, const char* makerName, int32_t version, int32_t uniqueId,
            int32_t makerId, int latency, bool doesMidi, bool isInstrument, int apiKind);

  // --- Hooks, in slot order -------------------------------------------------------------
  virtual ~IPlugBase();

  // Processing was set up (rate, block size). Default: waits out any holder of the mutex.
  virtual void ResetProcessing();
  // A parameter's plain value changed (from the host, the editor or a state load). Called
  // with the mutex held by the caller or taken here; may run on any thread.
  virtual void ParamChanged(int index);
  // One block of 64-bit audio; arrays of channel pointers. Runs on the audio thread with the
  // mutex held; must not allocate, block or make system calls. Default: PassThrough.
  virtual void ProcessBlock(double** inputs, double** outputs, int nFrames);
  virtual void EditorOpened() {}
  virtual void EditorClosed() {}
  virtual void ActivationChanged(bool active);
  virtual void HandleMidi(const IMidiMsg* message) { SendMidi(message); }
  virtual bool MidiNoteLabel(int note, char* out);
  // Parameter block of the current values appended to chunk.
  virtual bool SaveState(IChunk& chunk);
  // Answers the position after the block, or -1 when the data ran out.
  virtual int LoadState(const IChunk& chunk, int start);
  virtual bool StateMatches(const double* values, int start) const;
  virtual void EditorResized() {}
  virtual void HostIdentified() {}
  virtual void ShowHostParamMenu(int /*index*/, int /*x*/, int /*y*/) {}
  // The editor's path to the host: stores the value, tells the host, fires ParamChanged.
  virtual void ParamFromEditor(int index, double normalized);
  virtual void BeginHostEdit(int /*index*/) {}
  virtual void PerformHostEdit(int /*index*/, double /*normalized*/) {}
  virtual void EndHostEdit(int /*index*/) {}
  virtual bool IsOffline() const { return false; }
  virtual int SamplePosition() const { return 0; }
  virtual double Tempo() const { return 0.0; }
  virtual void TimeSignature(int& numerator, int& denominator) const;
  virtual void TransportInfo(ITimeInfo& info) const;
  virtual int HostKind() const { return mHostKind; }
  virtual int PluginApi() const { return mApiKind; }
  virtual void ResizeEditor(int /*width*/, int /*height*/) {}
  // Takes ownership of the editor and pushes every parameter's value to its controls.
  virtual void AttachEditor(IGraphics* graphics);
  virtual void SetLatencySamples(int samples);
  virtual bool SendMidi(const IMidiMsg* /*message*/) { return false; }
  // Pushes every parameter's plain value to the editor (no mutex taken).
  virtual void RefreshParamControls();
  virtual void PresetRestored() {}
  virtual void SetMaxBlockSize(int frames);

  // --- Parameters -----------------------------------------------------------------------
  // The record at index, or null; inline, as the audio thread asks for it per change and block.
  IParamSlot* Param(int index)
  {
    return index >= 0 && index < ParamCount() ? mParams[index].get() : nullptr;
  }
  const IParamSlot* Param(int index) const
  {
    return index >= 0 && index < ParamCount() ? mParams[index].get() : nullptr;
  }
  int ParamCount() const { return static_cast<int>(mParams.size()); }

  // --- State and presets ----------------------------------------------------------------
  bool SerializeParams(IChunk& chunk);
  int UnserializeParams(const IChunk& chunk, int start);
  void InitDefaultPreset(const char* name);
  bool LoadPreset(int index);
  int PresetCount() const { return static_cast<int>(mPresets.size()); }
  const IPresetSlot* Preset(int index) const;
  int CurrentPreset() const { return mCurrentPreset; }

  // --- Channels -------------------------------------------------------------------------
  int InputChannelCount() const { return static_cast<int>(mInputs.size()); }
  int OutputChannelCount() const { return static_cast<int>(mOutputs.size()); }
  bool LegalIO(int nInputs, int nOutputs) const;
  const std::vector<std::pair<int, int>>& LegalIOPairs() const { return mLegalIO; }

  void ConnectInputs(int start, int count, bool connected);
  void ConnectOutputs(int start, int count, bool connected);
  void AttachInputs32(int start, int count, float* const* buffers, int nFrames);
  void AttachInputs64(int start, int count, double* const* buffers);
  void AttachOutputs32(int start, int count, float* const* buffers);
  void AttachOutputs64(int start, int count, double* const* buffers);
  void ConvertOutputs32(int nFrames);
  void PassThrough(int nFrames);
  bool InputConnected(int channel) const;
  bool OutputConnected(int channel) const;
  double** InputPointers() { return mInputPtrs.data(); }
  double** OutputPointers() { return mOutputPtrs.data(); }
  // Scratch capacity in frames: the most a block may carry.
  int MaxBlockSize() const { return mMaxBlockSize; }

  // --- Identity and host ----------------------------------------------------------------
  const char* EffectName() const { return mEffectName; }
  const char* ProductName() const { return mProductName; }
  const char* MakerName() const { return mMakerName; }
  int32_t UniqueId() const { return mUniqueId; }
  int32_t MakerId() const { return mMakerId; }
  int32_t Version() const { return mVersion; }
  bool IsInstrument() const { return mIsInstrument; }
  bool DoesMidi() const { return mDoesMidi; }
  void SetHost(int hostKind, int hostVersion);
  int HostVersion() const { return mHostVersion; }

  double SampleRate() const { return mSampleRate; }
  void SetSampleRate(double sampleRate) { mSampleRate = sampleRate; }
  int Latency() const { return mLatency; }
  int TailLength() const { return mTailLength; }
  bool IsBypassed() const { return mIsBypassed; }
  void SetBypassed(bool bypassed) { mIsBypassed = bypassed; }

  IGraphics* GetGUI() const { return mGraphics; }
  std::recursive_mutex& Mutex() { return mMutex; }

protected:
  std::vector<std::string>& GroupNames() { return mGroupNames; }
  std::vector<std::string>& InputBusLabels() { return mInputBusLabels; }
  std::vector<std::string>& OutputBusLabels() { return mOutputBusLabels; }
  // Bypass delay line for a plug-in with inputs; with latency 0 it never delays.
  void CreateDelayLine(int nInputs, int nOutputs, int length);

private:
  struct InputChannel
  {
    bool connected = false;
    double** source = nullptr;
    std::vector<double> scratch;
  };
  struct OutputChannel
  {
    bool connected = false;
    double** destination = nullptr;
    float* destination32 = nullptr;
    std::vector<double> scratch;
  };
  struct DelayLine
  {
    std::vector<double> buffer;
    int writePos = 0;
    int nInputs = 0;
    int nOutputs = 0;
    int length = 0;
  };

  void ParseChannelIO(const char* text);
  static void CopyInputsToOutputs(double* const* inputs, int nInputs, double* const* outputs,
                                  int nOutputs, int nFrames);

  std::vector<std::pair<int, int>> mLegalIO;
  std::recursive_mutex mMutex;
  char mEffectName[kNameSize] = {};
  char mProductName[kNameSize] = {};
  char mMakerName[kNameSize] = {};
  int32_t mUniqueId = 0;
  int32_t mMakerId = 0;
  int32_t mVersion = 0;
  int mApiKind = kAPIVST3;
  int mHostKind = -1;
  int mHostVersion = 0;
  bool mIsInstrument = false;
  bool mDoesMidi = false;
  bool mIsBypassed = false;
  int mCurrentPreset = 0;
  double mSampleRate = 44100.0;
  int mMaxBlockSize = 0;
  int mLatency = 0;
  int mTailLength = 0;
  std::unique_ptr<DelayLine> mDelayLine;
  std::vector<std::string> mGroupNames;
  IGraphics* mGraphics = nullptr;
  std::vector<std::unique_ptr<IParamSlot>> mParams;
  std::vector<std::unique_ptr<IPresetSlot>> mPresets;
  std::vector<double*> mInputPtrs;
  std::vector<double*> mOutputPtrs;
  std::vector<InputChannel> mInputs;
  std::vector<OutputChannel> mOutputs;
  std::vector<std::string> mInputBusLabels;
  std::vector<std::string> mOutputBusLabels;
};
