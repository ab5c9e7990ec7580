// The built bundle as a host meets it: layout, exports, factory records, class id.
#include "EffectHost.h"
#include "harness/HostApplication.h"
#include "harness/ModuleLoader.h"

#include "pluginterfaces/vst/ivstaudioprocessor.h"
#include "pluginterfaces/vst/ivstcomponent.h"
#include "pluginterfaces/vst/ivsteditcontroller.h"
#include "pluginterfaces/vst/ivstmessage.h"
#include "pluginterfaces/vst/ivstunits.h"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <set>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <vector>

using namespace Steinberg;

namespace
{

const std::string kBundle = KORU_BUNDLE_PATH;

// Where the library sits in the bundle and which entry points it exports, per platform.
#ifdef _WIN32
const std::string kModuleInBundle = "/Contents/x86_64-win/KORU.vst3";
const char* const kEntryPoints[] = {"InitDll", "ExitDll", "GetPluginFactory"};
#else
const std::string kModuleInBundle = "/Contents/x86_64-linux/KORU.so";
const char* const kEntryPoints[] = {"ModuleEntry", "ModuleExit", "InitDll", "ExitDll",
                                    "GetPluginFactory"};
#endif

const unsigned char (&kClassIdBytes)[16] = koru_test::kClassId;

bool IsFile(const std::string& path)
{
  struct stat info = {};
  return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool IsDirectory(const std::string& path)
{
  struct stat info = {};
  return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::string ReadFile(const std::string& path)
{
  std::ifstream in(path);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// char16 is char16_t on Linux and wchar_t on Windows: the same UTF-16 units either way.
std::u16string Text16(const char16* text)
{
  return std::u16string(reinterpret_cast<const char16_t*>(text));
}

class ModuleEntryTest : public ::testing::Test
{
protected:
  void SetUp() override { ASSERT_TRUE(mLoader.Load(kBundle)) << mLoader.Error(); }

  IPluginFactory* Factory() { return mLoader.Factory(); }

  harness::ModuleLoader mLoader;
};

} // namespace

TEST(ModuleBundleTest, LayoutHoldsModuleAndModuleInformation)
{
  EXPECT_TRUE(IsDirectory(kBundle));
  EXPECT_TRUE(IsFile(kBundle + kModuleInBundle));
  EXPECT_EQ(harness::ModuleLoader::ModulePathInBundle(kBundle), kBundle + kModuleInBundle);
  EXPECT_TRUE(IsFile(kBundle + "/Contents/Resources/moduleinfo.json"));
}

TEST(ModuleBundleTest, ModuleInformationDescribesTheClass)
{
  const std::string info = ReadFile(kBundle + "/Contents/Resources/moduleinfo.json");
  for (const char* expected :
       {"\"Name\": \"KORU\"", "\"Version\": \"2.0.0\"", "\"Vendor\": \"Quillmoor\"",
        "\"CID\": \"F2AEE70D00DE4F4E516C6D724B525531\"", "\"Category\": \"Audio Module Class\"",
        "\"SDKVersion\": \"VST 3.6.12\"", "\"Fx\"", "\"EQ\"", "\"Class Flags\": 2",
        "\"Cardinality\": 2147483647", "\"Unicode\": true"})
    EXPECT_NE(info.find(expected), std::string::npos) << expected;
}

TEST(ModuleBundleTest, LoadingAMissingBundleFailsQuietly)
{
  harness::ModuleLoader loader;
  EXPECT_FALSE(loader.Load(kBundle + "/../Missing.vst3"));
  EXPECT_FALSE(loader.IsLoaded());
  EXPECT_EQ(loader.Factory(), nullptr);
  EXPECT_FALSE(loader.Error().empty());
}

TEST_F(ModuleEntryTest, ExportsExactlyTheEntryPoints)
{
  for (const char* name : kEntryPoints) EXPECT_NE(mLoader.Symbol(name), nullptr) << name;
#ifdef _WIN32
  // Windows hosts know only these three; the Linux entry pair stays out of the DLL.
  for (const char* name : {"ModuleEntry", "ModuleExit"})
    EXPECT_EQ(mLoader.Symbol(name), nullptr) << name;
#endif
  // The factory builder, the creation hook, the handle accessors and the SDK stay inside.
  for (const char* name :
       {"_Z20KoruGetPluginFactoryv", "_Z18CreateKoruInstancev", "_Z16KoruModuleHandlev",
        "_Z19SetKoruModuleHandlePv", "_ZN9Steinberg14gPluginFactoryE",
        "_ZN9Steinberg14CPluginFactory7releaseEv", "_ZN9Steinberg11IPluginBase3iidE"})
    EXPECT_EQ(mLoader.Symbol(name), nullptr) << name;
}

TEST_F(ModuleEntryTest, EntryPointsAnswerTrueAndCount)
{
  auto initDll = reinterpret_cast<bool (*)()>(mLoader.Symbol("InitDll"));
  auto exitDll = reinterpret_cast<bool (*)()>(mLoader.Symbol("ExitDll"));
  ASSERT_TRUE(initDll && exitDll);
  EXPECT_TRUE(initDll());
  EXPECT_TRUE(exitDll());
#ifndef _WIN32
  auto entry = reinterpret_cast<bool (*)(void*)>(mLoader.Symbol("ModuleEntry"));
  auto exit = reinterpret_cast<bool (*)()>(mLoader.Symbol("ModuleExit"));
  ASSERT_TRUE(entry && exit);
  // A second entry (the host loading the module twice) needs its own exit; the loader's
  // exit at unload then still finds the first entry open.
  EXPECT_TRUE(entry(nullptr));
  EXPECT_TRUE(exit());
#endif
  mLoader.Unload();
  EXPECT_TRUE(mLoader.LastExitResult());
}

TEST_F(ModuleEntryTest, SecondCallAnswersTheSameFactoryWithAnotherReference)
{
  auto getFactory = reinterpret_cast<IPluginFactory* (*)()>(mLoader.Symbol("GetPluginFactory"));
  ASSERT_NE(getFactory, nullptr);
  IPluginFactory* again = getFactory();
  ASSERT_EQ(again, Factory());
  // The loader holds one reference, the second call added one: counts 3 then back down.
  EXPECT_EQ(again->addRef(), 3u);
  EXPECT_EQ(again->release(), 2u);
  EXPECT_EQ(again->release(), 1u);
}

TEST_F(ModuleEntryTest, ConcurrentCallsShareOneFactory)
{
  auto getFactory = reinterpret_cast<IPluginFactory* (*)()>(mLoader.Symbol("GetPluginFactory"));
  ASSERT_NE(getFactory, nullptr);
  std::vector<IPluginFactory*> seen(8, nullptr);
  std::vector<std::thread> threads;
  for (std::size_t i = 0; i < seen.size(); ++i)
    threads.emplace_back([&seen, getFactory, i] { seen[i] = getFactory(); });
  for (std::thread& thread : threads) thread.join();
  for (IPluginFactory* factory : seen)
  {
    EXPECT_EQ(factory, Factory());
    if (factory) factory->release();
  }
  EXPECT_EQ(Factory()->addRef(), 2u);
  EXPECT_EQ(Factory()->release(), 1u);
}

TEST_F(ModuleEntryTest, ReloadingBuildsAFreshFactory)
{
  mLoader.Unload();
  ASSERT_TRUE(mLoader.Load(kBundle)) << mLoader.Error();
  EXPECT_EQ(Factory()->countClasses(), 1);
  EXPECT_EQ(Factory()->addRef(), 2u);
  EXPECT_EQ(Factory()->release(), 1u);
}

TEST_F(ModuleEntryTest, FactoryInformation)
{
  PFactoryInfo info;
  ASSERT_EQ(Factory()->getFactoryInfo(&info), kResultOk);
  EXPECT_STREQ(info.vendor, "Quillmoor");
  EXPECT_STREQ(info.url, "https://quillmoor.example");
  EXPECT_STREQ(info.email, "mailto:support@quillmoor.example");
  EXPECT_EQ(info.flags, 16);
}

TEST_F(ModuleEntryTest, FactoryOffersAllThreeVersions)
{
  for (const FUID* iid :
       {&FUnknown::iid, &IPluginFactory::iid, &IPluginFactory2::iid, &IPluginFactory3::iid})
  {
    void* obj = nullptr;
    ASSERT_EQ(Factory()->queryInterface(*iid, &obj), kResultOk);
    ASSERT_NE(obj, nullptr);
    static_cast<FUnknown*>(obj)->release();
  }
}

TEST_F(ModuleEntryTest, OneClassWithItsRecords)
{
  ASSERT_EQ(Factory()->countClasses(), 1);

  PClassInfo info;
  ASSERT_EQ(Factory()->getClassInfo(0, &info), kResultOk);
  EXPECT_EQ(info.cardinality, 0x7FFFFFFF);
  EXPECT_STREQ(info.category, "Audio Module Class");
  EXPECT_STREQ(info.name, "KORU");
  EXPECT_EQ(Factory()->getClassInfo(1, &info), kInvalidArgument);

  FUnknownPtr<IPluginFactory2> factory2(Factory());
  ASSERT_TRUE(factory2);
  PClassInfo2 info2;
  ASSERT_EQ(factory2->getClassInfo2(0, &info2), kResultOk);
  EXPECT_EQ(info2.cardinality, 0x7FFFFFFF);
  EXPECT_STREQ(info2.category, "Audio Module Class");
  EXPECT_STREQ(info2.name, "KORU");
  EXPECT_EQ(info2.classFlags, 2u);
  EXPECT_STREQ(info2.subCategories, "Fx|EQ");
  EXPECT_STREQ(info2.vendor, "");
  EXPECT_STREQ(info2.version, "2.0.0");
  EXPECT_STREQ(info2.sdkVersion, "VST 3.6.12");

  FUnknownPtr<IPluginFactory3> factory3(Factory());
  ASSERT_TRUE(factory3);
  PClassInfoW infoW;
  ASSERT_EQ(factory3->getClassInfoUnicode(0, &infoW), kResultOk);
  EXPECT_EQ(Text16(infoW.name), u"KORU");
  EXPECT_STREQ(infoW.category, "Audio Module Class");
  EXPECT_STREQ(infoW.subCategories, "Fx|EQ");
  EXPECT_EQ(Text16(infoW.vendor), u"");
  EXPECT_EQ(Text16(infoW.version), u"2.0.0");
  EXPECT_EQ(Text16(infoW.sdkVersion), u"VST 3.6.12");
  EXPECT_EQ(infoW.classFlags, 2u);
  EXPECT_EQ(std::memcmp(infoW.cid, info.cid, 16), 0);
  EXPECT_EQ(factory3->setHostContext(nullptr), kNotImplemented);
}

TEST_F(ModuleEntryTest, ClassIdReadsAsOneTextOnEverySystem)
{
  PClassInfo info;
  ASSERT_EQ(Factory()->getClassInfo(0, &info), kResultOk);
  EXPECT_EQ(std::string(info.cid + 8, 8), "QlmrKRU1");
  EXPECT_EQ(std::memcmp(info.cid, kClassIdBytes, 16), 0);

  // The text a host prints for the class, through the SDK as hosts on this system build it.
  char8 text[33] = {};
  FUID::fromTUID(info.cid).toString(text);
  EXPECT_STREQ(text, koru_test::kClassIdText);
  char8 registry[40] = {};
  FUID::fromTUID(info.cid).toRegistryString(registry);
  EXPECT_STREQ(registry, "{F2AEE70D-00DE-4F4E-516C-6D724B525531}");

  // The module information file names the same class.
  const std::string moduleInfo = ReadFile(kBundle + "/Contents/Resources/moduleinfo.json");
  EXPECT_NE(moduleInfo.find(std::string("\"CID\": \"") + koru_test::kClassIdText + "\""),
            std::string::npos);
}

TEST_F(ModuleEntryTest, UnknownClassIdCreatesNothing)
{
  TUID other = {};
  void* obj = reinterpret_cast<void*>(0x1);
  EXPECT_EQ(Factory()->createInstance(other, Vst::IComponent::iid, &obj), kNoInterface);
  EXPECT_EQ(obj, nullptr);
}

TEST_F(ModuleEntryTest, CreatedEffectIsComponentProcessorAndController)
{
  void* obj = nullptr;
  ASSERT_EQ(Factory()->createInstance(reinterpret_cast<FIDString>(kClassIdBytes),
                                      Vst::IAudioProcessor::iid, &obj),
            kResultOk);
  ASSERT_NE(obj, nullptr);
  auto* processor = static_cast<Vst::IAudioProcessor*>(obj);
  {
    FUnknownPtr<Vst::IComponent> component(processor);
    FUnknownPtr<Vst::IEditController> controller(processor);
    FUnknownPtr<Vst::IEditController2> controller2(processor);
    FUnknownPtr<Vst::IUnitInfo> units(processor);
    FUnknownPtr<Vst::IConnectionPoint> connection(processor);
    ASSERT_TRUE(component);
    EXPECT_TRUE(controller);
    EXPECT_TRUE(controller2);
    EXPECT_TRUE(units);
    EXPECT_TRUE(connection);

    harness::HostApplication host("KORU Test Host");
    EXPECT_EQ(component->initialize(static_cast<Vst::IHostApplication*>(&host)), kResultOk);
    EXPECT_EQ(component->getBusCount(Vst::kAudio, Vst::kInput), 1);
    EXPECT_EQ(component->getBusCount(Vst::kAudio, Vst::kOutput), 1);
    EXPECT_EQ(component->terminate(), kResultOk);
    EXPECT_EQ(host.RefCount(), 1);
  }
  processor->release();
}

TEST_F(ModuleEntryTest, CreationAnswersTheAskedInterface)
{
  void* obj = nullptr;
  ASSERT_EQ(Factory()->createInstance(reinterpret_cast<FIDString>(kClassIdBytes),
                                      Vst::IComponent::iid, &obj),
            kResultOk);
  auto* component = static_cast<Vst::IComponent*>(obj);
  TUID controllerClass = {};
  EXPECT_EQ(component->getControllerClassId(controllerClass), kNotImplemented);
  component->release();
  obj = reinterpret_cast<void*>(0x1);
  EXPECT_EQ(Factory()->createInstance(reinterpret_cast<FIDString>(kClassIdBytes),
                                      IPluginFactory::iid, &obj),
            kNoInterface);
  EXPECT_EQ(obj, nullptr);
}

TEST_F(ModuleEntryTest, InstancesCreatedFromSeveralThreadsAreDistinct)
{
  std::vector<void*> created(4, nullptr);
  std::vector<std::thread> threads;
  for (std::size_t i = 0; i < created.size(); ++i)
    threads.emplace_back(
        [this, &created, i]
        {
          Factory()->createInstance(reinterpret_cast<FIDString>(kClassIdBytes),
                                    Vst::IAudioProcessor::iid, &created[i]);
        });
  for (std::thread& thread : threads) thread.join();
  std::set<void*> distinct(created.begin(), created.end());
  EXPECT_EQ(distinct.size(), created.size());
  for (void* obj : created)
  {
    EXPECT_NE(obj, nullptr);
    if (obj) static_cast<Vst::IAudioProcessor*>(obj)->release();
  }
}
