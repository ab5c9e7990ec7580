#pragma once

#include "base/source/fobject.h"
#include "public.sdk/source/common/memorystream.h"

#include <atomic>
#include <cstdint>
#include <vector>

namespace harness
{

// A state stream with faults on request, for the edge cases of state loading and saving.
// The bytes live in the SDK's MemoryStream; this class forwards to it and bends the
// answers:
// - TruncateTo(n): the stream really ends after n bytes (reads past it come back short,
//   answered with success, as any stream at its end does);
// - FailReadsFrom(p): a read that would touch position p or beyond answers kResultFalse,
//   delivers nothing and leaves the position;
// - ShortReadsFrom(p): a read that would cross p delivers only the bytes before p yet
//   answers success (a stream that hands out less than asked while more is there);
// - FailWrites(true): writes answer kResultFalse and store nothing.
// Owned by the test: release never deletes; RefCount() is 1 when references balance.
class TestStream : public Steinberg::IBStream
{
public:
  TestStream();
  TestStream(const void* data, std::size_t size);
  explicit TestStream(const std::vector<std::uint8_t>& bytes);
  virtual ~TestStream() = default;

  void TruncateTo(std::int64_t size);
  void FailReadsFrom(std::int64_t position) { mFailReadsFrom = position; }
  void ShortReadsFrom(std::int64_t position) { mShortReadsFrom = position; }
  void FailWrites(bool fail) { mFailWrites = fail; }
  // Back to a well-behaved stream (contents kept).
  void ClearFaults();

  std::vector<std::uint8_t> Bytes() const;
  std::int64_t Size() const;
  std::int64_t Position() const;
  void Rewind();

  int ReadCalls() const { return mReadCalls; }
  int WriteCalls() const { return mWriteCalls; }
  int RefCount() const { return mRefCount.load(); }

  // --- IBStream ---
  Steinberg::tresult PLUGIN_API read(void* buffer, Steinberg::int32 numBytes,
                                     Steinberg::int32* numBytesRead) override;
  Steinberg::tresult PLUGIN_API write(void* buffer, Steinberg::int32 numBytes,
                                      Steinberg::int32* numBytesWritten) override;
  Steinberg::tresult PLUGIN_API seek(Steinberg::int64 pos, Steinberg::int32 mode,
                                     Steinberg::int64* result) override;
  Steinberg::tresult PLUGIN_API tell(Steinberg::int64* pos) override;

  // --- FUnknown ---
  Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID iid, void** obj) override;
  Steinberg::uint32 PLUGIN_API addRef() override;
  Steinberg::uint32 PLUGIN_API release() override;

private:
  static constexpr std::int64_t kNever = INT64_MAX;

  Steinberg::IPtr<Steinberg::MemoryStream> mBytes;
  std::int64_t mFailReadsFrom = kNever;
  std::int64_t mShortReadsFrom = kNever;
  bool mFailWrites = false;
  int mReadCalls = 0;
  int mWriteCalls = 0;
  std::atomic<int> mRefCount{1};
};

} // namespace harness
