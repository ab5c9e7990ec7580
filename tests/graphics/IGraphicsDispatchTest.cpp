// Pointer and key dispatch, host edit gestures, the parameter prompt, plug-in values and resizing.
#include "GraphicsTestSupport.h"

#include <gtest/gtest.h>

using namespace graphics_test;
using K = HostCall::Kind;

namespace
{
const IMouseMod kLeft{true};
const IMouseMod kRight{false, true};

// A plug-in with an attached test editor: background (unbound) at 0, a control bound to
// parameter 0 at index 1 (10..30 x 10..30) and an unbound one on top of part of it at 2.
struct Editor
{
  explicit Editor(int apiKind = IPlugBase::kAPIVST3) : plug(apiKind)
  {
    graphics = new TestGraphics(&plug);
    background = new TestControl(&plug, IRect{0, 0, 100, 80});
    bound = new TestControl(&plug, IRect{10, 10, 30, 30}, 0);
    top = new TestControl(&plug, IRect{25, 25, 40, 40});
    graphics->SetBackground(background);
    graphics->AddControl(bound);
    graphics->AddControl(top);
    plug.AttachEditor(graphics);
    plug.calls.clear();
  }

  TestPlug plug;
  TestGraphics* graphics;
  TestControl* background;
  TestControl* bound;
  TestControl* top;
};
} // namespace

TEST(IGraphicsDispatch, APressOnABoundControlIsOneBalancedGesture)
{
  Editor e;
  e.graphics->PointerDown(15, 15, kLeft);
  EXPECT_EQ(e.graphics->CapturedIdx(), 1);
  e.graphics->PointerDrag(15, 11, kLeft);
  e.graphics->PointerDrag(15, 11, kLeft); // same position: ignored
  e.graphics->PointerDrag(90, 70, kLeft); // outside the control: still the captured one
  e.graphics->PointerUp(90, 70, kLeft);
  EXPECT_EQ(e.bound->events,
            (std::vector<std::string>{"press", "drag 0 -4", "drag 75 59", "release"}));
  EXPECT_EQ(e.plug.Kinds(), (std::vector<K>{K::kBegin, K::kEnd}));
  EXPECT_EQ(e.graphics->CapturedIdx(), -1);

  // The topmost control takes the press; an unbound one opens no gesture.
  e.graphics->PointerDown(27, 27, kLeft);
  e.graphics->PointerUp(27, 27, kLeft);
  EXPECT_EQ(e.top->events, (std::vector<std::string>{"press", "release"}));
  EXPECT_EQ(e.plug.calls.size(), 2u);
  // A drag with nothing captured reaches nobody.
  e.graphics->PointerDrag(15, 15, kLeft);
  EXPECT_EQ(e.bound->events.size(), 4u);
}

TEST(IGraphicsDispatch, TheRightButtonOpensTheHostMenuAndCapturesNothing)
{
  Editor e;
  e.graphics->PointerDown(12, 14, kRight);
  EXPECT_EQ(e.graphics->CapturedIdx(), -1);
  EXPECT_TRUE(e.bound->events.empty());
  ASSERT_EQ(e.plug.calls.size(), 1u);
  EXPECT_EQ(e.plug.calls[0].kind, K::kMenu);
  EXPECT_EQ(e.plug.calls[0].index, 0);
  EXPECT_EQ(e.plug.calls[0].value, 12 * 1000.0 + 14);
  // Its release still reaches the control, but ends no edit that never began.
  e.graphics->PointerUp(12, 14, kRight);
  EXPECT_EQ(e.bound->events, (std::vector<std::string>{"release"}));
  EXPECT_EQ(e.plug.calls.size(), 1u);

  // On an unbound control, or outside the VST3 binding, the control gets the press.
  e.graphics->PointerDown(50, 50, kRight);
  EXPECT_EQ(e.background->events, (std::vector<std::string>{"press"}));
  Editor other(0);
  other.graphics->PointerDown(12, 14, kRight);
  other.graphics->PointerUp(12, 14, kRight);
  EXPECT_EQ(other.bound->events, (std::vector<std::string>{"press", "release"}));
  EXPECT_EQ(other.plug.Kinds(), (std::vector<K>{K::kBegin, K::kEnd}));
}

