#include "graphics/IGraphics.h"

#include "framework/IPlugBase.h"

IGraphics::IGraphics(IPlugBase* plugin, int width, int height, int frameRate)
  : mPlugin(plugin)
  , mWidth(width)
  , mHeight(height)
  , mFrameRate(frameRate)
{
}

IGraphics::~IGraphics()
{
  // Controls go in reverse order of creation.
  while (!mControls.empty()) mControls.pop_back();
}

int IGraphics::AddControl(IControl* control)
{
  mControls.emplace_back(control);
  return NControls() - 1;
}

void IGraphics::SetBackground(IControl* control) { mControls.emplace(mControls.begin(), control); }

IControl* IGraphics::GetControl(int index) const
{
  return index >= 0 && index < NControls() ? mControls[index].get() : nullptr;
}

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
