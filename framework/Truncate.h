#pragma once
#include <cmath>
#include <cstdint>
#include <limits>

// Truncation toward zero to a 32-bit integer that never invokes undefined behaviour:
// out-of-range values saturate and NaN gives 0.
inline int32_t TruncateToInt32(double v)
{
  if (!(v == v)) return 0;
  if (v >= 2147483647.0) return std::numeric_limits<int32_t>::max();
  if (v <= -2147483648.0) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(v);
}

// Copies at most size - 1 bytes of src and always terminates: names longer than their
// field are cut, never overrun.
inline void CopyTruncated(char* dst, size_t size, const char* src)
{
  if (size == 0) return;
  size_t i = 0;
  if (src)
    for (; i + 1 < size && src[i]; ++i) dst[i] = src[i];
  dst[i] = '\0';
}
