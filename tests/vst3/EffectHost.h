#pragma once
// One KORU instance as a host holds it: the module loaded through its entry points, the effect
// created by the factory, its interfaces queried, initialised with a host context. Everything
// goes through the VST3 interfaces; nothing of the effect's own code is called directly.

#include "effect/KORUParams.h"
#include "harness/ComponentHandler.h"
#include "harness/HostApplication.h"
#include "harness/ModuleLoader.h"
#include "harness/ParameterChanges.h"
#include "harness/ProcessBuffers.h"
#include "harness/TestStream.h"

#include "pluginterfaces/base/ibstream.h"
#include "pluginterfaces/vst/ivstaudioprocessor.h"
#include "pluginterfaces/vst/ivstcomponent.h"
#include "pluginterfaces/vst/ivsteditcontroller.h"
#include "pluginterfaces/vst/ivstunits.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

namespace koru_test
{

using namespace Steinberg;
using namespace Steinberg::Vst;

constexpr ParamID kPresetId = 0x70727374; // "prst"
constexpr ParamID kBypassId = 0x62706173; // "bpas"
constexpr int kEffectParams = 9;
constexpr int kStateBytes = 76;

// Plain default values in index order, as the state block stores them.
inline const double kDefaults[kEffectParams] = {0.0, 0.0, 0.5, 0.5, 0.5, 0.01, 0.0, 0.0, 0.0};

// The class id's bytes as the factory reports them: the four words in the COM layout on
// Windows, most significant byte first elsewhere. Hosts on both read the same text back.
#ifdef _WIN32
inline const unsigned char kClassId[16] = {0x0D, 0xE7, 0xAE, 0xF2, 0xDE, 0x00, 0x4E, 0x4F,
                                           'Q',  'l',  'm',  'r',  'K',  'R',  'U',  '1'};
#else
inline const unsigned char kClassId[16] = {0xF2, 0xAE, 0xE7, 0x0D, 0x00, 0xDE, 0x4F, 0x4E,
                                           'Q',  'l',  'm',  'r',  'K',  'R',  'U',  '1'};
#endif
inline const char kClassIdText[] = "F2AEE70D00DE4F4E516C6D724B525531";

constexpr double kPi = 3.14159265358979323846;

// char16 is char16_t on Linux and wchar_t on Windows: the same UTF-16 units either way.
inline std::u16string Text(const char16* text)
{
  return std::u16string(reinterpret_cast<const char16_t*>(text));
}

// The module, loaded for the life of one test.
class Module
{
public:
  Module() { mLoaded = mLoader.Load(KORU_BUNDLE_PATH); }
  bool Loaded() const { return mLoaded; }
  const std::string& Error() const { return mLoader.Error(); }
  IPluginFactory* Factory() const { return mLoader.Factory(); }

private:
  harness::ModuleLoader mLoader;
  bool mLoaded = false;
};

class EffectHost
{
public:
  // Creates the effect; initialises it with the host context unless told not to.
  explicit EffectHost(IPluginFactory* factory, bool initialize = true)
  {
    void* obj = nullptr;
    if (factory == nullptr ||
        factory->createInstance(reinterpret_cast<FIDString>(kClassId), IComponent::iid, &obj) !=
            kResultOk ||
        obj == nullptr)
      return;
    component = static_cast<IComponent*>(obj);
    component->queryInterface(IAudioProcessor::iid, reinterpret_cast<void**>(&processor));
    component->queryInterface(IEditController::iid, reinterpret_cast<void**>(&controller));
    component->queryInterface(IEditController2::iid, reinterpret_cast<void**>(&controller2));
    component->queryInterface(IUnitInfo::iid, reinterpret_cast<void**>(&units));
    if (initialize) Initialize();
  }

  ~EffectHost()
  {
    if (active) component->setActive(false);
    if (initialized) component->terminate();
    for (FUnknown* unknown :
         std::vector<FUnknown*>{units, controller2, controller, processor, component})
      if (unknown) unknown->release();
  }

  EffectHost(const EffectHost&) = delete;
  EffectHost& operator=(const EffectHost&) = delete;

  bool Valid() const { return component && processor && controller && controller2 && units; }

  // As hosts do: initialise, then activate every bus the component marks default-active.
  tresult Initialize()
  {
    const tresult result = component->initialize(&app);
    initialized = true;
    for (BusDirection dir : {kInput, kOutput})
    {
      for (int32 i = 0; i < component->getBusCount(kAudio, dir); ++i)
      {
        BusInfo info{};
        if (component->getBusInfo(kAudio, dir, i, info) == kResultOk &&
            (info.flags & BusInfo::kDefaultActive) != 0)
          component->activateBus(kAudio, dir, i, true);
      }
    }
    return result;
  }

  // setupProcessing, then activation.
  tresult Setup(int32 sampleSize, int32 maxBlock, double rate = 48000.0)
  {
    ProcessSetup setup{kRealtime, sampleSize, maxBlock, rate};
    const tresult result = processor->setupProcessing(setup);
    if (!active) active = component->setActive(true) == kResultOk;
    return result;
  }

  tresult Process(harness::ProcessBuffers& buffers) { return processor->process(buffers.Data()); }

