// The class factory on its own: registration, records, creation and reference counting.
#include "vst3/PluginFactory.h"

#include "base/source/fobject.h"
#include "pluginterfaces/base/ibstream.h"
#include "pluginterfaces/base/ipersistent.h"

#include <cstring>
#include <gtest/gtest.h>
#include <string>

using namespace Steinberg;

namespace
{

// char16 is char16_t on Linux and wchar_t on Windows: the same UTF-16 units either way.
std::u16string Text16(const char16* text)
{
  return std::u16string(reinterpret_cast<const char16_t*>(text));
}

// A created object that counts its lives and offers one interface besides FUnknown.
class Probe : public FObject, public IPersistent
{
public:
  static int alive;
  Probe() { ++alive; }
  ~Probe() override { --alive; }
  tresult PLUGIN_API getClassID(char8*) override { return kResultOk; }
  tresult PLUGIN_API saveAttributes(IAttributes*) override { return kResultOk; }
  tresult PLUGIN_API loadAttributes(IAttributes*) override { return kResultOk; }
  OBJ_METHODS(Probe, FObject)
  DEFINE_INTERFACES
  DEF_INTERFACE(IPersistent)
  END_DEFINE_INTERFACES(FObject)
  REFCOUNT_METHODS(FObject)
};
int Probe::alive = 0;

int gCreations = 0;
void* gLastContext = nullptr;

FUnknown* CreateProbe(void* context)
{
  ++gCreations;
  gLastContext = context;
  return static_cast<IPersistent*>(new Probe);
}

FUnknown* CreateNothing(void*)
{
  ++gCreations;
  return nullptr;
}

// Sixteen distinct bytes starting at tag.
struct ClassId
{
  explicit ClassId(char tag)
  {
    for (int i = 0; i < 16; ++i) bytes[i] = static_cast<char>(tag + i);
  }
  TUID bytes;
};

const PFactoryInfo kFactoryInfo("Vendor", "https://vendor.example", "mailto:x@vendor.example",
                                PFactoryInfo::kUnicode);

class PluginFactoryTest : public ::testing::Test
{
protected:
  void SetUp() override
  {
    gCreations = 0;
    gLastContext = nullptr;
    Probe::alive = 0;
    mFactory = new CPluginFactory(kFactoryInfo);
  }
  void TearDown() override
  {
    if (mFactory) mFactory->release();
    EXPECT_EQ(Probe::alive, 0);
  }

  CPluginFactory* mFactory = nullptr;
};

} // namespace

TEST_F(PluginFactoryTest, EmptyFactoryAnswersItsInformation)
{
  EXPECT_EQ(mFactory->countClasses(), 0);
  PFactoryInfo info;
  ASSERT_EQ(mFactory->getFactoryInfo(&info), kResultOk);
  EXPECT_STREQ(info.vendor, "Vendor");
  EXPECT_STREQ(info.url, "https://vendor.example");
  EXPECT_STREQ(info.email, "mailto:x@vendor.example");
  EXPECT_EQ(info.flags, PFactoryInfo::kUnicode);
  EXPECT_EQ(mFactory->getFactoryInfo(nullptr), kInvalidArgument);
  PClassInfo classInfo;
  EXPECT_EQ(mFactory->getClassInfo(0, &classInfo), kInvalidArgument);
  EXPECT_EQ(mFactory->getClassInfo(-1, &classInfo), kInvalidArgument);
}

TEST_F(PluginFactoryTest, RecordsOfEachRegistrationKind)
{
  const ClassId id1(1), id2(40), id3(80);
  const PClassInfo plain(id1.bytes, 1, "Service", "Plain");
  const PClassInfo2 full(id2.bytes, PClassInfo::kManyInstances, "Audio Module Class", "Full", 2,
                         "Fx|EQ", "", "2.0.0", "VST 3.6.12");
  const PClassInfoW wide(id3.bytes, 1, "Service", STR16("Wide"), 0, "Tools", STR16("Someone"),
                         STR16("1.0"), STR16("VST 3"));
  EXPECT_TRUE(mFactory->registerClass(&plain, CreateProbe));
  EXPECT_TRUE(mFactory->registerClass(&full, CreateProbe));
  EXPECT_TRUE(mFactory->registerClass(&wide, CreateProbe));
  EXPECT_FALSE(mFactory->registerClass(static_cast<const PClassInfo2*>(nullptr), CreateProbe));
  EXPECT_FALSE(mFactory->registerClass(&full, nullptr));
  ASSERT_EQ(mFactory->countClasses(), 3);
  EXPECT_TRUE(mFactory->isClassRegistered(FUID::fromTUID(id2.bytes)));
  EXPECT_FALSE(mFactory->isClassRegistered(FUID::fromTUID(ClassId(100).bytes)));

  PClassInfo info;
  ASSERT_EQ(mFactory->getClassInfo(1, &info), kResultOk);
  EXPECT_EQ(std::memcmp(info.cid, id2.bytes, 16), 0);
  EXPECT_STREQ(info.category, "Audio Module Class");
  EXPECT_STREQ(info.name, "Full");
  EXPECT_EQ(info.cardinality, PClassInfo::kManyInstances);

  PClassInfo2 info2;
  ASSERT_EQ(mFactory->getClassInfo2(0, &info2), kResultOk);
  EXPECT_STREQ(info2.name, "Plain");
  EXPECT_STREQ(info2.subCategories, "");
  ASSERT_EQ(mFactory->getClassInfo2(1, &info2), kResultOk);
  EXPECT_EQ(info2.classFlags, 2u);
  EXPECT_STREQ(info2.subCategories, "Fx|EQ");
  EXPECT_STREQ(info2.version, "2.0.0");
  EXPECT_STREQ(info2.sdkVersion, "VST 3.6.12");

  // A class registered with 16-bit records has no 8-bit ones.
  EXPECT_EQ(mFactory->getClassInfo(2, &info), kResultFalse);
  EXPECT_STREQ(info.name, "");
  EXPECT_EQ(mFactory->getClassInfo2(2, &info2), kResultFalse);

  PClassInfoW infoW;
  ASSERT_EQ(mFactory->getClassInfoUnicode(1, &infoW), kResultOk);
  EXPECT_EQ(Text16(infoW.name), u"Full");
  EXPECT_EQ(Text16(infoW.version), u"2.0.0");
  ASSERT_EQ(mFactory->getClassInfoUnicode(2, &infoW), kResultOk);
  EXPECT_EQ(Text16(infoW.vendor), u"Someone");
  EXPECT_EQ(mFactory->getClassInfoUnicode(3, &infoW), kInvalidArgument);

  mFactory->removeAllClasses();
  EXPECT_EQ(mFactory->countClasses(), 0);
}

