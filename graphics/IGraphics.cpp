#include "graphics/IGraphics.h"

#include "framework/IPlugBase.h"
#include "framework/Truncate.h"
#include "lice/LICE_CachedFont.h"
#include "lice/LICE_Composite.h"
#include "lice/LICE_MemBitmap.h"
#include "lice/LICE_SysBitmap.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <mutex>

namespace
{
// The process-wide caches. Each entry's object lives until the module unloads; the mutex is
// held only while the list is searched or appended, never while an image is decoded or a font
// created. On unload the objects go first, then the entries, then the mutex (declared first).
struct BitmapCache
{
  struct Entry
  {
    int resourceId;
    LICE_IBitmap* image;
  };

  std::mutex mutex;
  std::vector<Entry> entries;

  ~BitmapCache()
  {
    for (Entry& entry : entries) delete entry.image;
    entries.clear();
  }

  LICE_IBitmap* Find(int resourceId) const
  {
    for (const Entry& entry : entries)
      if (entry.resourceId == resourceId) return entry.image;
    return nullptr;
  }
};

struct FontCache
{
  struct Entry
  {
    int size, orientation, style;
    std::string face;
    LICE_CachedFont* font;
  };

  std::mutex mutex;
  std::vector<Entry> entries;

  ~FontCache()
  {
    for (Entry& entry : entries) delete entry.font;
    entries.clear();
  }

  LICE_CachedFont* Find(const IText& text) const
  {
    for (const Entry& entry : entries)
      if (entry.size == text.size && entry.orientation == text.orientation &&
          entry.style == text.style && entry.face == text.face)
        return entry.font;
    return nullptr;
  }
};

BitmapCache& Bitmaps()
{
  static BitmapCache cache;
  return cache;
}

FontCache& Fonts()
{
  static FontCache cache;
  return cache;
}

// Rectangles meet when neither is empty and b starts before a ends (a's left and top edges
// count as touching, its right and bottom edges do not).
bool Meet(const IRect& a, const IRect& b)
{
  return !a.Empty() && !b.Empty() && a.R >= b.L && a.L < b.R && a.B >= b.T && a.T < b.B;
}

// The platform font call's quality for the style's quality.
int FontQuality(int quality)
{
  switch (quality)
  {
  case IText::kQualityNonAntiAliased: return 3;
  case IText::kQualityAntiAliased: return 4;
  case IText::kQualityClearType: return 5;
  default: return 0;
  }
}

constexpr int kWeightNormal = 400;
constexpr int kWeightBold = 700;

// The compositing mode of a blend method.
int CompositeMode(const IBlend* blend)
{
  if (!blend) return LICE_OP_COPY | LICE_OP_SRCALPHA;
  switch (blend->method)
  {
  case IBlend::BlendReplace: return LICE_OP_COPY;
  case IBlend::BlendAdd: return LICE_OP_ADD | LICE_OP_SRCALPHA;
  case IBlend::BlendDodge: return LICE_OP_DODGE | LICE_OP_SRCALPHA;
  default: return LICE_OP_COPY | LICE_OP_SRCALPHA;
  }
}

// The value a text field opens with: "%.*f" with the display precision, or the value
// truncated to an integer; the same digits whatever locale the host has set.
std::string PromptText(const IParamSlot& param)
{
  double value = param.Value();
  if (param.NegateDisplay()) value = -value;
  char digits[400];
  std::to_chars_result end{digits, std::errc{}};
  if (param.Precision() > 0 && std::isfinite(value))
    end = std::to_chars(digits, digits + sizeof digits - 1, value, std::chars_format::fixed,
                        static_cast<int>(param.Precision()));
  else
    end = std::to_chars(digits, digits + sizeof digits - 1, TruncateToInt32(value));
  return std::string(digits, end.ptr);
}
} // namespace

IGraphics::IGraphics(IPlugBase* plugin, int width, int height, int frameRate)
  : mPlugin(plugin)
  , mWidth(width)
  , mHeight(height)
  , mFrameRate(frameRate)
{
}

