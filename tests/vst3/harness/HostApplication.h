#pragma once

#include "pluginterfaces/vst/ivsthostapplication.h"

#include <atomic>
#include <string>

namespace harness
{

// The host context handed to initialize: a settable application name and the factory for
// messages and attribute lists (the SDK's hosting classes). Owned by the test, not by its
// reference count: release never deletes, and RefCount() tells whether the plug-in gave
// back every reference it took (1 when balanced).
class HostApplication : public Steinberg::Vst::IHostApplication
{
public:
  HostApplication();
  explicit HostApplication(const std::string& name);
  virtual ~HostApplication() = default;

  // Each byte becomes one UTF-16 unit; at most 127 units are kept.
  void SetName(const std::string& name);
  // Exact UTF-16 units (for names whose units do not fit in a byte); at most 127 kept.
  void SetName(const std::u16string& name);
  // When false, queryInterface refuses IHostApplication (a context without the interface).
  void SetAnswersHostApplication(bool answers) { mAnswersHostApplication = answers; }

  int RefCount() const { return mRefCount.load(); }
  int NameQueries() const { return mNameQueries.load(); }
  int InstancesCreated() const { return mInstancesCreated.load(); }

  // --- IHostApplication ---
  Steinberg::tresult PLUGIN_API getName(Steinberg::Vst::String128 name) override;
  // IMessage and IAttributeList, each answered with one reference the caller releases.
  Steinberg::tresult PLUGIN_API createInstance(Steinberg::TUID cid, Steinberg::TUID iid,
                                               void** obj) override;

  // --- FUnknown ---
  Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID iid, void** obj) override;
  Steinberg::uint32 PLUGIN_API addRef() override;
  Steinberg::uint32 PLUGIN_API release() override;

private:
  std::u16string mName;
  bool mAnswersHostApplication = true;
  std::atomic<int> mRefCount{1};
  std::atomic<int> mNameQueries{0};
  std::atomic<int> mInstancesCreated{0};
};

} // namespace harness