TEST(IGraphicsDispatch, DoubleClickResetIsAGestureOfItsOwn)
{
  Editor e;
  e.bound->SetValueFromUser(0.8);
  e.plug.calls.clear();
  // The platform's sequence: press, release, double click, release.
  e.graphics->PointerDown(15, 15, kLeft);
  e.graphics->PointerUp(15, 15, kLeft);
  EXPECT_FALSE(e.graphics->PointerDoubleClick(15, 15, kLeft));
  e.graphics->PointerUp(15, 15, kLeft);
  EXPECT_EQ(e.bound->GetValue(), 0.5); // the default the attachment pushed
  EXPECT_EQ(e.plug.Kinds(), (std::vector<K>{K::kBegin, K::kEnd, K::kBegin, K::kPerform, K::kEnd}));
  EXPECT_EQ(e.plug.calls[3].value, 0.5);
  EXPECT_EQ(e.bound->events, (std::vector<std::string>{"press", "release", "double", "release"}));

  // Delivered as a press, the double click opens the gesture its release closes.
  e.plug.calls.clear();
  e.bound->SetDoubleClickAsPress(true);
  EXPECT_TRUE(e.graphics->PointerDoubleClick(15, 15, kLeft));
  EXPECT_EQ(e.graphics->CapturedIdx(), 1);
  e.graphics->PointerUp(15, 15, kLeft);
  EXPECT_EQ(e.plug.Kinds(), (std::vector<K>{K::kBegin, K::kEnd}));
  EXPECT_FALSE(e.graphics->PointerDoubleClick(95, 95, kLeft)); // nothing there
}

TEST(IGraphicsDispatch, WheelNotchesAndTargets)
{
  EXPECT_EQ(IGraphics::WheelNotches(119), 0);
  EXPECT_EQ(IGraphics::WheelNotches(-240), -2);
  EXPECT_EQ(IGraphics::WheelNotches(360), 3);
  Editor e;
  e.graphics->PointerWheel(15, 15, IMouseMod{}, IGraphics::WheelNotches(-240));
  EXPECT_EQ(e.bound->events, (std::vector<std::string>{"wheel -2"}));
  EXPECT_TRUE(e.plug.calls.empty()); // the control changed nothing: the host hears nothing
  // A wheel edit brings its own gesture...
  e.bound->SetValueFromUser(0.25);
  EXPECT_EQ(e.plug.Kinds(), (std::vector<K>{K::kBegin, K::kPerform, K::kEnd}));
  // ...unless a press on the same parameter has one open. While a control is captured it takes
  // the wheel wherever the pointer is.
  e.plug.calls.clear();
  e.graphics->PointerDown(15, 15, kLeft);
  e.graphics->PointerWheel(90, 70, IMouseMod{}, 1);
  e.bound->SetValueFromUser(0.5);
  e.graphics->PointerUp(15, 15, kLeft);
  EXPECT_EQ(e.bound->events.back(), "release");
  EXPECT_EQ(e.bound->events[e.bound->events.size() - 2], "wheel 1");
  EXPECT_EQ(e.plug.Kinds(), (std::vector<K>{K::kBegin, K::kPerform, K::kEnd}));
  // An edit of another parameter during the press gets a gesture of its own.
  e.plug.calls.clear();
  auto* other = new TestControl(&e.plug, IRect{60, 60, 70, 70}, 2);
  e.graphics->AddControl(other);
  e.graphics->PointerDown(15, 15, kLeft);
  other->SetValueFromUser(0.9);
  e.graphics->PointerUp(15, 15, kLeft);
  EXPECT_EQ(e.plug.Kinds(), (std::vector<K>{K::kBegin, K::kBegin, K::kPerform, K::kEnd, K::kEnd}));
  EXPECT_EQ(e.plug.calls[1].index, 2);
  EXPECT_EQ(e.plug.calls[3].index, 2);
}

