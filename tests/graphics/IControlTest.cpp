// The controls: value flow and redraw flags, hit testing, switch stepping, knob gearing and the
// double-click default.
#include "GraphicsTestSupport.h"
#include "graphics/IBitmapControl.h"
#include "graphics/IKnobMultiControl.h"
#include "graphics/ISwitchControl.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <random>

using namespace graphics_test;

namespace
{
IBitmapRef Strip(int frames, int width = 20, int height = 200)
{
  IBitmapRef ref;
  ref.width = width;
  ref.height = height;
  ref.frames = frames;
  return ref;
}

class LabelRecorder : public ITextDisplay
{
public:
  void SetTextFromPlugin(const char* text) override { texts.emplace_back(text); }
  std::vector<std::string> texts;
};
} // namespace

TEST(IControlValues, FirstPluginValueBecomesTheDefaultWithoutFlags)
{
  TestPlug plug;
  TestControl control(&plug, IRect{1, 1, 5, 5}, 0);
  control.ClearDirty(); // it starts dirty; one pass clears it
  control.SetValueFromPlugin(0.3);
  EXPECT_EQ(control.GetValue(), 0.3);
  EXPECT_EQ(control.DefaultValue(), 0.3);
  EXPECT_FALSE(control.RedrawPending());
  EXPECT_FALSE(control.IsDirty());

  control.SetValueFromPlugin(0.3); // the same value changes nothing
  EXPECT_FALSE(control.IsDirty());
  control.SetValueFromPlugin(0.6);
  EXPECT_TRUE(control.IsDirty());
  EXPECT_TRUE(control.RedrawPending());
  EXPECT_EQ(control.DefaultValue(), 0.3);

  // A pending change keeps the control dirty for one more pass, then it is clean.
  control.ClearDirty();
  EXPECT_TRUE(control.IsDirty());
  control.ClearDirty();
  EXPECT_FALSE(control.IsDirty());

  // Plug-in values never reach the plug-in back.
  EXPECT_TRUE(plug.calls.empty());
}

TEST(IControlValues, UserValuesAreClampedAndReachThePlugin)
{
  TestPlug plug;
  TestControl control(&plug, IRect{1, 1, 5, 5}, 2);
  LabelRecorder value, name;
  control.SetValueLabel(&value);
  control.SetNameLabel(&name);
  control.SetValueFromUser(1.7);
  EXPECT_EQ(control.GetValue(), 1.0);
  ASSERT_EQ(plug.calls.size(), 1u);
  EXPECT_EQ(plug.calls[0].kind, HostCall::kPerform);
  EXPECT_EQ(plug.calls[0].index, 2);
  EXPECT_EQ(plug.calls[0].value, 1.0);
  EXPECT_EQ(plug.Param(2)->Value(), 1.0);
  ASSERT_EQ(value.texts.size(), 1u);
  EXPECT_EQ(value.texts[0], "1.00 ");
  ASSERT_EQ(name.texts.size(), 1u);
  EXPECT_EQ(name.texts[0], "Freq");

  // An unbound control never talks to the plug-in.
  TestControl unbound(&plug, IRect{1, 1, 5, 5});
  unbound.SetValueFromUser(-3.0);
  EXPECT_EQ(unbound.GetValue(), 0.0);
  EXPECT_EQ(plug.calls.size(), 1u);
}