IGraphics::~IGraphics()
{
  mKeyCatcher.reset();
  DestroyControls();
  mSurface.reset();
  mScratch.reset();
}

// --- Controls -------------------------------------------------------------------------------

int IGraphics::AddControl(IControl* control)
{
  std::unique_lock<std::recursive_mutex> lock;
  if (mPlugin) lock = std::unique_lock<std::recursive_mutex>(mPlugin->Mutex());
  mControls.emplace_back(control);
  return NControls() - 1;
}

void IGraphics::SetBackground(IControl* control)
{
  std::unique_lock<std::recursive_mutex> lock;
  if (mPlugin) lock = std::unique_lock<std::recursive_mutex>(mPlugin->Mutex());
  mControls.emplace(mControls.begin(), control);
}

IControl* IGraphics::GetControl(int index) const
{
  return index >= 0 && index < NControls() ? mControls[index].get() : nullptr;
}

void IGraphics::SetKeyCatcher(IControl* control) { mKeyCatcher.reset(control); }

void IGraphics::DestroyControls()
{
  // Last to first; under the plug-in's mutex, so no processing call pushes into a control
  // that is going away.
  std::unique_lock<std::recursive_mutex> lock;
  if (mPlugin) lock = std::unique_lock<std::recursive_mutex>(mPlugin->Mutex());
  while (!mControls.empty()) mControls.pop_back();
}

// --- Bitmaps, surfaces, drawing -------------------------------------------------------------

IBitmapRef IGraphics::FetchBitmap(int resourceId, const char* fileName, int frames)
{
  BitmapCache& cache = Bitmaps();
  LICE_IBitmap* image = nullptr;
  {
    std::lock_guard<std::mutex> lock(cache.mutex);
    image = cache.Find(resourceId);
  }
  if (!image)
  {
    std::unique_ptr<LICE_IBitmap> loaded(LoadPlatformBitmap(resourceId, fileName));
    if (loaded)
    {
      std::lock_guard<std::mutex> lock(cache.mutex);
      // Another editor may have loaded the same image meanwhile: keep the first one.
      image = cache.Find(resourceId);
      if (!image)
      {
        image = loaded.release();
        cache.entries.push_back(BitmapCache::Entry{resourceId, image});
      }
    }
  }

  IBitmapRef ref;
  ref.image = image;
  ref.width = image ? image->pixelWidth() : 0;
  ref.height = image ? image->pixelHeight() : 0;
  ref.frames = frames;
  ref.framesHorizontal = false;
  return ref;
}

bool IGraphics::IsPngFileName(const char* fileName)
{
  const char* dot = fileName ? std::strrchr(fileName, '.') : nullptr;
  if (!dot) return false;
  const char* ext = dot + 1;
  auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
  return std::strlen(ext) == 3 && lower(ext[0]) == 'p' && lower(ext[1]) == 'n' &&
         lower(ext[2]) == 'g';
}

void IGraphics::PrepareSurfaces()
{
  mSurface = std::make_unique<LICE_SysBitmap>(mWidth, mHeight);
  mScratch = std::make_unique<LICE_MemBitmap>();
}

LICE_IBitmap* IGraphics::Surface() const { return mSurface.get(); }

bool IGraphics::BlitBitmap(const IBitmapRef& bitmap, const IRect& dest, int srcX, int srcY,
                           const IBlend* blend)
{
  const IRect& g = mDrawRegion;
  if (!bitmap.image || !mSurface || dest.Empty() || g.Empty()) return true;
  if (!(dest.R >= g.L && dest.L < g.R && dest.B >= g.T && dest.T < g.B)) return true;
  const IRect clip{std::max(dest.L, g.L), std::max(dest.T, g.T), std::min(dest.R, g.R),
                   std::min(dest.B, g.B)};
  LICE_Rect source;
  source.left = srcX + clip.L - dest.L;
  source.top = srcY + clip.T - dest.T;
  source.right = srcX + clip.R - dest.L;
  source.bottom = srcY + clip.B - dest.T;
  const float weight = blend ? blend->weight : 1.0f;
  LICE_Composite(mSurface.get(), bitmap.image, clip.L, clip.T, &source, weight,
                 CompositeMode(blend));
  return true;
}

