// The editor's costs on the user-interface thread: a draw pass of the whole editor, a timer tick
// with nothing dirty (the walk over the controls), and a tick while both meters move (their
// values pushed as the chain pushes them, then the union of the dirty rectangles drawn, which
// in strict mode is most of the editor). Microseconds per operation.
#include "effect/KORU.h"
#include "graphics/IGraphics.h"

#include <benchmark/benchmark.h>
#include <cmath>

namespace
{
struct Editor
{
  Editor() : koru(new KORU()), graphics(*koru->GetGUI()) { Settle(); }
  ~Editor() { koru->release(); }

  // Two passes: the first draws everything, the second clears the pending flags.
  void Settle()
  {
    graphics.RedrawRegion(Whole());
    graphics.RedrawRegion(Whole());
  }
  IRect Whole() const { return IRect{0, 0, graphics.Width(), graphics.Height()}; }

  KORU* koru;
  IGraphics& graphics;
};

void FullDrawPass(benchmark::State& state)
{
  Editor editor;
  for (auto _ : state) benchmark::DoNotOptimize(editor.graphics.RedrawRegion(editor.Whole()));
  state.SetLabel(editor.graphics.DrawingBackendName());
}

void IdleTick(benchmark::State& state)
{
  Editor editor;
  IRect dirty;
  for (auto _ : state)
  {
    const bool any = editor.graphics.GatherDirty(dirty);
    benchmark::DoNotOptimize(any);
    if (any) state.SkipWithError("a control is dirty");
  }
}

void TickWithMovingMeters(benchmark::State& state)
{
  Editor editor;
  IControl* gr = editor.graphics.GetControl(editor.koru->GRMeterIdx());
  IControl* vu = editor.graphics.GetControl(editor.koru->VUMeterIdx());
  // A timer tick sees 40 ms of audio: 15 chunks of 128 frames at 48 kHz, each pushing both
  // meters as the chain does.
  double trace[128];
  int tick = 0;
  for (auto _ : state)
  {
    for (int chunk = 0; chunk < 15; ++chunk)
    {
      for (int n = 0; n < 128; ++n)
        trace[n] = 0.5 + 0.45 * std::sin(0.001 * ((tick * 15 + chunk) * 128 + n));
      gr->SetValuesFromPlugin(trace, 128);
      vu->SetValuesFromPlugin(trace, 128);
    }
    IRect dirty;
    if (editor.graphics.GatherDirty(dirty)) editor.graphics.RedrawRegion(dirty);
    ++tick;
  }
}
} // namespace

BENCHMARK(FullDrawPass)->Unit(benchmark::kMicrosecond);
BENCHMARK(IdleTick)->Unit(benchmark::kMicrosecond);
BENCHMARK(TickWithMovingMeters)->Unit(benchmark::kMicrosecond);
