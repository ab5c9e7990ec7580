// KORU: the editor, built once in the constructor and kept for the life of the instance.
#include "effect/KORU.h"
#include "effect/KORUEditorLayout.h"
#include "graphics/IBitmapControl.h"
#include "graphics/IGraphics.h"
#include "graphics/IKnobMultiControl.h"
#include "graphics/ISwitchControl.h"
#include "graphics/MakePlatformGraphics.h"

void KORU::BuildEditor()
{
  IGraphics* graphics =
      MakePlatformGraphics(this, kKORUEditorWidth, kKORUEditorHeight, kKORUEditorFrameRate);
  for (const KORUControlRow& row : kKORUEditorLayout)
  {
    const IBitmapRef bitmap = graphics->FetchBitmap(row.resourceId, row.fileName, row.frames);
    switch (row.kind)
    {
    case KORUControlRow::kBackground:
      graphics->SetBackground(
          new IBitmapControl(this, row.x, row.y, kKORUNoParam, bitmap, IBlend::BlendReplace));
      break;
    case KORUControlRow::kKnob:
      graphics->AddControl(new IKnobMultiControl(this, row.x, row.y, row.paramIdx, bitmap,
                                                 IKnobControl::kVertical, kKORUKnobGearing));
      break;
    case KORUControlRow::kSwitch:
      graphics->AddControl(
          new ISwitchControl(this, row.x, row.y, row.paramIdx, bitmap, IBlend::BlendAlpha));
      break;
    case KORUControlRow::kMeter:
    {
      const int index = graphics->AddControl(new IBitmapControl(this, row.x, row.y, bitmap));
      // The gain-reduction meter comes first, the VU meter second.
      (mGRMeterIdx < 0 ? mGRMeterIdx : mVUMeterIdx) = index;
      break;
    }
    }
  }
  AttachEditor(graphics);
}
