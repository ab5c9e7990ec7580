// KORU's editor: the control list, the meters' indices, every rectangle, the embedded images,
// and what the drawn editor shows (knob frames, lamps, meters), with the real images.
#include "effect/KORU.h"
#include "effect/KORUEditorLayout.h"
#include "graphics/IBitmapControl.h"
#include "graphics/IGraphics.h"
#include "graphics/IKnobMultiControl.h"
#include "graphics/ISwitchControl.h"
#include "lice/LICE_Composite.h"
#include "lice/LICE_MemBitmap.h"

#include <gtest/gtest.h>
#include <memory>
#include <vector>

namespace
{
struct KoruDeleter
{
  void operator()(KORU* koru) const { koru->release(); }
};
using KoruPtr = std::unique_ptr<KORU, KoruDeleter>;

KoruPtr MakeKoru() { return KoruPtr(new KORU()); }

// Image sizes of each control's picture (whole filmstrip), in control order.
struct ImageSize
{
  int width, height;
};
const ImageSize kImageSizes[] = {{150, 550}, {44, 2684}, {46, 2684},  {56, 3416},
                                 {58, 3538}, {57, 3477}, {56, 3538},  {57, 3477},
                                 {19, 40},   {21, 42},   {121, 3267}, {146, 3993}};

// A copy of the surface's pixels.
std::vector<LICE_Pixel32> Pixels(LICE_IBitmap& bitmap)
{
  std::vector<LICE_Pixel32> pixels;
  for (int y = 0; y < bitmap.pixelHeight(); ++y)
  {
    const LICE_Pixel32* row = LICE_RowPointer(bitmap, y);
    pixels.insert(pixels.end(), row, row + bitmap.pixelWidth());
  }
  return pixels;
}

std::vector<LICE_Pixel32> Render(KORU& koru)
{
  IGraphics* graphics = koru.GetGUI();
  graphics->RedrawRegion(IRect{0, 0, graphics->Width(), graphics->Height()});
  return Pixels(*graphics->Surface());
}

// Pushes a value past the first one (which only sets the default).
void SetValue(IControl& control, double value)
{
  control.SetValueFromPlugin(value);
  control.SetValueFromPlugin(value + 0.5);
  control.SetValueFromPlugin(value);
}
} // namespace

TEST(KORUEditorLayout, TwelveControlsInOrderWithTheMetersAtTenAndEleven)
{
  KoruPtr koru = MakeKoru();
  IGraphics* graphics = koru->GetGUI();
  ASSERT_NE(graphics, nullptr);
  EXPECT_EQ(graphics->Width(), 150);
  EXPECT_EQ(graphics->Height(), 550);
  EXPECT_EQ(graphics->FrameRate(), 25);
  ASSERT_EQ(graphics->NControls(), 12);
  EXPECT_EQ(koru->GRMeterIdx(), 10);
  EXPECT_EQ(koru->VUMeterIdx(), 11);
  EXPECT_NE(graphics->DrawingBackendName(), nullptr);

  const int params[] = {-1, 0, 1, 2, 3, 4, 5, 6, 7, 8, -1, -1};
  for (int i = 0; i < 12; ++i)
  {
    IControl* control = graphics->GetControl(i);
    EXPECT_EQ(control->ParamIdx(), params[i]) << "control " << i;
    EXPECT_EQ(control->GetBlend().weight, 1.0f);
    if (i >= 1 && i <= 7)
    {
      auto* knob = dynamic_cast<IKnobMultiControl*>(control);
      ASSERT_NE(knob, nullptr) << "control " << i;
      EXPECT_EQ(knob->Direction(), IKnobControl::kVertical);
      EXPECT_EQ(knob->Gearing(), 4.0);
      EXPECT_EQ(knob->GetBitmap().frames, 61);
      EXPECT_EQ(knob->GetBlend().method, IBlend::BlendAlpha);
    }
    else if (i == 8 || i == 9)
    {
      auto* lamp = dynamic_cast<ISwitchControl*>(control);
      ASSERT_NE(lamp, nullptr) << "control " << i;
      EXPECT_EQ(lamp->GetBitmap().frames, 2);
    }
    else
    {
      auto* picture = dynamic_cast<IBitmapControl*>(control);
      ASSERT_NE(picture, nullptr) << "control " << i;
      EXPECT_EQ(dynamic_cast<ISwitchControl*>(control), nullptr);
      EXPECT_EQ(picture->GetBitmap().frames, i == 0 ? 1 : 121);
      EXPECT_EQ(picture->GetBlend().method, i == 0 ? IBlend::BlendReplace : IBlend::BlendAlpha);
    }
  }
}

