// KORU's editor window on an X display (run it under scripts/with-virtual-display): the time of
// a full repaint (every control drawn, the surface copied to the window and the server waited
// for), and the processor time an open editor with nothing changing costs the host's run loop
// each second.
#include "effect/KORU.h"
#include "graphics/x11/IGraphicsX11.h"
#include "harness/HostWindow.h"
#include "harness/RunLoop.h"
#include "vst3/IPlugVST3RunLoop.h"

#include <benchmark/benchmark.h>
#include <sys/resource.h>

namespace
{
double ProcessSeconds()
{
  rusage usage;
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
         (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
}

// A KORU whose editor window is open inside the host's window for the benchmark's life; a
// benchmark without an X display is skipped.
class OpenEditor
{
public:
  OpenEditor(benchmark::State& state, harness::HostWindow& host)
    : mKoru(new KORU())
    , mGraphics(static_cast<IGraphicsX11*>(mKoru->GetGUI()))
  {
    mOpen = host.Valid() && mGraphics->OpenEditorWindow(host.ParentHandle());
    if (!mOpen) state.SkipWithError("no X display");
  }
  ~OpenEditor()
  {
    if (mOpen) mGraphics->CloseEditorWindow();
    mKoru->release();
  }
  bool Open() const { return mOpen; }
  IGraphicsX11& Graphics() { return *mGraphics; }

private:
  KORU* mKoru;
  IGraphicsX11* mGraphics;
  bool mOpen = false;
};

void FullRepaint(benchmark::State& state)
{
  harness::HostWindow host;
  OpenEditor editor(state, host);
  if (!editor.Open()) return;
  IGraphicsX11& graphics = editor.Graphics();
  const IRect all{0, 0, graphics.Width(), graphics.Height()};
  for (auto _ : state) graphics.RedrawRegion(all);
  state.counters["shm"] = graphics.UsesSharedMemory() ? 1 : 0;
}
BENCHMARK(FullRepaint)->Unit(benchmark::kMicrosecond);

// One iteration is one second of the host's loop with the editor open and idle.
void IdleSecond(benchmark::State& state)
{
  harness::HostWindow host;
  harness::RunLoop loop;
  IPlugVST3RunLoop bridge(&loop);
  OpenEditor editor(state, host);
  if (!editor.Open()) return;
  editor.Graphics().SetHostRunLoop(&bridge);
  loop.RunFor(500);
  double cpu = 0.0;
  int ticks = 0;
  for (auto _ : state)
  {
    const double start = ProcessSeconds();
    const int callbacks = loop.Callbacks();
    loop.RunFor(1000);
    cpu += ProcessSeconds() - start;
    ticks += loop.Callbacks() - callbacks;
  }
  state.counters["cpu_ms_per_s"] = 1000.0 * cpu / static_cast<double>(state.iterations());
  state.counters["callbacks_per_s"] = ticks / static_cast<double>(state.iterations());
}
BENCHMARK(IdleSecond)->Unit(benchmark::kMillisecond)->Iterations(10);
} // namespace
