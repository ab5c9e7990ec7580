#pragma once

#include "lice/LICE_IBitmap.h"

class LICE_MemBitmap;

// Decodes PNG data (untrusted) into a new bitmap owned by the caller: 8-bit straight alpha,
// images without alpha opaque, no gamma correction. Null for anything that is not valid PNG data
// up to the end of its image data, or larger than 16384 pixels a side; nothing is left allocated
// then.
LICE_MemBitmap* LICE_ReadPngMemory(const void* data, int length);

// Decodes the PNG file at a UTF-8 path into target (resized) or, without a target, into a new
// bitmap owned by the caller. Null on failure; a given target is then left with unspecified
// contents and is never destroyed.
LICE_IBitmap* LICE_ReadPngFile(const char* path, LICE_IBitmap* target = nullptr);

// The chain of image loaders, built during static initialisation and never changed afterwards.
struct LICE_LoaderEntry
{
  // Opens path (checking its extension first when checkExtension is set) into target or a new
  // bitmap; null when this loader does not take the file or decoding fails.
  LICE_IBitmap* (*open)(const char* path, bool checkExtension, LICE_IBitmap* target);
  // Description and pattern pairs, each NUL-terminated, the list ended by a further NUL.
  const char* (*filterText)();
  LICE_LoaderEntry* next;
};

extern LICE_LoaderEntry* LICE_loaderChain;
