#pragma once
#include "graphics/IGraphicsStructs.h"

class LICE_IBitmap;
class X11Connection;

// Copies rectangles of the editor's surface (top-down rows, bytes blue, green, red, alpha) to a
// window of a 24-bit TrueColor visual. Through a shared-memory image when the server offers the
// extension on this connection (copying the rectangle's rows into it, then one request), with a
// plain image request over the connection otherwise, which reads the surface where it lies.
//
// Threads: the connection's thread. The surface must outlive the binding (Bind again after the
// editor replaces it).
class X11Presenter
{
public:
  // allowSharedMemory false always takes the plain path.
  X11Presenter(X11Connection& connection, unsigned long window, void* visual,
               bool allowSharedMemory = true);
  ~X11Presenter();
  X11Presenter(const X11Presenter&) = delete;
  X11Presenter& operator=(const X11Presenter&) = delete;

  // Binds to surface; false (nothing shown afterwards) when it cannot be presented.
  bool Bind(LICE_IBitmap* surface);
  // Copies rect (limited to the surface) to the same place of the window; false when nothing
  // could be sent.
  bool Present(const IRect& rect);
  bool UsesSharedMemory() const { return mShmInfo != nullptr; }

private:
  void Release();
  bool BindShared();
  bool BindPlain();

  X11Connection& mConnection;
  unsigned long mWindow;
  void* mVisual;
  bool mAllowShared;
  void* mGc = nullptr;
  void* mImage = nullptr;   // XImage
  void* mShmInfo = nullptr; // XShmSegmentInfo, null on the plain path
  LICE_IBitmap* mSurface = nullptr;
};