TEST(IGraphicsDispatch, KeysOverTheBackgroundGoToTheKeyCatcherOrNobody)
{
  Editor e;
  EXPECT_FALSE(e.graphics->KeyPressed(50, 50, 0));
  EXPECT_TRUE(e.background->events.empty());
  EXPECT_TRUE(e.graphics->KeyPressed(15, 15, 1));
  EXPECT_EQ(e.bound->events, (std::vector<std::string>{"key 1"}));
  auto* catcher = new TestControl(&e.plug, IRect{});
  e.graphics->SetKeyCatcher(catcher);
  EXPECT_TRUE(e.graphics->KeyPressed(50, 50, 40));
  EXPECT_TRUE(e.graphics->KeyPressed(-5, 500, 5)); // off the editor: nobody is hit
  EXPECT_EQ(catcher->events, (std::vector<std::string>{"key 40", "key 5"}));
}

TEST(IGraphicsDispatch, GreyedControlsAreNotHitButMayHover)
{
  Editor e;
  e.top->SetGreyed(true);
  e.graphics->PointerDown(27, 27, kLeft);
  EXPECT_EQ(e.graphics->CapturedIdx(), 1); // the bound control under it
  e.graphics->PointerUp(27, 27, kLeft);
  EXPECT_FALSE(e.graphics->PointerOver(27, 27, IMouseMod{})); // hover tracking off
  e.graphics->SetTrackHover(true);
  EXPECT_TRUE(e.graphics->PointerOver(27, 27, IMouseMod{}));
  EXPECT_EQ(e.graphics->HoverIdx(), 1);
  e.top->SetHoverWhenGreyed(true);
  EXPECT_TRUE(e.graphics->PointerOver(27, 27, IMouseMod{}));
  EXPECT_EQ(e.graphics->HoverIdx(), 2);
  EXPECT_EQ(e.bound->events.back(), "leave");
  e.graphics->PointerLeft();
  EXPECT_EQ(e.graphics->HoverIdx(), -1);
}

TEST(IGraphicsPrompt, ChoiceParametersGetAMenuOthersATextField)
{
  Editor e(0); // outside the VST3 binding a right press prompts
  e.bound->SetPromptDisabled(false);
  e.graphics->PointerDown(12, 12, kRight);
  // A continuous parameter: a 40 x 16 text field on the control's centre, the value as text.
  EXPECT_EQ(e.graphics->entryControl, e.bound);
  EXPECT_EQ(e.graphics->entryRect, (IRect{0, 12, 40, 28}));
  EXPECT_EQ(e.graphics->entryText, "0.00");
  EXPECT_EQ(e.graphics->entryParam, e.plug.Param(0));
  EXPECT_TRUE(e.bound->RedrawPending());
  e.graphics->PointerUp(12, 12, kRight);

  // A stepped parameter has no decimals.
  e.plug.Param(1)->ClampSet(1.0);
  auto* stepped = new TestControl(&e.plug, IRect{60, 0, 80, 10}, 1);
  e.graphics->AddControl(stepped);
  e.graphics->PromptParam(stepped, e.plug.Param(1), &stepped->GetRect());
  EXPECT_EQ(e.graphics->entryText, "1");

  // Nothing is asked without a control, a parameter or a rectangle.
  e.graphics->entryControl = nullptr;
  e.graphics->PromptParam(nullptr, e.plug.Param(0), &stepped->GetRect());
  e.graphics->PromptParam(stepped, nullptr, &stepped->GetRect());
  e.graphics->PromptParam(stepped, e.plug.Param(0), nullptr);
  EXPECT_EQ(e.graphics->entryControl, nullptr);
  EXPECT_EQ(e.graphics->menus, 0);
}

