#pragma once
#include "graphics/IControl.h"

#include <memory>
#include <vector>

class IPlugBase;

// The platform-neutral editor: an ordered list of controls (index 0 is the background) and
// its end of the parameter flow with the plug-in. A window layer derives from it.
//
// Ownership: the editor owns its controls from the moment they are added; the plug-in owns
// the editor from AttachEditor on.
class IGraphics
{
public:
  IGraphics(IPlugBase* plugin, int width, int height, int frameRate);
  virtual ~IGraphics();

  // Appends a control and answers its index.
  int AddControl(IControl* control);
  // Inserts the background picture at index 0.
  void SetBackground(IControl* control);
  IControl* GetControl(int index) const;
  int NControls() const { return static_cast<int>(mControls.size()); }

  // A parameter value from the plug-in (plain values are normalised through the record's
  // law, limited to its range) pushed to every control bound to it.
  void ParamFromPlugin(int paramIdx, double value, bool isNormalized);
  // Hands a normalised value to the controls bound to paramIdx, and to the first auxiliary
  // binding of each control that names it.
  void PushNormalizedToControls(int paramIdx, double normalized);
  // Creates the off-screen surfaces of the editor's size.
  virtual void PrepareSurfaces() {}

  IPlugBase* GetPlugin() const { return mPlugin; }
  int Width() const { return mWidth; }
  int Height() const { return mHeight; }
  int FrameRate() const { return mFrameRate; }

private:
  std::vector<std::unique_ptr<IControl>> mControls;
  IPlugBase* mPlugin;
  int mWidth, mHeight, mFrameRate;
};
