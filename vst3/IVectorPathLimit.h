#pragma once

#include "pluginterfaces/base/funknown.h"

// An interface of KORU's own, asked of its component by the project's benchmarks and
// cross-platform checks, never by hosts: it keeps an instance to at most one vector path, so that
// a built module's paths can be timed and compared on every system. Every path gives the same
// bits; only the speed differs.
//
// Threads: the user-interface thread, before processing starts.
class IVectorPathLimit : public Steinberg::FUnknown
{
public:
  enum EPath
  {
    kPathSse2 = 0,
    kPathAvx = 1,
    kPathAvx512 = 2
  };
  // Keeps the instance to widest or a narrower path (the processor's widest when that is
  // narrower). kInvalidArgument for a value that names no path.
  virtual Steinberg::tresult PLUGIN_API limitVectorPath(Steinberg::int32 widest) = 0;

  static const Steinberg::FUID iid;
};

DECLARE_CLASS_IID(IVectorPathLimit, 0x2D25292E, 0x83254F0E, 0xB27E44C0, 0xA2EABA6D)
// Defined here, once for every program that hosts the module or is the module.
inline const Steinberg::FUID IVectorPathLimit::iid(IVectorPathLimit_iid);
