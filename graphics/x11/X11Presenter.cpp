#include "graphics/x11/X11Presenter.h"

#include "graphics/x11/X11Connection.h"
#include "lice/LICE_IBitmap.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <algorithm>
#include <cstring>
#include <sys/ipc.h>
#include <sys/shm.h>

namespace
{
constexpr int kDepth = 24;
constexpr int kBitsPerPixel = 32;

XImage* Image(void* image) { return static_cast<XImage*>(image); }
XShmSegmentInfo* Shm(void* info) { return static_cast<XShmSegmentInfo*>(info); }
} // namespace

X11Presenter::X11Presenter(X11Connection& connection, unsigned long window, void* visual,
                           bool allowSharedMemory)
  : mConnection(connection)
  , mWindow(window)
  , mVisual(visual)
  , mAllowShared(allowSharedMemory)
{
  if (Display* display = mConnection.Display()) mGc = XCreateGC(display, mWindow, 0, nullptr);
}

X11Presenter::~X11Presenter()
{
  Release();
  if (mGc && mConnection.Display()) XFreeGC(mConnection.Display(), static_cast<GC>(mGc));
}

void X11Presenter::Release()
{
  Display* display = mConnection.Display();
  if (XShmSegmentInfo* shm = Shm(mShmInfo))
  {
    if (display) XShmDetach(display, shm);
    if (display) XSync(display, False);
    if (mImage) XDestroyImage(Image(mImage));
    shmdt(shm->shmaddr);
    delete shm;
  }
  else if (XImage* image = Image(mImage))
  {
    image->data = nullptr; // the surface's pixels, not the image's
    XDestroyImage(image);
  }
  mShmInfo = nullptr;
  mImage = nullptr;
  mSurface = nullptr;
}

bool X11Presenter::Bind(LICE_IBitmap* surface)
{
  Release();
  if (!surface || !surface->pixelData() || surface->pixelWidth() < 1 ||
      surface->pixelHeight() < 1 || !mConnection.Valid() || !mGc)
    return false;
  mSurface = surface;
  if (mAllowShared && BindShared()) return true;
  return BindPlain();
}

bool X11Presenter::BindShared()
{
  Display* display = mConnection.Display();
  if (!XShmQueryExtension(display)) return false;
  auto* shm = new XShmSegmentInfo();
  const int width = mSurface->pixelWidth();
  const int height = mSurface->pixelHeight();
  XImage* image = XShmCreateImage(display, static_cast<Visual*>(mVisual), kDepth, ZPixmap, nullptr,
                                  shm, width, height);
  // The segment receives the surface's bytes as they are.
  if (!image || image->bits_per_pixel != kBitsPerPixel || image->byte_order != LSBFirst)
  {
    if (image) XDestroyImage(image);
    delete shm;
    return false;
  }
  shm->shmid =
      shmget(IPC_PRIVATE, static_cast<size_t>(image->bytes_per_line) * height, IPC_CREAT | 0600);
  if (shm->shmid < 0)
  {
    XDestroyImage(image);
    delete shm;
    return false;
  }
  shm->shmaddr = image->data = static_cast<char*>(shmat(shm->shmid, nullptr, 0));
  shm->readOnly = True;
  mConnection.TakeError();
  const bool attached = image->data != reinterpret_cast<char*>(-1) && XShmAttach(display, shm);
  // Marked for removal at once: the segment goes away with its last user, even after a crash.
  const bool ok = attached && mConnection.TakeError() == 0;
  shmctl(shm->shmid, IPC_RMID, nullptr);
  if (!ok)
  {
    // A server that cannot reach our memory (another machine) refuses the attachment.
    if (image->data != reinterpret_cast<char*>(-1)) shmdt(image->data);
    image->data = nullptr;
    XDestroyImage(image);
    delete shm;
    return false;
  }
  mImage = image;
  mShmInfo = shm;
  return true;
}

bool X11Presenter::BindPlain()
{
  Display* display = mConnection.Display();
  XImage* image =
      XCreateImage(display, static_cast<Visual*>(mVisual), kDepth, ZPixmap, 0,
                   reinterpret_cast<char*>(mSurface->pixelData()), mSurface->pixelWidth(),
                   mSurface->pixelHeight(), kBitsPerPixel, mSurface->rowPitch() * 4);
  if (!image) return false;
  // The surface's bytes are blue, green, red, alpha: a 32-bit pixel in least-significant order.
  image->byte_order = LSBFirst;
  image->bitmap_bit_order = LSBFirst;
  mImage = image;
  return true;
}

bool X11Presenter::Present(const IRect& rect)
{
  if (!mImage || !mSurface || !mConnection.Valid()) return false;
  const int left = std::max(rect.L, 0);
  const int top = std::max(rect.T, 0);
  const int right = std::min(rect.R, mSurface->pixelWidth());
  const int bottom = std::min(rect.B, mSurface->pixelHeight());
  if (right <= left || bottom <= top) return true;
  Display* display = mConnection.Display();
  GC gc = static_cast<GC>(mGc);
  XImage* image = Image(mImage);
  if (mShmInfo)
  {
    const LICE_Pixel32* bits = mSurface->pixelData();
    const int pitch = mSurface->rowPitch();
    for (int y = top; y < bottom; ++y)
      std::memcpy(image->data + static_cast<size_t>(y) * image->bytes_per_line + left * 4,
                  bits + static_cast<size_t>(y) * pitch + left,
                  static_cast<size_t>(right - left) * 4);
    XShmPutImage(display, mWindow, gc, image, left, top, left, top, right - left, bottom - top,
                 False);
    // The server reads the segment later; the next copy into it must wait until it has.
    XSync(display, False);
  }
  else
  {
    XPutImage(display, mWindow, gc, image, left, top, left, top, right - left, bottom - top);
    XFlush(display);
  }
  return true;
}
