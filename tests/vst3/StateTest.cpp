// The host state stream: 76 bytes, nine little-endian doubles then a 32-bit bypass flag; and
// every way a host or a damaged project can hand it back.
#include "EffectHost.h"

#include <limits>
#include <random>

using namespace koru_test;

namespace
{

class StateTest : public EffectTest
{
protected:
  std::vector<double> Values()
  {
    const std::vector<uint8_t> bytes = host().State();
    std::vector<double> values;
    for (int i = 0; i < kEffectParams; ++i) values.push_back(ReadDouble(bytes, i * 8));
    return values;
  }

  // Moves every parameter away from its default, so kept and loaded values can be told apart.
  void MoveEverything()
  {
    for (ParamID id = 0; id < kEffectParams; ++id)
      ASSERT_EQ(host().controller->setParamNormalized(id, 1.0), kResultOk);
  }

  tresult Load(harness::TestStream& stream) { return host().controller->setState(&stream); }
};

// Plain values at normalised 1.0, in index order.
const double kMaxima[kEffectParams] = {24.0, 24.0, 0.88, 0.9, 0.9, 0.979, 96.0, 1.0, 1.0};

// A state whose values all differ from both the defaults and the maxima.
const std::vector<double> kStored = {-6.0, 3.5, 0.3, 0.7, 0.2, 0.5, 30.0, 1.0, 0.0};

} // namespace

TEST_F(StateTest, FreshStateIsTheDefaultsAndBypassOff)
{
  const std::vector<uint8_t> bytes = host().State();
  ASSERT_EQ(bytes.size(), static_cast<size_t>(kStateBytes));
  std::vector<double> defaults(kDefaults, kDefaults + kEffectParams);
  EXPECT_EQ(bytes, StateBytes(defaults, 0));
  // Little-endian on the wire: 0.5 is 00 00 00 00 00 00 E0 3F.
  const std::vector<uint8_t> half = {0, 0, 0, 0, 0, 0, 0xE0, 0x3F};
  EXPECT_TRUE(std::equal(half.begin(), half.end(), bytes.begin() + 16));
}

TEST_F(StateTest, RoundTripIntoAnotherInstance)
{
  EXPECT_EQ(host().LoadState(StateBytes(kStored, 0)), kResultOk);
  EXPECT_EQ(Values(), kStored);
  EXPECT_DOUBLE_EQ(host().controller->getParamNormalized(kInputGain), 0.375);

  auto other = NewHost();
  EXPECT_EQ(other->LoadState(host().State()), kResultOk);
  EXPECT_EQ(other->State(), host().State());
}

// The component's state call answers the same stream: both interfaces share one body.
TEST_F(StateTest, ComponentStateIsTheSameStream)
{
  harness::TestStream stream;
  EXPECT_EQ(host().component->getState(&stream), kResultOk);
  EXPECT_EQ(stream.Bytes(), host().State());
}

TEST_F(StateTest, StateWithBypassOnSavesAndRestoresIt)
{
  ASSERT_EQ(host().Setup(kSample64, 128), kResultOk);
  EXPECT_EQ(host().SendChange(kBypassId, 1.0), kResultOk);
  const std::vector<uint8_t> saved = host().State();
  ASSERT_EQ(saved.size(), static_cast<size_t>(kStateBytes));
  EXPECT_EQ(std::vector<uint8_t>(saved.end() - 4, saved.end()), (std::vector<uint8_t>{1, 0, 0, 0}));

  auto restored = NewHost();
  ASSERT_EQ(restored->Setup(kSample64, 128), kResultOk);
  EXPECT_EQ(restored->LoadState(saved), kResultOk);
  EXPECT_TRUE(restored->Bypassed());
  Channels out;
  EXPECT_EQ(ProcessStretch(*restored, kSample64, 0, 128, out), kResultOk);
  for (int f = 0; f < 128; ++f) ASSERT_EQ(out[0][f], Signal(0, f));
}

TEST_F(StateTest, AnyNonZeroBypassIntegerBypasses)
{
  for (int32_t flag : {2, -1, 0x100, 0x1000000})
  {
    EXPECT_EQ(host().LoadState(StateBytes(kStored, flag)), kResultOk);
    EXPECT_TRUE(host().Bypassed()) << flag;
    EXPECT_EQ(host().LoadState(StateBytes(kStored, 0)), kResultOk);
    EXPECT_FALSE(host().Bypassed());
  }
}

