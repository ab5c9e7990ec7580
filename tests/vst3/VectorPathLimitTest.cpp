// KORU's own interface that keeps an instance to one vector path, as the benchmarks and the
// cross-platform check use it through the module.
#include "EffectHost.h"
#include "vst3/IVectorPathLimit.h"

#include <gtest/gtest.h>

using namespace koru_test;

namespace
{
class VectorPathLimitTest : public EffectTest
{
protected:
  // The limit of a host's instance; released by the caller.
  static IVectorPathLimit* LimitOf(EffectHost& host)
  {
    IVectorPathLimit* limit = nullptr;
    host.component->queryInterface(IVectorPathLimit::iid, reinterpret_cast<void**>(&limit));
    return limit;
  }
};

TEST_F(VectorPathLimitTest, EveryPathRendersTheSameSamples)
{
  ASSERT_EQ(host().Setup(kSample64, 512), kResultOk);
  Channels widest;
  ASSERT_EQ(ProcessStretch(host(), kSample64, 0, 4096, widest), kResultOk);

  for (int32 path : {IVectorPathLimit::kPathSse2, IVectorPathLimit::kPathAvx})
  {
    auto other = NewHost();
    IVectorPathLimit* limit = LimitOf(*other);
    ASSERT_NE(limit, nullptr);
    EXPECT_EQ(limit->limitVectorPath(path), kResultOk);
    limit->release();
    ASSERT_EQ(other->Setup(kSample64, 512), kResultOk);
    Channels narrow;
    ASSERT_EQ(ProcessStretch(*other, kSample64, 0, 4096, narrow), kResultOk);
    EXPECT_EQ(narrow, widest) << "path " << path;
  }
}

TEST_F(VectorPathLimitTest, AValueNamingNoPathIsRefused)
{
  IVectorPathLimit* limit = LimitOf(host());
  ASSERT_NE(limit, nullptr);
  EXPECT_EQ(limit->limitVectorPath(-1), kInvalidArgument);
  EXPECT_EQ(limit->limitVectorPath(3), kInvalidArgument);
  EXPECT_EQ(limit->limitVectorPath(IVectorPathLimit::kPathAvx512), kResultOk);
  limit->release();
}
} // namespace
