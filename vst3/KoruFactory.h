#pragma once

#include "pluginterfaces/base/ipluginbase.h"

// The module's factory: one class, the KORU effect, as a combined audio component and
// edit controller. The first call builds the factory and its records (once, whichever
// thread comes first) and answers it with one reference; later calls add a reference to
// the same object. After the host released the last reference the next call builds anew.
// Answers nullptr only when memory runs out.
Steinberg::IPluginFactory* KoruGetPluginFactory();

// Constructs one new effect and answers its IAudioProcessor interface with one reference
// (the factory queries the host's interface from it and releases that reference), or
// nullptr when the effect cannot be created. Defined beside the effect class; called by
// the factory's creation function with the process-wide creation mutex held, so two
// instances are never constructed at the same time. Must not throw.
Steinberg::FUnknown* CreateKoruInstance();