bool IGraphics::MeasureText(IText& text, const char* str, IRect& rect)
{
  return DrawStyledText(text, str, rect, true);
}

bool IGraphics::DrawStyledText(IText& text, const char* str, IRect& rect, bool measureOnly)
{
  if (!str || str[0] == '\0') return true;
  LICE_CachedFont* font = text.cachedFont ? text.cachedFont : FontFor(text);
  if (!font) return false;

  font->setForeground(text.color.ToPixel());
  int flags = LICE_DT_NOCLIP;
  if (text.align == IText::kAlignCenter)
    flags |= LICE_DT_CENTER;
  else if (text.align == IText::kAlignFar)
    flags |= LICE_DT_RIGHT;
  if (text.color.A != 255) flags |= LICE_TEXT_FOREGROUND_ALPHA;

  if (!measureOnly)
  {
    LICE_Rect r;
    r.left = rect.L;
    r.top = rect.T;
    r.right = rect.R;
    r.bottom = rect.B;
    if (mSurface) font->renderText(mSurface.get(), str, -1, &r, flags);
    return true;
  }

  LICE_Rect r;
  font->renderText(mSurface.get(), str, -1, &r, flags | LICE_DT_CALCRECT);
  const int w = r.right - r.left;
  const int h = r.bottom - r.top;
  if (text.align == IText::kAlignCenter)
  {
    rect.L = static_cast<int>(0.5f * static_cast<float>(rect.L + rect.R)) - w / 2;
    rect.R = rect.L + w;
  }
  else if (text.align == IText::kAlignFar)
  {
    rect.L = rect.R - w;
  }
  else
  {
    rect.R = rect.L + w;
  }
  rect.B = rect.T + h;
  return true;
}

LICE_CachedFont* IGraphics::FontFor(IText& text)
{
  FontCache& cache = Fonts();
  {
    std::lock_guard<std::mutex> lock(cache.mutex);
    if (LICE_CachedFont* font = cache.Find(text))
    {
      text.cachedFont = font;
      return font;
    }
  }

  LICE_FontDescription description;
  description.height = text.size;
  description.width = 0;
  description.escapement = description.orientation = text.orientation * 10;
  description.weight = text.style == IText::kStyleBold ? kWeightBold : kWeightNormal;
  description.italic = text.style == IText::kStyleItalic;
  description.quality = FontQuality(text.quality);
  CopyTruncated(description.face, sizeof(description.face), text.face);
  LICE_FontHandle handle = LICE_CreatePlatformFont(description);
  if (!handle) return nullptr;
  auto font = std::make_unique<LICE_CachedFont>();
  font->attachFont(handle, LICE_FONTOPT_OWNED | LICE_FONTOPT_NATIVE);

  std::lock_guard<std::mutex> lock(cache.mutex);
  // Another editor may have made the same font meanwhile: keep the first one.
  LICE_CachedFont* kept = cache.Find(text);
  if (!kept)
  {
    kept = font.release();
    cache.entries.push_back(
        FontCache::Entry{text.size, text.orientation, text.style, text.face, kept});
  }
  text.cachedFont = kept;
  return kept;
}

bool IGraphics::RedrawRegion(const IRect& rect)
{
  if (mControls.empty()) return true;
  const int n = NControls();
  if (mStrictDrawing)
  {
    mDrawRegion = rect;
    for (int i = 0; i < n; ++i)
    {
      IControl* control = mControls[i].get();
      if (!control->IsHidden() && Meet(rect, control->GetRect())) control->Draw(this);
      control->ClearDirty();
    }
  }
  else if (mControls[0]->IsDirty())
  {
    mDrawRegion = mControls[0]->GetRect();
    for (int i = 0; i < n; ++i)
    {
      IControl* control = mControls[i].get();
      if (i > 0 && control->IsHidden()) continue;
      control->Draw(this);
      control->ClearDirty();
    }
  }
  else
  {
    for (int i = 1; i < n; ++i)
    {
      IControl* dirty = mControls[i].get();
      if (!dirty->IsDirty()) continue;
      mDrawRegion = dirty->GetRect();
      for (int j = 0; j < n; ++j)
      {
        IControl* control = mControls[j].get();
        if (control->IsHidden()) continue;
        if (j == i || Meet(control->GetRect(), mDrawRegion)) control->Draw(this);
      }
      dirty->ClearDirty();
    }
  }
  return PresentRegion(rect);
}

