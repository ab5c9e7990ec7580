#pragma once

#include "pluginterfaces/base/ipluginbase.h"

#include <vector>

namespace Steinberg
{

// The module's class factory: a list of registered classes, each with its information
// records and a creation function. The host enumerates the classes and asks for instances
// by class id. Reference counted; the last release deletes it (and clears gPluginFactory
// when it is the stored one).
//
// Threads. Registration happens once, before the factory is handed out; afterwards the
// list is only read, so the host may query and create from any thread. createInstance
// serialises nothing itself: a creation function brings its own lock.
class CPluginFactory : public IPluginFactory3
{
public:
  // Creates the new object and answers it with one reference (or nullptr); context is the
  // pointer given at registration.
  using CreateFunction = FUnknown* (*)(void* context);

  explicit CPluginFactory(const PFactoryInfo& info);
  virtual ~CPluginFactory();

  // Registration copies the records; answers false for a null record or function.
  bool registerClass(const PClassInfo* info, CreateFunction createFunc, void* context = nullptr);
  bool registerClass(const PClassInfo2* info, CreateFunction createFunc, void* context = nullptr);
  bool registerClass(const PClassInfoW* info, CreateFunction createFunc, void* context = nullptr);
  bool isClassRegistered(const FUID& cid) const;
  void removeAllClasses();

  // --- IPluginFactory ----------------------------------------------------------------
  tresult PLUGIN_API getFactoryInfo(PFactoryInfo* info) SMTG_OVERRIDE;
  int32 PLUGIN_API countClasses() SMTG_OVERRIDE;
  // A class registered with Unicode records has no 8-bit record: kResultFalse, zeroed info.
  tresult PLUGIN_API getClassInfo(int32 index, PClassInfo* info) SMTG_OVERRIDE;
  // Creates the class with id cid and answers its interface iid in *obj (one reference).
  // kNoInterface with *obj = nullptr when the class is unknown, the creation failed or the
  // object lacks the interface; the creation reference is released either way.
  tresult PLUGIN_API createInstance(FIDString cid, FIDString iid, void** obj) SMTG_OVERRIDE;

  // --- IPluginFactory2 ---------------------------------------------------------------
  tresult PLUGIN_API getClassInfo2(int32 index, PClassInfo2* info) SMTG_OVERRIDE;

  // --- IPluginFactory3 ---------------------------------------------------------------
  tresult PLUGIN_API getClassInfoUnicode(int32 index, PClassInfoW* info) SMTG_OVERRIDE;
  // The factory has no use for the host context.
  tresult PLUGIN_API setHostContext(FUnknown* context) SMTG_OVERRIDE;

  // --- FUnknown ----------------------------------------------------------------------
  // Answers FUnknown, IPluginFactory, IPluginFactory2 and IPluginFactory3.
  tresult PLUGIN_API queryInterface(const TUID iid, void** obj) SMTG_OVERRIDE;
  uint32 PLUGIN_API addRef() SMTG_OVERRIDE;
  uint32 PLUGIN_API release() SMTG_OVERRIDE;

protected:
  struct PClassEntry
  {
    PClassInfo2 info8;
    PClassInfoW info16;
    CreateFunction createFunc = nullptr;
    void* context = nullptr;
    bool isUnicode = false;
  };

  PFactoryInfo factoryInfo;
  std::vector<PClassEntry> classes;

private:
  int32 mRefCount = 1;
};

// The module's factory once GetPluginFactory has built it; null before, and again after
// the last release deleted it.
extern CPluginFactory* gPluginFactory;

} // namespace Steinberg
