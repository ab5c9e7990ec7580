#include "lice/LICE_Combiners.h"

#include "lice/LICE_CombinerRules.h"

namespace lice
{

void CombineSourceOver(LICE_Pixel32* d, int r, int g, int b, int a, int /*k*/)
{
  *d = rules::SourceOver(*d, r, g, b, a);
}

void CombineAdd(LICE_Pixel32* d, int r, int g, int b, int a, int k)
{
  *d = rules::Add(*d, r, g, b, a, k);
}

void CombineWeightedAdd(LICE_Pixel32* d, int r, int g, int b, int a, int k)
{
  *d = rules::WeightedAdd(*d, r, g, b, a, k);
}

void CombineDodge(LICE_Pixel32* d, int r, int g, int b, int a, int k)
{
  *d = rules::Dodge(*d, r, g, b, a, k);
}

void CombineWeightedDodge(LICE_Pixel32* d, int r, int g, int b, int a, int k)
{
  *d = rules::WeightedDodge(*d, r, g, b, a, k);
}

void CombineWeightedMultiply(LICE_Pixel32* d, int r, int g, int b, int a, int k)
{
  *d = rules::WeightedMultiply(*d, r, g, b, a, k);
}

void CombineOverlay(LICE_Pixel32* d, int r, int g, int b, int a, int k)
{
  *d = rules::Overlay(*d, r, g, b, a, k);
}

void CombineHSV(LICE_Pixel32* d, int r, int g, int b, int a, int k)
{
  *d = rules::Hsv(*d, r, g, b, a, k);
}

} // namespace lice