  // One block whose only content is a parameter change.
  tresult SendChange(ParamID id, ParamValue value, int32 sampleSize = kSample64)
  {
    harness::ParameterChanges changes;
    changes.Add(id, value);
    harness::ProcessBuffers buffers = harness::ProcessBuffers::Single(sampleSize, 2, 2, 0);
    buffers.SetInputParameterChanges(&changes);
    return Process(buffers);
  }

  std::vector<uint8_t> State()
  {
    harness::TestStream stream;
    EXPECT_EQ(controller->getState(&stream), kResultOk);
    return stream.Bytes();
  }

  tresult LoadState(const std::vector<uint8_t>& bytes)
  {
    harness::TestStream stream(bytes);
    return controller->setState(&stream);
  }

  bool Bypassed() { return controller->getParamNormalized(kBypassId) == 1.0; }

  harness::HostApplication app{"KORU test host"};
  IComponent* component = nullptr;
  IAudioProcessor* processor = nullptr;
  IEditController* controller = nullptr;
  IEditController2* controller2 = nullptr;
  IUnitInfo* units = nullptr;
  bool initialized = false;
  bool active = false;
};

// A test signal with some body: two tones per channel, different on left and right, scaled
// so the input stage and the compressor have work to do. Values are exact in 32 bits.
inline double Signal(int channel, int frame)
{
  const double t = frame / 48000.0;
  const double v =
      channel == 0
          ? 0.6 * std::sin(2.0 * kPi * 220.0 * t) + 0.3 * std::sin(2.0 * kPi * 3300.0 * t)
          : 0.5 * std::sin(2.0 * kPi * 330.0 * t + 0.4) + 0.35 * std::sin(2.0 * kPi * 7100.0 * t);
  return static_cast<double>(static_cast<float>(v));
}

// Outputs of one processed stretch, channel by channel.
using Channels = std::vector<std::vector<double>>;

// Processes frames [first, first + n) of Signal through the effect in one call (numSamples n,
// whatever the announced maximum) and appends the outputs.
inline tresult ProcessStretch(EffectHost& host, int32 sampleSize, int first, int n, Channels& out,
                              int inChannels = 2, int outChannels = 2,
                              IParameterChanges* changes = nullptr)
{
  harness::ProcessBuffers buffers =
      harness::ProcessBuffers::Single(sampleSize, inChannels, outChannels, n);
  buffers.FillInput(0, [first](int c, int f) { return Signal(c, first + f); });
  buffers.SetInputParameterChanges(changes);
  const tresult result = host.Process(buffers);
  out.resize(static_cast<size_t>(outChannels));
  for (int c = 0; c < outChannels; ++c)
    for (int f = 0; f < n; ++f) out[c].push_back(buffers.Output(0, c, f));
  return result;
}

// Processes Signal from frame 0 in blocks of the given sizes, cycling through them until
// total frames are done.
inline Channels ProcessInBlocks(EffectHost& host, int32 sampleSize, int total,
                                const std::vector<int>& sizes)
{
  Channels out;
  int done = 0;
  for (size_t i = 0; done < total; ++i)
  {
    const int n = std::min(sizes[i % sizes.size()], total - done);
    EXPECT_EQ(ProcessStretch(host, sampleSize, done, n, out), kResultOk);
    done += n;
  }
  return out;
}

inline double ReadDouble(const std::vector<uint8_t>& bytes, size_t pos)
{
  uint64_t bits = 0;
  for (int i = 7; i >= 0; --i) bits = bits << 8 | bytes[pos + i];
  double v;
  std::memcpy(&v, &bits, sizeof(v));
  return v;
}

inline void WriteDouble(std::vector<uint8_t>& bytes, size_t pos, double v)
{
  uint64_t bits;
  std::memcpy(&bits, &v, sizeof(v));
  for (int i = 0; i < 8; ++i) bytes[pos + i] = static_cast<uint8_t>(bits >> (8 * i));
}

// A state stream: nine doubles then the bypass integer, little-endian.
inline std::vector<uint8_t> StateBytes(const std::vector<double>& values, int32_t bypass)
{
  std::vector<uint8_t> bytes(values.size() * 8 + 4, 0);
  for (size_t i = 0; i < values.size(); ++i) WriteDouble(bytes, i * 8, values[i]);
  const auto flag = static_cast<uint32_t>(bypass);
  for (int i = 0; i < 4; ++i) bytes[values.size() * 8 + i] = static_cast<uint8_t>(flag >> (8 * i));
  return bytes;
}

// Base for tests that need the module and one initialised instance.
class EffectTest : public ::testing::Test
{
protected:
  void SetUp() override
  {
    ASSERT_TRUE(mModule.Loaded()) << mModule.Error();
    mHost = std::make_unique<EffectHost>(mModule.Factory());
    ASSERT_TRUE(mHost->Valid());
  }
  void TearDown() override { mHost.reset(); }

  std::unique_ptr<EffectHost> NewHost(bool initialize = true)
  {
    auto host = std::make_unique<EffectHost>(mModule.Factory(), initialize);
    EXPECT_TRUE(host->Valid());
    return host;
  }

  EffectHost& host() { return *mHost; }

  Module mModule;
  std::unique_ptr<EffectHost> mHost;
};

} // namespace koru_test