TEST_F(StateTest, MissingBypassIntegerWhoseReadFailsAnswersFalse)
{
  ASSERT_EQ(host().Setup(kSample64, 64), kResultOk);
  EXPECT_EQ(host().SendChange(kBypassId, 1.0), kResultOk);
  std::vector<uint8_t> bytes = StateBytes(kStored, 0);
  bytes.resize(72);
  harness::TestStream stream(bytes);
  stream.FailReadsFrom(72);
  EXPECT_EQ(Load(stream), kResultFalse);
  // The values are in; the bypass flag is as it was.
  EXPECT_EQ(Values(), kStored);
  EXPECT_TRUE(host().Bypassed());
}

TEST_F(StateTest, MissingBypassIntegerWhoseReadSucceedsEmptyTurnsBypassOff)
{
  ASSERT_EQ(host().Setup(kSample64, 64), kResultOk);
  EXPECT_EQ(host().SendChange(kBypassId, 1.0), kResultOk);
  std::vector<uint8_t> bytes = StateBytes(kStored, 1);
  bytes.resize(72);
  harness::TestStream stream(bytes);
  EXPECT_EQ(Load(stream), kResultOk);
  EXPECT_EQ(Values(), kStored);
  EXPECT_FALSE(host().Bypassed());
}

TEST_F(StateTest, ShortStreamKeepsTheValuesItDoesNotHold)
{
  MoveEverything();
  std::vector<uint8_t> bytes = StateBytes(kStored, 0);
  bytes.resize(40);
  harness::TestStream stream(bytes);
  EXPECT_EQ(Load(stream), kResultOk);
  const std::vector<double> values = Values();
  for (int i = 0; i < 5; ++i) EXPECT_EQ(values[i], kStored[i]) << i;
  for (int i = 5; i < kEffectParams; ++i) EXPECT_EQ(values[i], kMaxima[i]) << i;
}

// The failed block read delivers nothing and leaves the position, so the flag comes from the
// stream's first four bytes (the low half of -6.0: zeros).
TEST_F(StateTest, BlockReadFailingMidwayKeepsEveryValue)
{
  MoveEverything();
  ASSERT_EQ(host().Setup(kSample64, 64), kResultOk);
  EXPECT_EQ(host().SendChange(kBypassId, 1.0), kResultOk);
  harness::TestStream stream(StateBytes(kStored, 1));
  stream.FailReadsFrom(20);
  EXPECT_EQ(Load(stream), kResultOk);
  EXPECT_EQ(Values(), std::vector<double>(kMaxima, kMaxima + kEffectParams));
  EXPECT_FALSE(host().Bypassed());
}

TEST_F(StateTest, EveryReadFailingKeepsValuesAndBypass)
{
  MoveEverything();
  ASSERT_EQ(host().Setup(kSample64, 64), kResultOk);
  EXPECT_EQ(host().SendChange(kBypassId, 1.0), kResultOk);
  harness::TestStream stream(StateBytes(kStored, 0));
  stream.FailReadsFrom(0);
  EXPECT_EQ(Load(stream), kResultFalse);
  EXPECT_EQ(Values(), std::vector<double>(kMaxima, kMaxima + kEffectParams));
  EXPECT_TRUE(host().Bypassed());
}

TEST_F(StateTest, ReadDeliveringFewerBytesThanReported)
{
  MoveEverything();
  harness::TestStream stream(StateBytes(kStored, 1));
  stream.ShortReadsFrom(24);
  EXPECT_EQ(Load(stream), kResultOk);
  const std::vector<double> values = Values();
  for (int i = 0; i < 3; ++i) EXPECT_EQ(values[i], kStored[i]) << i;
  for (int i = 3; i < kEffectParams; ++i) EXPECT_EQ(values[i], kMaxima[i]) << i;
  EXPECT_FALSE(host().Bypassed());
}

