#include "vst3/KoruFactory.h"

// Placeholder until the effect class exists: the factory announces the class but cannot create it yet.
Steinberg::FUnknown* CreateKoruInstance() { return nullptr; }