TEST_F(PluginFactoryTest, CreatesTheMatchingClassAndAnswersTheAskedInterface)
{
  const ClassId id(7);
  const PClassInfo2 info(id.bytes, 1, "Service", "Probe", 0, "", "", "1", "VST 3");
  int context = 0;
  ASSERT_TRUE(mFactory->registerClass(&info, CreateProbe, &context));

  void* obj = nullptr;
  ASSERT_EQ(mFactory->createInstance(id.bytes, IPersistent::iid, &obj), kResultOk);
  ASSERT_NE(obj, nullptr);
  EXPECT_EQ(gLastContext, &context);
  EXPECT_EQ(Probe::alive, 1);
  // The creation reference is gone: the caller's release is the last one.
  EXPECT_EQ(static_cast<IPersistent*>(obj)->release(), 0u);
  EXPECT_EQ(Probe::alive, 0);
}

TEST_F(PluginFactoryTest, MissingInterfaceOrClassCreatesNothingThatLives)
{
  const ClassId id(7);
  const PClassInfo2 info(id.bytes, 1, "Service", "Probe", 0, "", "", "1", "VST 3");
  ASSERT_TRUE(mFactory->registerClass(&info, CreateProbe));

  void* obj = reinterpret_cast<void*>(0x1);
  EXPECT_EQ(mFactory->createInstance(id.bytes, IBStream::iid, &obj), kNoInterface);
  EXPECT_EQ(obj, nullptr);
  EXPECT_EQ(gCreations, 1);
  EXPECT_EQ(Probe::alive, 0);

  const ClassId other(9);
  obj = reinterpret_cast<void*>(0x1);
  EXPECT_EQ(mFactory->createInstance(other.bytes, IPersistent::iid, &obj), kNoInterface);
  EXPECT_EQ(obj, nullptr);
  EXPECT_EQ(gCreations, 1);
  EXPECT_EQ(mFactory->createInstance(id.bytes, IPersistent::iid, nullptr), kInvalidArgument);
}

TEST_F(PluginFactoryTest, FailedCreationAnswersNoInterface)
{
  const ClassId id(3);
  const PClassInfo2 info(id.bytes, 1, "Service", "Nothing", 0, "", "", "1", "VST 3");
  ASSERT_TRUE(mFactory->registerClass(&info, CreateNothing));
  void* obj = reinterpret_cast<void*>(0x1);
  EXPECT_EQ(mFactory->createInstance(id.bytes, FUnknown::iid, &obj), kNoInterface);
  EXPECT_EQ(obj, nullptr);
  EXPECT_EQ(gCreations, 1);
}

TEST_F(PluginFactoryTest, InterfacesAndReferenceCount)
{
  for (const FUID* iid :
       {&FUnknown::iid, &IPluginFactory::iid, &IPluginFactory2::iid, &IPluginFactory3::iid})
  {
    void* obj = nullptr;
    ASSERT_EQ(mFactory->queryInterface(*iid, &obj), kResultOk);
    EXPECT_EQ(static_cast<FUnknown*>(obj)->release(), 1u);
  }
  void* obj = reinterpret_cast<void*>(0x1);
  EXPECT_EQ(mFactory->queryInterface(IBStream::iid, &obj), kNoInterface);
  EXPECT_EQ(obj, nullptr);
  EXPECT_EQ(mFactory->setHostContext(nullptr), kNotImplemented);

  EXPECT_EQ(mFactory->addRef(), 2u);
  EXPECT_EQ(mFactory->release(), 1u);
}

TEST_F(PluginFactoryTest, LastReleaseClearsTheStoredFactory)
{
  gPluginFactory = mFactory;
  mFactory->addRef();
  EXPECT_EQ(mFactory->release(), 1u);
  EXPECT_EQ(gPluginFactory, mFactory);
  EXPECT_EQ(mFactory->release(), 0u);
  mFactory = nullptr;
  EXPECT_EQ(gPluginFactory, nullptr);
}