TEST(KORUEditorLayout, EveryImageIsEmbeddedAndEveryRectangleLiesInsideTheEditor)
{
  KoruPtr koru = MakeKoru();
  IGraphics* graphics = koru->GetGUI();
  for (int i = 0; i < kKORUEditorControls; ++i)
  {
    const KORUControlRow& row = kKORUEditorLayout[i];
    const IBitmapRef bitmap = graphics->FetchBitmap(row.resourceId, row.fileName, row.frames);
    ASSERT_NE(bitmap.image, nullptr) << row.fileName;
    EXPECT_EQ(bitmap.width, kImageSizes[i].width) << row.fileName;
    EXPECT_EQ(bitmap.height, kImageSizes[i].height) << row.fileName;
    const IRect expected{row.x, row.y, row.x + bitmap.width, row.y + bitmap.height / row.frames};
    const IRect& rect = graphics->GetControl(i)->GetRect();
    EXPECT_EQ(rect, expected) << row.fileName;
    EXPECT_EQ(graphics->GetControl(i)->GetTargetRect(), expected) << row.fileName;
    EXPECT_GE(rect.L, 0);
    EXPECT_GE(rect.T, 0);
    EXPECT_LE(rect.R, 150);
    EXPECT_LE(rect.B, 550);
    EXPECT_LT(rect.L, rect.R);
    EXPECT_LT(rect.T, rect.B);
  }
  EXPECT_EQ(graphics->GetControl(1)->GetRect(), (IRect{14, 496, 58, 540}));
  // The platform loader takes only PNG file names.
  EXPECT_EQ(graphics->LoadPlatformBitmap(101, "resources/img/BG.bmp"), nullptr);
  EXPECT_EQ(graphics->LoadPlatformBitmap(109, "resources/img/none.png"), nullptr);
  std::unique_ptr<LICE_IBitmap> again(graphics->LoadPlatformBitmap(101 + 0x10000, "x.PNG"));
  ASSERT_NE(again, nullptr); // ids are 16-bit
  EXPECT_EQ(again->pixelWidth(), 150);
}

TEST(KORUEditorPixels, KnobsShowTheFrameTheirValueSelects)
{
  KoruPtr koru = MakeKoru();
  IGraphics* graphics = koru->GetGUI();
  auto* knob = dynamic_cast<IKnobMultiControl*>(graphics->GetControl(7)); // compressor
  ASSERT_NE(knob, nullptr);
  const IRect rect = knob->GetRect();
  const IBitmapRef& strip = knob->GetBitmap();
  const IBitmapRef background = graphics->FetchBitmap(101, "resources/img/BG.png", 1);

  for (const auto& [value, frame] :
       std::vector<std::pair<double, int>>{{0.0, 1}, {0.5, 31}, {1.0, 61}})
  {
    SetValue(*knob, value);
    const std::vector<LICE_Pixel32> drawn = Render(*koru);
    // The expected picture: the background under the knob, the frame composited over it.
    LICE_MemBitmap expected(rect.W(), rect.H());
    LICE_Rect under{rect.L, rect.T, rect.R, rect.B};
    LICE_Composite(&expected, background.image, 0, 0, &under, 1.0f, LICE_OP_COPY);
    const int top = static_cast<int>(3477.0 * (frame - 1) / 61 + 0.5);
    LICE_Rect source{0, top, rect.W(), top + rect.H()};
    LICE_Composite(&expected, strip.image, 0, 0, &source, 1.0f, LICE_OP_COPY | LICE_OP_SRCALPHA);
    int differing = 0;
    for (int y = 0; y < rect.H(); ++y)
      for (int x = 0; x < rect.W(); ++x)
        if ((drawn[(rect.T + y) * 150 + rect.L + x] & 0xFFFFFF) !=
            (LICE_RowPointer(expected, y)[x] & 0xFFFFFF))
          ++differing;
    EXPECT_EQ(differing, 0) << "value " << value << " should show frame " << frame;
  }
}

TEST(KORUEditorPixels, LampsAndMetersChangeOnlyInsideTheirRectangles)
{
  KoruPtr koru = MakeKoru();
  IGraphics* graphics = koru->GetGUI();
  // An unlit and a lit lamp differ, and a meter at 0 and at 1, each only inside itself.
  for (int i : {8, 9, koru->GRMeterIdx(), koru->VUMeterIdx()})
  {
    IControl* control = graphics->GetControl(i);
    SetValue(*control, 0.0);
    const std::vector<LICE_Pixel32> low = Render(*koru);
    SetValue(*control, 1.0);
    const std::vector<LICE_Pixel32> high = Render(*koru);
    const IRect& r = control->GetRect();
    int differing = 0;
    for (size_t p = 0; p < high.size(); ++p)
    {
      if (high[p] == low[p]) continue;
      const int x = static_cast<int>(p % 150), y = static_cast<int>(p / 150);
      EXPECT_TRUE(r.Contains(x, y)) << "control " << i << " changed (" << x << ", " << y << ")";
      ++differing;
    }
    EXPECT_GT(differing, 20) << "control " << i;
  }
}

TEST(KORUEditorMeters, ProcessingMovesTheMetersAndFlagsThem)
{
  KoruPtr koru = MakeKoru();
  koru->SetSampleRate(48000.0);
  koru->SetMaxBlockSize(256);
  IGraphics* graphics = koru->GetGUI();
  graphics->RedrawRegion(IRect{0, 0, 150, 550});
  graphics->RedrawRegion(IRect{0, 0, 150, 550});
  IRect dirty;
  EXPECT_FALSE(graphics->GatherDirty(dirty));

  std::vector<double> left(256), right(256), outL(256), outR(256);
  for (int n = 0; n < 256; ++n) left[n] = right[n] = 0.5 * ((n / 20) % 2 ? 1.0 : -1.0);
  double* ins[] = {left.data(), right.data()};
  double* outs[] = {outL.data(), outR.data()};
  for (int block = 0; block < 4; ++block) koru->ProcessBlock(ins, outs, 256);
  IControl* gr = graphics->GetControl(koru->GRMeterIdx());
  IControl* vu = graphics->GetControl(koru->VUMeterIdx());
  // The controls hold the chain's last meter states (clamped to the meter's range).
  EXPECT_EQ(gr->GetValue(), std::min(1.0, koru->GRState()));
  EXPECT_EQ(vu->GetValue(), std::min(1.0, koru->VUState()));
  EXPECT_TRUE(graphics->GatherDirty(dirty));
  // Their union spans both meters: the VU at the top to the gain-reduction meter.
  EXPECT_EQ(dirty, (IRect{3, 0, 149, 394}));
}
