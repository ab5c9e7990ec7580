// libFuzzer target: arbitrary bytes as a project's state stream. Whatever the stream holds or
// however it fails, setState must not crash or read past what it delivered, every parameter
// must stay finite and inside its range, and the strip must keep producing finite audio.
#include "effect/KORU.h"

#include "pluginterfaces/base/ibstream.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

using namespace Steinberg;

namespace
{
// A stream over the fuzzer's bytes. The first byte picks how it misbehaves: delivers
// everything, reports failure once a cut-off is reached, or reports success while
// delivering fewer bytes than asked.
class FuzzStream : public IBStream
{
public:
  FuzzStream(const uint8_t* data, size_t size)
  {
    if (size > 0)
    {
      mMode = data[0] % 3;
      mCut = size > 1 ? data[1] : 0;
      mData = data + std::min<size_t>(size, 2);
      mSize = size - std::min<size_t>(size, 2);
    }
  }

  tresult PLUGIN_API read(void* buffer, int32 numBytes, int32* numBytesRead) override
  {
    if (numBytes < 0) return kInvalidArgument;
    size_t n = std::min<size_t>(numBytes, mSize - mPos);
    tresult result = kResultOk;
    if (mMode == 1 && mPos + n > mCut)
    {
      n = mCut > mPos ? mCut - mPos : 0;
      result = kResultFalse;
    }
    else if (mMode == 2)
    {
      n = std::min<size_t>(n, mCut % 9);
    }
    if (n) std::memcpy(buffer, mData + mPos, n);
    mPos += n;
    if (numBytesRead) *numBytesRead = static_cast<int32>(n);
    return result;
  }
  tresult PLUGIN_API write(void*, int32, int32*) override { return kNotImplemented; }
  tresult PLUGIN_API seek(int64, int32, int64*) override { return kNotImplemented; }
  tresult PLUGIN_API tell(int64* pos) override
  {
    if (pos) *pos = static_cast<int64>(mPos);
    return kResultOk;
  }
  tresult PLUGIN_API queryInterface(const TUID, void**) override { return kNoInterface; }
  uint32 PLUGIN_API addRef() override { return 1; }
  uint32 PLUGIN_API release() override { return 1; }

private:
  const uint8_t* mData = nullptr;
  size_t mSize = 0;
  size_t mPos = 0;
  int mMode = 0;
  size_t mCut = 0;
};

void Check(bool ok, const char* what)
{
  if (!ok)
  {
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
  }
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
  // One instance for the whole run, as in a host: each state lands on top of the last.
  static KORU* plug = []
  {
    auto* k = new KORU();
    k->SetSampleRate(48000.0);
    k->SetMaxBlockSize(16);
    return k;
  }();

  FuzzStream stream(data, size);
  plug->setState(&stream);

  for (int i = 0; i < plug->ParamCount(); ++i)
  {
    const IParamSlot& p = *plug->Param(i);
    Check(std::isfinite(p.Value()), "parameter value finite");
    Check(p.Value() >= p.Min() && p.Value() <= p.Max(), "parameter value inside its range");
  }

  double in[16], out[2][16];
  for (int i = 0; i < 16; ++i) in[i] = size > 2 ? (data[i % size] - 128) / 128.0 : 0.0;
  double* ins[] = {in, in};
  double* outs[] = {out[0], out[1]};
  plug->ProcessBlock(ins, outs, 16);
  for (int i = 0; i < 16; ++i)
    Check(std::isfinite(out[0][i]) && std::isfinite(out[1][i]), "finite audio");
  return 0;
}
