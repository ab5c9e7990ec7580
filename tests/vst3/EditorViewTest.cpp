// The editor view as a host sees it through the module: creation by name, the platform type,
// the fixed size, attaching where no window can be made, and the view's hold on the effect.
#include "EffectHost.h"

#include "pluginterfaces/gui/iplugview.h"

using namespace koru_test;

namespace
{
#ifdef _WIN32
constexpr const char* kOwnType = "HWND";
constexpr const char* kOtherType = "X11EmbedWindowID";
#else
constexpr const char* kOwnType = "X11EmbedWindowID";
constexpr const char* kOtherType = "HWND";
#endif

class EditorViewTest : public EffectTest
{
protected:
  // The effect's reference count, read without changing it.
  uint32 EffectRefs()
  {
    host().component->addRef();
    return host().component->release();
  }
};
} // namespace

TEST_F(EditorViewTest, OnlyTheEditorViewExists)
{
  EXPECT_EQ(host().controller->createView(nullptr), nullptr);
  EXPECT_EQ(host().controller->createView("other"), nullptr);
  EXPECT_EQ(host().controller->createView("editor2"), nullptr);
  EXPECT_EQ(host().controller->createView("Editor"), nullptr);

  const uint32 refs = EffectRefs();
  IPlugView* first = host().controller->createView(ViewType::kEditor);
  IPlugView* second = host().controller->createView("editor");
  ASSERT_NE(first, nullptr);
  ASSERT_NE(second, nullptr);
  EXPECT_NE(first, second);
  EXPECT_EQ(EffectRefs(), refs + 2); // each view holds the effect
  EXPECT_EQ(first->release(), 0u);
  EXPECT_EQ(second->release(), 0u);
  EXPECT_EQ(EffectRefs(), refs);
}

TEST_F(EditorViewTest, PlatformTypeSizeAndTheBaseAnswers)
{
  IPlugView* view = host().controller->createView(ViewType::kEditor);
  ASSERT_NE(view, nullptr);
  EXPECT_EQ(view->isPlatformTypeSupported(kOwnType), kResultTrue);
  EXPECT_EQ(view->isPlatformTypeSupported(kOtherType), kResultFalse);
  EXPECT_EQ(view->isPlatformTypeSupported((std::string(kOwnType) + "X").c_str()), kResultFalse);
  EXPECT_EQ(view->isPlatformTypeSupported("hwnd"), kResultFalse);
  EXPECT_EQ(view->isPlatformTypeSupported(nullptr), kResultFalse);

  ViewRect size(5, 6, 7, 8);
  ASSERT_EQ(view->getSize(&size), kResultOk);
  EXPECT_EQ(size.left, 0);
  EXPECT_EQ(size.top, 0);
  EXPECT_EQ(size.right, 150);
  EXPECT_EQ(size.bottom, 550);
  EXPECT_NE(view->getSize(nullptr), kResultOk);

  EXPECT_EQ(view->onSize(nullptr), kResultTrue);
  ViewRect other(0, 0, 300, 20);
  EXPECT_EQ(view->onSize(&other), kResultTrue);
  ASSERT_EQ(view->getSize(&size), kResultOk); // still the editor's own size
  EXPECT_EQ(size.right, 150);

  EXPECT_EQ(view->setFrame(nullptr), kResultOk);
  EXPECT_EQ(view->onWheel(1.0f), kResultFalse);
  EXPECT_EQ(view->onKeyDown(u'a', 0, 0), kResultFalse);
  EXPECT_EQ(view->onKeyUp(u'a', 0, 0), kResultFalse);
  EXPECT_EQ(view->onFocus(true), kResultFalse);
  EXPECT_EQ(view->canResize(), kResultFalse);
  EXPECT_EQ(view->checkSizeConstraint(&size), kResultFalse);
  view->release();
}

TEST_F(EditorViewTest, AttachingWhereNoWindowCanBeMadeIsRefused)
{
  IPlugView* view = host().controller->createView(ViewType::kEditor);
  ASSERT_NE(view, nullptr);
  // No window can be made inside these parents: the host hears so instead of showing an empty
  // frame, and removing the view afterwards is harmless.
  int notAWindow = 0;
  EXPECT_EQ(view->attached(&notAWindow, kOwnType), kResultFalse);
  EXPECT_EQ(view->attached(nullptr, kOwnType), kResultFalse);
  EXPECT_EQ(view->attached(&notAWindow, kOtherType), kResultFalse);
  EXPECT_EQ(view->attached(&notAWindow, nullptr), kResultFalse);
  EXPECT_EQ(view->removed(), kResultOk);
  EXPECT_EQ(view->removed(), kResultOk);
  view->release();
}