TEST(IControlValues, AMeterTraceLeavesTheSameStateAsOnePushPerValue)
{
  // The reduced push must leave value, default and redraw flags exactly as per-value pushes.
  std::mt19937 rng(7);
  // Below the range only once a default is set: a negative first value sets none.
  const double palette[] = {0.0,  0.25, 0.25, 1.0, 1.4, std::numeric_limits<double>::quiet_NaN(),
                            -0.0, -0.5};
  for (int round = 0; round < 2000; ++round)
  {
    std::uniform_int_distribution<int> pick(0, round % 3 != 0 ? 7 : 6);
    const int n = 1 + round % 9;
    std::vector<double> trace(n);
    for (double& v : trace) v = palette[pick(rng)];
    TestControl each(nullptr, IRect{1, 1, 2, 2}), reduced(nullptr, IRect{1, 1, 2, 2});
    if (round % 3 != 0) // sometimes a fresh control, whose first value becomes its default
    {
      const double start = palette[pick(rng)];
      for (TestControl* c : {&each, &reduced})
      {
        c->SetValueFromPlugin(0.5);
        c->SetValueFromPlugin(start);
      }
    }
    for (TestControl* c : {&each, &reduced})
      if (round % 2 == 0)
      {
        c->ClearDirty();
        c->ClearDirty();
      }
    for (double v : trace) each.SetValueFromPlugin(v);
    reduced.SetValuesFromPlugin(trace.data(), n);
    // Down to the sign of a zero.
    auto same = [](double a, double b)
    { return (a == b && std::signbit(a) == std::signbit(b)) || (std::isnan(a) && std::isnan(b)); };
    ASSERT_TRUE(same(each.GetValue(), reduced.GetValue())) << "round " << round;
    ASSERT_TRUE(same(each.DefaultValue(), reduced.DefaultValue())) << "round " << round;
    ASSERT_EQ(each.IsDirty(), reduced.IsDirty()) << "round " << round;
    ASSERT_EQ(each.RedrawPending(), reduced.RedrawPending()) << "round " << round;
  }
}

TEST(IControlGeometry, HitTestingUsesTheTargetRectangle)
{
  TestControl control(nullptr, IRect{10, 20, 30, 40});
  EXPECT_TRUE(control.HitTest(10, 20));
  EXPECT_TRUE(control.HitTest(29, 39));
  EXPECT_FALSE(control.HitTest(30, 25)); // right edge is outside
  EXPECT_FALSE(control.HitTest(15, 40)); // bottom edge is outside
  EXPECT_FALSE(control.HitTest(9, 25));

  TestControl zero(nullptr, IRect{});
  EXPECT_FALSE(zero.HitTest(0, 0)); // an all-zero target is never hit

  // Hidden and greyed flags: a greyed control draws at a quarter weight.
  control.ClearDirty();
  control.SetGreyed(true);
  EXPECT_FLOAT_EQ(control.GetBlend().weight, 0.25f);
  EXPECT_TRUE(control.IsDirty());
  control.SetGreyed(false);
  EXPECT_FLOAT_EQ(control.GetBlend().weight, 1.0f);
  control.ClearDirty();
  control.SetHidden(true);
  EXPECT_TRUE(control.IsDirty());
  EXPECT_TRUE(control.RedrawPending());
}

TEST(IControlFrames, ValueSelectsTheNearestFrame)
{
  EXPECT_EQ(IBitmapControl::FrameNumber(121, 0.0), 1);
  EXPECT_EQ(IBitmapControl::FrameNumber(121, 0.5), 61);
  EXPECT_EQ(IBitmapControl::FrameNumber(121, 1.0), 121);
  EXPECT_EQ(IBitmapControl::FrameNumber(61, 0.004), 1);
  EXPECT_EQ(IBitmapControl::FrameNumber(61, 0.009), 2);
  EXPECT_EQ(IBitmapControl::FrameNumber(61, 0.5), 31);
  EXPECT_EQ(IBitmapControl::FrameNumber(61, -0.7), 1);
  EXPECT_EQ(IBitmapControl::FrameNumber(61, 3.0), 61);
  EXPECT_EQ(IBitmapControl::FrameNumber(61, std::numeric_limits<double>::quiet_NaN()), 1);
  EXPECT_EQ(IBitmapControl::FrameNumber(1, 0.9), 1);
  EXPECT_EQ(IBitmapControl::FrameNumber(0, 0.9), 1);
}

