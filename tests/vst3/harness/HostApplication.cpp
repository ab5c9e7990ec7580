#include "harness/HostApplication.h"

#include "public.sdk/source/vst/hosting/hostclasses.h"

using namespace Steinberg;

namespace harness
{

namespace
{
constexpr std::size_t kMaxNameUnits = 127;
} // namespace

HostApplication::HostApplication() : HostApplication("KORU Test Host") {}

HostApplication::HostApplication(const std::string& name) { SetName(name); }

void HostApplication::SetName(const std::string& name)
{
  mName.clear();
  for (std::size_t i = 0; i < name.size() && i < kMaxNameUnits; ++i)
    mName.push_back(static_cast<char16_t>(static_cast<unsigned char>(name[i])));
}

void HostApplication::SetName(const std::u16string& name) { mName = name.substr(0, kMaxNameUnits); }

tresult PLUGIN_API HostApplication::getName(Vst::String128 name)
{
  ++mNameQueries;
  if (name == nullptr) return kInvalidArgument;
  std::size_t i = 0;
  for (; i < mName.size(); ++i) name[i] = static_cast<Vst::TChar>(mName[i]);
  name[i] = 0;
  return kResultOk;
}

tresult PLUGIN_API HostApplication::createInstance(TUID cid, TUID iid, void** obj)
{
  if (obj == nullptr) return kInvalidArgument;
  *obj = nullptr;
  const FUID classId = FUID::fromTUID(cid);
  const FUID interfaceId = FUID::fromTUID(iid);
  if (classId == Vst::IMessage::iid && interfaceId == Vst::IMessage::iid)
  {
    *obj = static_cast<Vst::IMessage*>(new Vst::HostMessage);
  }
  else if (classId == Vst::IAttributeList::iid && interfaceId == Vst::IAttributeList::iid)
  {
    *obj = static_cast<Vst::IAttributeList*>(new Vst::HostAttributeList);
  }
  else
  {
    return kResultFalse;
  }
  ++mInstancesCreated;
  return kResultOk;
}

tresult PLUGIN_API HostApplication::queryInterface(const TUID iid, void** obj)
{
  if (obj == nullptr) return kInvalidArgument;
  QUERY_INTERFACE(iid, obj, FUnknown::iid, IHostApplication)
  if (mAnswersHostApplication)
  {
    QUERY_INTERFACE(iid, obj, Vst::IHostApplication::iid, IHostApplication)
  }
  *obj = nullptr;
  return kNoInterface;
}

uint32 PLUGIN_API HostApplication::addRef() { return static_cast<uint32>(++mRefCount); }

uint32 PLUGIN_API HostApplication::release() { return static_cast<uint32>(--mRefCount); }

} // namespace harness
