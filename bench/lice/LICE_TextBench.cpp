// A 12-pixel label of 10 characters drawn into the editor's kind of surface: by the platform
// (native), from the glyph cache once it holds the characters (cached), into a bitmap without a
// device context (native through the scratch copy), and measured from the cache.
#include "lice/LICE_CachedFont.h"
#include "lice/LICE_MemBitmap.h"
#include "lice/LICE_SysBitmap.h"

#include <benchmark/benchmark.h>
#include <cstring>

namespace
{

constexpr const char* kLabel = "Mid Gain 1";

LICE_FontHandle LabelFont()
{
  LICE_FontDescription description;
  std::strcpy(description.face, "DejaVu Sans");
  return LICE_CreatePlatformFont(description);
}

void DrawLabel(benchmark::State& state, LICE_IBitmap& bitmap, int options, int flags)
{
  LICE_CachedFont font;
  font.attachFont(LabelFont(), LICE_FONTOPT_OWNED | options);
  font.setForeground(LICE_PackPixel(20, 20, 20, 255));
  LICE_Rect rect = {0, 10, bitmap.pixelWidth(), 30};
  font.renderText(&bitmap, kLabel, -1, &rect, flags); // fills the cache where it is used
  for (auto _ : state)
  {
    rect = {0, 10, bitmap.pixelWidth(), 30};
    benchmark::DoNotOptimize(font.renderText(&bitmap, kLabel, -1, &rect, flags));
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(std::strlen(kLabel)));
}

void NativeLabel(benchmark::State& state)
{
  LICE_SysBitmap surface(150, 40);
  DrawLabel(state, surface, LICE_FONTOPT_NATIVE, LICE_DT_NOCLIP | LICE_DT_CENTER);
}

void CachedLabel(benchmark::State& state)
{
  LICE_SysBitmap surface(150, 40);
  DrawLabel(state, surface, 0, LICE_DT_NOCLIP | LICE_DT_CENTER);
}

void CachedLabelLeftAligned(benchmark::State& state)
{
  LICE_SysBitmap surface(150, 40);
  DrawLabel(state, surface, 0, LICE_DT_NOCLIP);
}

void NativeLabelWithoutContext(benchmark::State& state)
{
  LICE_MemBitmap image(150, 40);
  DrawLabel(state, image, LICE_FONTOPT_NATIVE, LICE_DT_NOCLIP | LICE_DT_CENTER);
}

void CachedMeasure(benchmark::State& state)
{
  LICE_SysBitmap surface(150, 40);
  DrawLabel(state, surface, 0, LICE_DT_CALCRECT);
}

} // namespace

BENCHMARK(NativeLabel);
BENCHMARK(CachedLabel);
BENCHMARK(CachedLabelLeftAligned);
BENCHMARK(NativeLabelWithoutContext);
BENCHMARK(CachedMeasure);
