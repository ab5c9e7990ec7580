#include "EditorSnapshot.h"

#include "effect/KORU.h"
#include "graphics/IGraphics.h"
#include "lice/LICE_IBitmap.h"

#include <png.h>
#include <vector>

bool SetSnapshotParam(KORU& koru, const std::string& name, double plain)
{
  for (int i = 0; i < koru.ParamCount(); ++i)
  {
    IParamSlot* param = koru.Param(i);
    if (name != param->Name()) continue;
    param->ClampSet(plain);
    koru.ParamChanged(i);
    if (IGraphics* graphics = koru.GetGUI()) graphics->ParamFromPlugin(i, param->Value(), false);
    return true;
  }
  return false;
}

void SetSnapshotMeters(KORU& koru, double gainReduction, double vu)
{
  IGraphics* graphics = koru.GetGUI();
  if (!graphics) return;
  if (IControl* meter = graphics->GetControl(koru.GRMeterIdx()))
    meter->SetValueFromPlugin(gainReduction);
  if (IControl* meter = graphics->GetControl(koru.VUMeterIdx())) meter->SetValueFromPlugin(vu);
}

LICE_IBitmap* RenderEditor(KORU& koru)
{
  IGraphics* graphics = koru.GetGUI();
  if (!graphics) return nullptr;
  graphics->RedrawRegion(IRect{0, 0, graphics->Width(), graphics->Height()});
  return graphics->Surface();
}

bool WritePngFile(LICE_IBitmap& bitmap, const std::string& path, std::string& error)
{
  const int width = bitmap.pixelWidth();
  const int height = bitmap.pixelHeight();
  if (width < 1 || height < 1 || !bitmap.pixelData())
  {
    error = "nothing to write: the surface is empty";
    return false;
  }
  // The window shows the surface's colours; its alpha plays no part there.
  std::vector<png_byte> rgb(static_cast<size_t>(width) * height * 3);
  for (int y = 0; y < height; ++y)
  {
    const LICE_Pixel32* row = LICE_RowPointer(bitmap, y);
    png_byte* out = &rgb[static_cast<size_t>(y) * width * 3];
    for (int x = 0; x < width; ++x)
    {
      out[3 * x] = static_cast<png_byte>(row[x] >> 16);
      out[3 * x + 1] = static_cast<png_byte>(row[x] >> 8);
      out[3 * x + 2] = static_cast<png_byte>(row[x]);
    }
  }
  png_image image = {};
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(width);
  image.height = static_cast<png_uint_32>(height);
  image.format = PNG_FORMAT_RGB;
  if (!png_image_write_to_file(&image, path.c_str(), 0, rgb.data(), width * 3, nullptr))
  {
    error = "cannot write " + path + ": " + image.message;
    png_image_free(&image);
    return false;
  }
  return true;
}
