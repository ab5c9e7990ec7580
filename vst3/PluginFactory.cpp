#include "vst3/PluginFactory.h"

#include <cstring>
#include <new>

namespace Steinberg
{

CPluginFactory* gPluginFactory = nullptr;

CPluginFactory::CPluginFactory(const PFactoryInfo& info) : factoryInfo(info) {}

CPluginFactory::~CPluginFactory()
{
  if (gPluginFactory == this) gPluginFactory = nullptr;
}

tresult PLUGIN_API CPluginFactory::queryInterface(const TUID iid, void** obj)
{
  if (obj == nullptr) return kInvalidArgument;
  QUERY_INTERFACE(iid, obj, FUnknown::iid, IPluginFactory)
  QUERY_INTERFACE(iid, obj, IPluginFactory::iid, IPluginFactory)
  QUERY_INTERFACE(iid, obj, IPluginFactory2::iid, IPluginFactory2)
  QUERY_INTERFACE(iid, obj, IPluginFactory3::iid, IPluginFactory3)
  *obj = nullptr;
  return kNoInterface;
}

uint32 PLUGIN_API CPluginFactory::addRef()
{
  return static_cast<uint32>(FUnknownPrivate::atomicAdd(mRefCount, 1));
}

uint32 PLUGIN_API CPluginFactory::release()
{
  const int32 left = FUnknownPrivate::atomicAdd(mRefCount, -1);
  if (left == 0)
  {
    delete this;
    return 0;
  }
  return static_cast<uint32>(left);
}

bool CPluginFactory::registerClass(const PClassInfo* info, CreateFunction createFunc, void* context)
{
  if (info == nullptr || createFunc == nullptr) return false;
  const PClassInfo2 info2(info->cid, info->cardinality, info->category, info->name, 0, nullptr,
                          nullptr, nullptr, nullptr);
  return registerClass(&info2, createFunc, context);
}

bool CPluginFactory::registerClass(const PClassInfo2* info, CreateFunction createFunc,
                                   void* context)
{
  if (info == nullptr || createFunc == nullptr) return false;
  try
  {
    PClassEntry entry;
    entry.info8 = *info;
    entry.info16.fromAscii(*info);
    entry.createFunc = createFunc;
    entry.context = context;
    entry.isUnicode = false;
    classes.push_back(entry);
  }
  catch (const std::bad_alloc&)
  {
    return false;
  }
  return true;
}

bool CPluginFactory::registerClass(const PClassInfoW* info, CreateFunction createFunc,
                                   void* context)
{
  if (info == nullptr || createFunc == nullptr) return false;
  try
  {
    PClassEntry entry;
    entry.info16 = *info;
    entry.createFunc = createFunc;
    entry.context = context;
    entry.isUnicode = true;
    classes.push_back(entry);
  }
  catch (const std::bad_alloc&)
  {
    return false;
  }
  return true;
}

bool CPluginFactory::isClassRegistered(const FUID& cid) const
{
  for (const PClassEntry& entry : classes)
    if (FUID::fromTUID(entry.info16.cid) == cid) return true;
  return false;
}

void CPluginFactory::removeAllClasses() { classes.clear(); }

tresult PLUGIN_API CPluginFactory::getFactoryInfo(PFactoryInfo* info)
{
  if (info == nullptr) return kInvalidArgument;
  *info = factoryInfo;
  return kResultOk;
}

int32 PLUGIN_API CPluginFactory::countClasses() { return static_cast<int32>(classes.size()); }

tresult PLUGIN_API CPluginFactory::getClassInfo(int32 index, PClassInfo* info)
{
  if (info == nullptr || index < 0 || index >= countClasses()) return kInvalidArgument;
  if (classes[index].isUnicode)
  {
    *info = PClassInfo();
    return kResultFalse;
  }
  const PClassInfo2& source = classes[index].info8;
  *info = PClassInfo(source.cid, source.cardinality, source.category, source.name);
  return kResultOk;
}

tresult PLUGIN_API CPluginFactory::getClassInfo2(int32 index, PClassInfo2* info)
{
  if (info == nullptr || index < 0 || index >= countClasses()) return kInvalidArgument;
  if (classes[index].isUnicode)
  {
    *info = PClassInfo2();
    return kResultFalse;
  }
  *info = classes[index].info8;
  return kResultOk;
}

tresult PLUGIN_API CPluginFactory::getClassInfoUnicode(int32 index, PClassInfoW* info)
{
  if (info == nullptr || index < 0 || index >= countClasses()) return kInvalidArgument;
  *info = classes[index].info16;
  return kResultOk;
}

tresult PLUGIN_API CPluginFactory::createInstance(FIDString cid, FIDString iid, void** obj)
{
  if (obj == nullptr) return kInvalidArgument;
  *obj = nullptr;
  if (cid == nullptr || iid == nullptr) return kInvalidArgument;
  for (const PClassEntry& entry : classes)
  {
    if (std::memcmp(entry.info16.cid, cid, sizeof(TUID)) != 0) continue;
    FUnknown* instance = entry.createFunc(entry.context);
    if (instance == nullptr) break;
    // The host holds the object through the reference queryInterface adds; the creation
    // reference goes either way.
    const tresult result = instance->queryInterface(iid, obj);
    instance->release();
    if (result == kResultOk) return kResultOk;
    *obj = nullptr;
    break;
  }
  return kNoInterface;
}

tresult PLUGIN_API CPluginFactory::setHostContext(FUnknown* /*context*/) { return kNotImplemented; }

} // namespace Steinberg