TEST(IGraphicsPrompt, ChoiceParametersOfferTheirTextsAsAMenu)
{
  Editor e(0);
  auto* mode = new TestControl(&e.plug, IRect{60, 40, 80, 50}, 3);
  mode->SetPromptDisabled(false);
  e.graphics->AddControl(mode);
  e.plug.Param(3)->ClampSet(1.0);
  e.graphics->menuChoice = 2;
  e.graphics->PointerDown(61, 41, kRight);
  e.graphics->PointerUp(61, 41, kRight);
  ASSERT_EQ(e.graphics->menus, 1);
  EXPECT_EQ(e.graphics->menuTexts, (std::vector<std::string>{"Soft", "Hard", "Off"}));
  EXPECT_EQ(e.graphics->menuChecked, (std::vector<bool>{false, true, false}));
  EXPECT_EQ(e.graphics->menuRect, mode->GetRect()); // with display texts: the control itself
  EXPECT_EQ(mode->GetValue(), 1.0);
  EXPECT_EQ(e.plug.Param(3)->Value(), 2.0);
  // The choice lies inside the press's gesture.
  EXPECT_EQ(e.plug.Kinds(), (std::vector<K>{K::kBegin, K::kPerform, K::kEnd}));

  // A menu closed without a choice changes nothing.
  e.plug.calls.clear();
  e.graphics->menuChoice = -1;
  e.graphics->PromptParam(mode, e.plug.Param(3), &mode->GetRect());
  EXPECT_EQ(e.graphics->menus, 2);
  EXPECT_TRUE(e.plug.calls.empty());
  EXPECT_EQ(e.plug.Param(3)->Value(), 2.0);
}

TEST(IGraphicsValues, PluginValuesAreNormalisedAndReachBoundControls)
{
  Editor e;
  // The attachment pushed every parameter's normalised value: the first one is the default.
  EXPECT_EQ(e.bound->GetValue(), 0.5);
  EXPECT_EQ(e.bound->DefaultValue(), 0.5);
  e.top->AddAuxParam(2);
  e.top->AddAuxParam(2); // only the first binding of a parameter is fed
  e.graphics->ParamFromPlugin(0, 12.0, false);
  EXPECT_DOUBLE_EQ(e.bound->GetValue(), 0.75);
  e.graphics->ParamFromPlugin(0, 100.0, false); // clamped before normalising
  EXPECT_EQ(e.bound->GetValue(), 1.0);
  e.graphics->ParamFromPlugin(2, 0.25, false); // shape 2: sqrt
  EXPECT_DOUBLE_EQ(e.top->GetAuxParam(0).value, 0.5);
  EXPECT_EQ(e.top->GetAuxParam(1).value, 0.0);
  e.graphics->ParamFromPlugin(0, 0.1, true);
  EXPECT_EQ(e.bound->GetValue(), 0.1);
  e.graphics->ParamFromPlugin(7, 0.1, false); // no such parameter: ignored

  // The plug-in pushes plain values after a restore.
  e.plug.Param(0)->ClampSet(-24.0);
  e.plug.RefreshParamControls();
  EXPECT_EQ(e.bound->GetValue(), 0.0);
  EXPECT_TRUE(e.plug.calls.empty());
}

TEST(IGraphicsResize, ANewSizeDropsTheControlsAndTellsThePlugin)
{
  Editor e;
  e.graphics->PointerDown(15, 15, kLeft);
  e.graphics->SetEditorSize(200, 120);
  EXPECT_EQ(e.graphics->NControls(), 0);
  EXPECT_EQ(e.graphics->CapturedIdx(), -1);
  EXPECT_EQ(e.graphics->Width(), 200);
  EXPECT_EQ(e.graphics->Surface()->pixelWidth(), 200);
  EXPECT_EQ(e.graphics->Surface()->pixelHeight(), 120);
  ASSERT_EQ(e.plug.calls.size(), 2u);
  EXPECT_EQ(e.plug.calls[1].kind, K::kResize);
  EXPECT_EQ(e.plug.calls[1].index, 200);
  // The open gesture still ends with the release, with nobody left to tell of it.
  e.graphics->PointerUp(15, 15, kLeft);
  EXPECT_EQ(e.plug.Kinds(), (std::vector<K>{K::kBegin, K::kResize, K::kEnd}));
  EXPECT_EQ(e.graphics->AddControl(new TestControl(&e.plug, IRect{1, 1, 2, 2})), 0);
}
