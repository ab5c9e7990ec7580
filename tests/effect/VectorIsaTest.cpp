#include "effect/VectorIsa.h"

#include <cstdlib>
#include <gtest/gtest.h>

namespace
{
void SetPathVariable(const char* value)
{
#ifdef _WIN32
  _putenv_s("KORU_VECTOR_PATH", value ? value : "");
#else
  if (value)
    setenv("KORU_VECTOR_PATH", value, 1);
  else
    unsetenv("KORU_VECTOR_PATH");
#endif
}

TEST(VectorIsaTest, TheEnvironmentNarrowsThePathButNeverWidensIt)
{
  SetPathVariable(nullptr);
  EXPECT_EQ(ConfiguredVectorIsa(), ProcessorVectorIsa());
  SetPathVariable("sse2");
  EXPECT_EQ(ConfiguredVectorIsa(), VectorIsa::kSse2);
  SetPathVariable("Avx");
  EXPECT_EQ(ConfiguredVectorIsa(), LimitedVectorIsa(VectorIsa::kAvx));
  SetPathVariable("AVX512");
  EXPECT_EQ(ConfiguredVectorIsa(), ProcessorVectorIsa());
  // A name it does not know leaves the processor's path.
  SetPathVariable("avx2");
  EXPECT_EQ(ConfiguredVectorIsa(), ProcessorVectorIsa());
  SetPathVariable(nullptr);
}

TEST(VectorIsaTest, NamesAreTheOnesTheEnvironmentTakes)
{
  EXPECT_STREQ(VectorIsaName(VectorIsa::kSse2), "SSE2");
  EXPECT_STREQ(VectorIsaName(VectorIsa::kAvx), "AVX");
  EXPECT_STREQ(VectorIsaName(VectorIsa::kAvx512), "AVX512");
}
} // namespace