bool IGraphics::GatherDirty(IRect& dirtyUnion)
{
  bool any = false;
  IRect u;
  for (const auto& control : mControls)
  {
    if (!control->IsDirty()) continue;
    u = u.Union(control->GetRect());
    any = true;
  }
  dirtyUnion = u;
  return any;
}

// --- Parameter flow -------------------------------------------------------------------------

void IGraphics::ParamFromPlugin(int paramIdx, double value, bool isNormalized)
{
  if (!isNormalized)
  {
    const IParamSlot* param = mPlugin ? mPlugin->Param(paramIdx) : nullptr;
    if (!param) return;
    value = param->NormalizedFromPlain(value);
  }
  PushNormalizedToControls(paramIdx, value);
}

void IGraphics::PushNormalizedToControls(int paramIdx, double normalized)
{
  for (const auto& control : mControls)
  {
    if (control->ParamIdx() == paramIdx) control->SetValueFromPlugin(normalized);
    for (int k = 0; k < control->AuxParamCount(); ++k)
    {
      if (control->GetAuxParam(k).paramIdx == paramIdx)
      {
        control->SetAuxValueFromPlugin(k, normalized);
        break;
      }
    }
  }
}

void IGraphics::PromptParam(IControl* control, IParamSlot* param, const IRect* rect)
{
  if (!control || !param || !rect) return;
  const int kind = param->GetKind();
  const int count = param->DisplayTextCount();
  if (kind == IParamSlot::kKindChoiceList || (kind == IParamSlot::kKindChoice && count > 0))
  {
    char current[IParamSlot::kTextSize] = {};
    param->FormatForHost(current, sizeof(current));
    IMenu menu;
    for (int i = 0; i < count; ++i)
    {
      const char* text = param->DisplayTextAt(i);
      menu.AddItem(text, std::strcmp(text, current) == 0 ? IMenuItem::kChecked : 0);
    }
    IMenu* chosen = ShowMenu(menu, *rect);
    // A menu closed without a choice leaves the parameter as it is.
    if (chosen && chosen->chosenIndex >= 0)
      control->SetValueFromUser(param->NormalizedFromPlain(chosen->chosenIndex));
    return;
  }
  ShowTextEntry(control, control->GetText(), *rect, PromptText(*param).c_str(), param);
}

void IGraphics::SetEditorSize(int width, int height)
{
  mWidth = width;
  mHeight = height;
  mCapturedIdx = -1;
  mHoverIdx = -1;
  DestroyControls();
  mSurface.reset();
  mScratch.reset();
  PrepareSurfaces();
  if (mPlugin) mPlugin->ResizeEditor(width, height);
}

// --- Dispatch -------------------------------------------------------------------------------

int IGraphics::TopmostHit(int x, int y)
{
  for (int i = NControls() - 1; i >= 0; --i)
  {
    IControl* control = mControls[i].get();
    if (!control->IsHidden() && !control->IsGreyed() && control->HitTest(x, y)) return i;
  }
  return -1;
}

bool IGraphics::BeginEditGesture(int paramIdx)
{
  if (mGestureParamIdx >= 0 || !mPlugin || paramIdx < 0) return false;
  mGestureParamIdx = paramIdx;
  mPlugin->BeginHostEdit(paramIdx);
  return true;
}

void IGraphics::EndEditGesture()
{
  if (mGestureParamIdx < 0) return;
  const int paramIdx = mGestureParamIdx;
  mGestureParamIdx = -1;
  if (mPlugin) mPlugin->EndHostEdit(paramIdx);
}