TEST_F(StateTest, EmptyStreamKeepsTheValues)
{
  MoveEverything();
  harness::TestStream stream;
  EXPECT_EQ(Load(stream), kResultOk);
  EXPECT_EQ(Values(), std::vector<double>(kMaxima, kMaxima + kEffectParams));
}

TEST_F(StateTest, NullStreamIsAnInvalidArgument)
{
  EXPECT_EQ(host().controller->getState(nullptr), kInvalidArgument);
  EXPECT_EQ(host().controller->setState(nullptr), kInvalidArgument);
  EXPECT_EQ(host().component->setState(nullptr), kInvalidArgument);
}

TEST_F(StateTest, WritesAreNotChecked)
{
  harness::TestStream stream;
  stream.FailWrites(true);
  EXPECT_EQ(host().controller->getState(&stream), kResultOk);
  EXPECT_EQ(stream.WriteCalls(), 2);
  EXPECT_EQ(stream.Size(), 0);
}

TEST_F(StateTest, NonFiniteAndOutOfRangeValuesNeverGetIn)
{
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  EXPECT_EQ(host().LoadState(StateBytes(kStored, 0)), kResultOk);
  std::vector<double> bad = {nan, inf, -inf, 1e300, -1e300, 7.0, -7.0, 0.5, 2.0};
  EXPECT_EQ(host().LoadState(StateBytes(bad, 0)), kResultOk);
  const std::vector<double> values = Values();
  // Non-numbers and infinities leave the value as it was; finite values are limited.
  EXPECT_EQ(values[0], kStored[0]);
  EXPECT_EQ(values[1], kStored[1]);
  EXPECT_EQ(values[2], kStored[2]);
  EXPECT_EQ(values[3], 0.9);
  EXPECT_EQ(values[4], 0.1);
  EXPECT_EQ(values[5], 0.979);
  EXPECT_EQ(values[6], 0.0);
  EXPECT_EQ(values[7], 0.5);
  EXPECT_EQ(values[8], 1.0);
}

TEST_F(StateTest, GarbageNeverProducesUnusableValues)
{
  ASSERT_EQ(host().Setup(kSample64, 256), kResultOk);
  std::mt19937 random(1234);
  for (int round = 0; round < 200; ++round)
  {
    std::vector<uint8_t> bytes(static_cast<size_t>(random() % 90));
    for (uint8_t& b : bytes) b = static_cast<uint8_t>(random());
    const tresult result = host().LoadState(bytes);
    EXPECT_TRUE(result == kResultOk || result == kResultFalse);
    for (ParamID id = 0; id < kEffectParams; ++id)
    {
      const double v = host().controller->getParamNormalized(id);
      ASSERT_TRUE(v >= 0.0 && v <= 1.0) << round << " " << id << " " << v;
    }
  }
  EXPECT_EQ(host().SendChange(kBypassId, 0.0), kResultOk);
  Channels out;
  EXPECT_EQ(ProcessStretch(host(), kSample64, 0, 256, out), kResultOk);
  for (const auto& channel : out)
    for (double v : channel) ASSERT_TRUE(std::isfinite(v));
}

TEST_F(StateTest, StateLoadReachesTheChain)
{
  auto queued = NewHost();
  ASSERT_EQ(host().Setup(kSample64, 256), kResultOk);
  ASSERT_EQ(queued->Setup(kSample64, 256), kResultOk);
  EXPECT_EQ(host().LoadState(StateBytes(kStored, 0)), kResultOk);

  // The same values through the processing queue: same samples.
  harness::ParameterChanges changes;
  for (ParamID id = 0; id < kEffectParams; ++id)
    changes.Add(id, host().controller->getParamNormalized(id));
  Channels a, b;
  EXPECT_EQ(ProcessStretch(host(), kSample64, 0, 4800, a), kResultOk);
  EXPECT_EQ(ProcessStretch(*queued, kSample64, 0, 4800, b, 2, 2, &changes), kResultOk);
  // Plain to normalised and back may move a value by its last bit.
  for (int c = 0; c < 2; ++c)
    for (int f = 0; f < 4800; ++f) ASSERT_NEAR(a[c][f], b[c][f], 1e-9) << c << " " << f;
  double peak = 0.0;
  for (double v : a[0]) peak = std::max(peak, std::fabs(v));
  EXPECT_GT(peak, 1e-3);
}
