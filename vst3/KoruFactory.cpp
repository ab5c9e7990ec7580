#include "vst3/KoruFactory.h"

#include "vst3/KoruClassId.h"
#include "vst3/PluginFactory.h"

#include "pluginterfaces/vst/ivstaudioprocessor.h"
#include "pluginterfaces/vst/ivstcomponent.h"

#include <mutex>
#include <new>

using namespace Steinberg;

namespace
{

constexpr char kVendor[] = "Quillmoor";
constexpr char kVendorUrl[] = "https://quillmoor.example";
constexpr char kVendorEmail[] = "mailto:support@quillmoor.example";

constexpr char kEffectName[] = "KORU";
constexpr char kSubCategories[] = "Fx|EQ";
constexpr char kEffectVersion[] = "2.0.0";
// The SDK release the effect's interfaces were designed against, announced to hosts.
constexpr char kSdkVersion[] = "VST 3.6.12";

// Serialises instance construction across host threads; lives until the module unloads.
std::mutex& CreationMutex()
{
  static std::mutex mutex;
  return mutex;
}

FUnknown* CreateKoru(void* /*context*/)
{
  try
  {
    std::lock_guard<std::mutex> lock(CreationMutex());
    return CreateKoruInstance();
  }
  catch (...)
  {
    return nullptr;
  }
}

} // namespace

IPluginFactory* KoruGetPluginFactory()
{
  static std::mutex factoryMutex;
  std::lock_guard<std::mutex> lock(factoryMutex);

  if (gPluginFactory != nullptr)
  {
    gPluginFactory->addRef();
    return gPluginFactory;
  }

  static const PFactoryInfo factoryInfo(kVendor, kVendorUrl, kVendorEmail, PFactoryInfo::kUnicode);
  static const PClassInfo2 classInfo(
      reinterpret_cast<const char8*>(KoruClassId::kBytes), PClassInfo::kManyInstances,
      kVstAudioEffectClass, kEffectName, Vst::kSimpleModeSupported, kSubCategories,
      /*vendor: the factory's applies*/ "", kEffectVersion, kSdkVersion);

  auto* factory = new (std::nothrow) CPluginFactory(factoryInfo);
  if (factory == nullptr) return nullptr;
  if (!factory->registerClass(&classInfo, CreateKoru))
  {
    factory->release();
    return nullptr;
  }
  gPluginFactory = factory;
  return factory;
}
