#include "effect/VectorIsa.h"

#include <gtest/gtest.h>

namespace
{
TEST(VectorIsaTest, PathsHaveTheirNamesAndNeverWidenPastTheProcessor)
{
  EXPECT_STREQ(VectorIsaName(VectorIsa::kSse2), "SSE2");
  EXPECT_STREQ(VectorIsaName(VectorIsa::kAvx), "AVX");
  EXPECT_STREQ(VectorIsaName(VectorIsa::kAvx512), "AVX512");
  EXPECT_EQ(LimitedVectorIsa(VectorIsa::kSse2), VectorIsa::kSse2);
  EXPECT_EQ(LimitedVectorIsa(VectorIsa::kAvx512), ProcessorVectorIsa());
}
} // namespace