void IGraphics::PointerDown(int x, int y, const IMouseMod& mod)
{
  mLastX = mLastY = -1;
  mCapturedIdx = -1;
  // A press while a gesture is still open (its release never arrived) closes that one first.
  EndEditGesture();
  const int idx = TopmostHit(x, y);
  if (idx < 0) return;
  mCapturedIdx = idx;
  mLastX = x;
  mLastY = y;
  IControl* control = mControls[idx].get();
  const int paramIdx = control->ParamIdx();
  if (mPlugin && mPlugin->PluginApi() == IPlugBase::kAPIVST3 && mod.R && paramIdx >= 0)
  {
    // The host's own parameter menu; the control neither captures nor sees the press.
    mLastX = mLastY = -1;
    mCapturedIdx = -1;
    mPlugin->ShowHostParamMenu(paramIdx, x, y);
    return;
  }
  BeginEditGesture(paramIdx);
  control->OnPress(x, y, mod);
}

void IGraphics::PointerUp(int x, int y, const IMouseMod& mod)
{
  const int idx = mCapturedIdx >= 0 ? mCapturedIdx : TopmostHit(x, y);
  mCapturedIdx = -1;
  mLastX = mLastY = -1;
  if (idx >= 0 && idx < NControls()) mControls[idx]->OnRelease(x, y, mod);
  // Only a press opens a gesture, so a release without one tells the host nothing.
  EndEditGesture();
}

void IGraphics::PointerDrag(int x, int y, const IMouseMod& mod)
{
  if (mCapturedIdx < 0 || mCapturedIdx >= NControls()) return;
  if (x == mLastX && y == mLastY) return;
  const int dX = x - mLastX;
  const int dY = y - mLastY;
  mLastX = x;
  mLastY = y;
  mControls[mCapturedIdx]->OnDrag(x, y, dX, dY, mod);
}

bool IGraphics::PointerDoubleClick(int x, int y, const IMouseMod& mod)
{
  mLastX = mLastY = -1;
  mCapturedIdx = -1;
  const int idx = TopmostHit(x, y);
  if (idx < 0) return false;
  IControl* control = mControls[idx].get();
  if (control->DoubleClickAsPress())
  {
    // Delivered as a press, it opens a gesture as a press does; the release closes it.
    mCapturedIdx = idx;
    mLastX = x;
    mLastY = y;
    EndEditGesture();
    BeginEditGesture(control->ParamIdx());
    control->OnPress(x, y, mod);
    return true;
  }
  control->OnDoubleClick(x, y, mod);
  return false;
}

void IGraphics::PointerWheel(int x, int y, const IMouseMod& mod, int notches)
{
  const int idx = mCapturedIdx >= 0 ? mCapturedIdx : TopmostHit(x, y);
  if (idx < 0 || idx >= NControls()) return;
  mControls[idx]->OnWheel(x, y, mod, notches);
}

bool IGraphics::PointerOver(int x, int y, const IMouseMod& mod)
{
  if (!mTrackHover) return false;
  int idx = mCapturedIdx < NControls() ? mCapturedIdx : -1;
  for (int i = NControls() - 1; idx < 0 && i >= 0; --i)
  {
    IControl* control = mControls[i].get();
    if (!control->IsHidden() && control->HitTest(x, y) &&
        (!control->IsGreyed() || control->HoverWhenGreyed()))
      idx = i;
  }
  if (idx < 0) return true;
  mLastX = x;
  mLastY = y;
  mControls[idx]->OnHover(x, y, mod);
  if (mHoverIdx >= 0 && mHoverIdx != idx && mHoverIdx < NControls())
    mControls[mHoverIdx]->OnLeave();
  mHoverIdx = idx;
  return true;
}

void IGraphics::PointerLeft()
{
  for (const auto& control : mControls) control->OnLeave();
  mHoverIdx = -1;
}

bool IGraphics::KeyPressed(int x, int y, int key)
{
  const int idx = mCapturedIdx >= 0 ? mCapturedIdx : TopmostHit(x, y);
  IControl* target = idx > 0 && idx < NControls() ? mControls[idx].get() : mKeyCatcher.get();
  return target ? target->OnKey(x, y, key) : false;
}
