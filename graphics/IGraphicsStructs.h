#pragma once

// Editor rectangle in pixels, origin top left; (x, y) is inside when L <= x < R and T <= y < B.
// Empty only when all four values are 0.
struct IRect
{
  int L = 0, T = 0, R = 0, B = 0;

  bool Empty() const { return L == 0 && T == 0 && R == 0 && B == 0; }
  int W() const { return R - L; }
  int H() const { return B - T; }
};

// How a bitmap is composited, and with what weight.
struct IBlend
{
  enum EType
  {
    BlendAlpha = 0,
    BlendReplace = 1,
    BlendAdd = 2,
    BlendDodge = 3,
  };

  int method = BlendAlpha;
  float weight = 1.0f;
};
