// The audio thread processing with moving parameters (queued changes reach the knobs, the
// meters move on every block) while the user-interface thread runs the editor's timer ticks,
// draw passes and knob drags. Meant for ThreadSanitizer (the name holds "Concurrency").
#include "EditorHost.h"

#include <thread>

using namespace editor_test;

TEST(EditorConcurrency, ProcessingWhileTheEditorDrawsAndIsDragged)
{
  EditorHost host;
  host.Setup(64);
  IGraphics& graphics = host.Graphics();
  std::atomic<bool> done{false};
  std::atomic<int> failures{0};
  std::thread audio(
      [&]
      {
        for (int block = 0; block < 400; ++block)
        {
          harness::ParameterChanges changes;
          changes.Add(static_cast<ParamID>(block % 7), (block % 11) / 10.0);
          if (block % 17 == 0) changes.Add(7, block % 2 ? 1.0 : 0.0);
          if (host.Process(64, &changes, block % 5 ? 0.5 : 0.9) != kResultOk) ++failures;
        }
        done = true;
      });

  int ticks = 0;
  while (!done || ticks < 50)
  {
    IRect dirty;
    if (graphics.GatherDirty(dirty)) graphics.RedrawRegion(dirty);
    const int y = 518 - ticks % 20;
    if (ticks % 4 == 0) graphics.PointerDown(36, 518, IMouseMod{true});
    graphics.PointerDrag(36, y, IMouseMod{true});
    if (ticks % 4 == 3) graphics.PointerUp(36, y, IMouseMod{true});
    ++ticks;
  }
  audio.join();
  graphics.PointerUp(0, 0, IMouseMod{true});
  EXPECT_EQ(failures, 0);
  // Every gesture the drags opened was closed.
  EXPECT_EQ(host.handler.Count(harness::ComponentHandler::Kind::kBeginEdit),
            host.handler.Count(harness::ComponentHandler::Kind::kEndEdit));
}
