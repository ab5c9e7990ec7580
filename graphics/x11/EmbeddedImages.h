#pragma once

// The editor's PNG images compiled into the module, keyed by their resource ids (the ids and
// files of resources/KORU.rc, which the Windows module carries as resources). The table is
// generated at build time; nothing is read from disk when the editor opens, so a copied bundle
// keeps its pictures. Immutable: safe from any thread.
struct EmbeddedImage
{
  int resourceId;
  const unsigned char* data;
  int size; // bytes
};

// kEmbeddedImageCount entries, followed by one with a null data pointer.
extern const EmbeddedImage kEmbeddedImages[];
extern const int kEmbeddedImageCount;

// The image of resourceId, or null when the module has none.
inline const EmbeddedImage* FindEmbeddedImage(int resourceId)
{
  for (int i = 0; i < kEmbeddedImageCount; ++i)
    if (kEmbeddedImages[i].resourceId == resourceId) return &kEmbeddedImages[i];
  return nullptr;
}
