#pragma once

#include "pluginterfaces/vst/ivsteditcontroller.h"

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

namespace harness
{

// The host's end of the controller's edit notifications: records every call in order with
// its arguments and answers a settable result. Offers IComponentHandler2 (dirty flag,
// editor requests, group edits) unless switched off, so a plug-in's behaviour without it
// can be tested too. Calls may come from any thread. Owned by the test; release never
// deletes; RefCount() is 1 when references balance.
class ComponentHandler : public Steinberg::Vst::IComponentHandler,
                         public Steinberg::Vst::IComponentHandler2
{
public:
  enum class Kind
  {
    kBeginEdit,
    kPerformEdit,
    kEndEdit,
    kRestartComponent,
    kSetDirty,
    kRequestOpenEditor,
    kStartGroupEdit,
    kFinishGroupEdit
  };

  struct Call
  {
    explicit Call(Kind k) : kind(k) {}
    Kind kind;
    Steinberg::Vst::ParamID id = 0;       // edits
    Steinberg::Vst::ParamValue value = 0; // perform-edit value
    Steinberg::int32 flags = 0;           // restart flags, dirty state
    std::string name;                     // editor name
  };

  ComponentHandler() = default;
  virtual ~ComponentHandler() = default;

  void SetOffersHandler2(bool offers) { mOffersHandler2 = offers; }
  // The result every recorded call answers (kResultOk by default).
  void SetResult(Steinberg::tresult result) { mResult = result; }

  std::vector<Call> Calls() const;
  std::vector<Call> CallsOf(Kind kind) const;
  std::size_t Count(Kind kind) const { return CallsOf(kind).size(); }
  void Clear();
  int RefCount() const { return mRefCount.load(); }

  // --- IComponentHandler ---
  Steinberg::tresult PLUGIN_API beginEdit(Steinberg::Vst::ParamID id) override;
  Steinberg::tresult PLUGIN_API performEdit(Steinberg::Vst::ParamID id,
                                            Steinberg::Vst::ParamValue valueNormalized) override;
  Steinberg::tresult PLUGIN_API endEdit(Steinberg::Vst::ParamID id) override;
  Steinberg::tresult PLUGIN_API restartComponent(Steinberg::int32 flags) override;

  // --- IComponentHandler2 ---
  Steinberg::tresult PLUGIN_API setDirty(Steinberg::TBool state) override;
  Steinberg::tresult PLUGIN_API requestOpenEditor(Steinberg::FIDString name) override;
  Steinberg::tresult PLUGIN_API startGroupEdit() override;
  Steinberg::tresult PLUGIN_API finishGroupEdit() override;

  // --- FUnknown ---
  Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID iid, void** obj) override;
  Steinberg::uint32 PLUGIN_API addRef() override;
  Steinberg::uint32 PLUGIN_API release() override;

private:
  Steinberg::tresult Record(Call call);

  mutable std::mutex mMutex;
  std::vector<Call> mCalls;
  std::atomic<bool> mOffersHandler2{true};
  std::atomic<Steinberg::tresult> mResult{Steinberg::kResultOk};
  std::atomic<int> mRefCount{1};
};

} // namespace harness