TEST(IControlSwitch, StepsThroughItsFramesAndWraps)
{
  TestPlug plug;
  const IMouseMod left{true};
  ISwitchControl two(&plug, 0, 0, 1, Strip(2));
  std::vector<double> seen;
  for (int i = 0; i < 3; ++i)
  {
    two.OnPress(1, 1, left);
    seen.push_back(two.GetValue());
  }
  EXPECT_EQ(seen, (std::vector<double>{1.0, 0.0, 1.0}));
  EXPECT_EQ(plug.Param(1)->Value(), 1.0);
  // Any button steps it.
  two.OnPress(1, 1, IMouseMod{false, true});
  EXPECT_EQ(two.GetValue(), 0.0);

  ISwitchControl three(&plug, 0, 0, -1, Strip(3));
  seen.clear();
  for (int i = 0; i < 4; ++i)
  {
    three.OnPress(1, 1, left);
    seen.push_back(three.GetValue());
  }
  EXPECT_EQ(seen, (std::vector<double>{0.5, 1.0, 0.0, 0.5}));

  ISwitchControl one(&plug, 0, 0, -1, Strip(1));
  one.OnPress(1, 1, left);
  EXPECT_EQ(one.GetValue(), 1.0);
  one.OnPress(1, 1, left);
  EXPECT_EQ(one.GetValue(), 0.0);

  // A double click steps as a press does.
  ISwitchControl dbl(&plug, 0, 0, -1, Strip(3));
  dbl.OnDoubleClick(1, 1, left);
  EXPECT_EQ(dbl.GetValue(), 0.5);
}

TEST(IControlKnob, DragGearingFineModifiersAndWheel)
{
  TestPlug plug;
  IKnobMultiControl knob(&plug, 0, 100, 2, Strip(61, 40, 61 * 40)); // 40 x 40 frames
  knob.SetValueFromPlugin(0.5);
  // A drag up over the full height moves by 1/gearing.
  knob.OnDrag(0, 0, 0, -40, IMouseMod{true});
  EXPECT_DOUBLE_EQ(knob.GetValue(), 0.75);
  knob.OnDrag(0, 0, 0, 40, IMouseMod{true, false, true}); // shift: ten times finer
  EXPECT_DOUBLE_EQ(knob.GetValue(), 0.725);
  knob.OnDrag(0, 0, 0, 40, IMouseMod{true, false, false, true}); // control too
  EXPECT_DOUBLE_EQ(knob.GetValue(), 0.7);
  knob.OnDrag(0, 0, 500, 0, IMouseMod{true}); // sideways does nothing to a vertical knob
  EXPECT_DOUBLE_EQ(knob.GetValue(), 0.7);
  knob.OnDrag(0, 0, 0, -4000, IMouseMod{true}); // overshoot is clamped before the plug-in
  EXPECT_EQ(knob.GetValue(), 1.0);
  EXPECT_EQ(plug.calls.back().value, 1.0);

  knob.OnWheel(0, 0, IMouseMod{}, -3);
  EXPECT_DOUBLE_EQ(knob.GetValue(), 0.97);
  knob.OnWheel(0, 0, IMouseMod{false, false, true}, -2);
  EXPECT_DOUBLE_EQ(knob.GetValue(), 0.968);

  IKnobMultiControl across(&plug, 0, 0, -1, Strip(61, 40, 61 * 40), IKnobControl::kHorizontal, 2.0);
  across.OnDrag(0, 0, 20, 0, IMouseMod{true});
  EXPECT_DOUBLE_EQ(across.GetValue(), 0.25);
}

TEST(IControlKnob, DoubleClickReturnsToTheFirstValue)
{
  TestPlug plug;
  IKnobMultiControl knob(&plug, 0, 0, 0, Strip(61, 40, 61 * 40));
  knob.OnDoubleClick(1, 1, IMouseMod{true}); // no default yet: nothing
  EXPECT_EQ(knob.GetValue(), 0.0);
  EXPECT_TRUE(plug.calls.empty());
  knob.SetValueFromPlugin(0.3);
  knob.OnDrag(0, 0, 0, -40, IMouseMod{true});
  knob.OnDoubleClick(1, 1, IMouseMod{true});
  EXPECT_EQ(knob.GetValue(), 0.3);
  EXPECT_EQ(plug.calls.back().kind, HostCall::kPerform);
  EXPECT_EQ(plug.calls.back().value, 0.3);
}
