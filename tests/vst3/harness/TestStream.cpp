#include "harness/TestStream.h"

#include <algorithm>

using namespace Steinberg;

namespace harness
{

TestStream::TestStream() : mBytes(owned(new MemoryStream)) {}

TestStream::TestStream(const void* data, std::size_t size) : TestStream()
{
  if (size > 0)
  {
    int32 written = 0;
    mBytes->write(const_cast<void*>(data), static_cast<int32>(size), &written);
  }
  Rewind();
}

TestStream::TestStream(const std::vector<std::uint8_t>& bytes)
  : TestStream(bytes.data(), bytes.size())
{
}

void TestStream::TruncateTo(std::int64_t size)
{
  std::vector<std::uint8_t> all = Bytes();
  const std::int64_t position = Position();
  if (size < 0) size = 0;
  if (size < static_cast<std::int64_t>(all.size())) all.resize(static_cast<std::size_t>(size));
  mBytes = owned(new MemoryStream);
  if (!all.empty())
  {
    int32 written = 0;
    mBytes->write(all.data(), static_cast<int32>(all.size()), &written);
  }
  mBytes->seek(std::min<std::int64_t>(position, size), kIBSeekSet, nullptr);
}

void TestStream::ClearFaults()
{
  mFailReadsFrom = kNever;
  mShortReadsFrom = kNever;
  mFailWrites = false;
}

std::vector<std::uint8_t> TestStream::Bytes() const
{
  const char* data = mBytes->getData();
  const auto size = static_cast<std::size_t>(mBytes->getSize());
  if (data == nullptr || size == 0) return {};
  return std::vector<std::uint8_t>(data, data + size);
}

std::int64_t TestStream::Size() const { return mBytes->getSize(); }

std::int64_t TestStream::Position() const
{
  int64 position = 0;
  mBytes->tell(&position);
  return position;
}

void TestStream::Rewind() { mBytes->seek(0, kIBSeekSet, nullptr); }

tresult PLUGIN_API TestStream::read(void* buffer, int32 numBytes, int32* numBytesRead)
{
  ++mReadCalls;
  if (numBytesRead) *numBytesRead = 0;
  if (numBytes < 0 || (buffer == nullptr && numBytes > 0)) return kInvalidArgument;
  const std::int64_t position = Position();
  if (numBytes > 0 && position + numBytes > mFailReadsFrom) return kResultFalse;
  if (position + numBytes > mShortReadsFrom)
    numBytes = static_cast<int32>(std::max<std::int64_t>(0, mShortReadsFrom - position));
  return mBytes->read(buffer, numBytes, numBytesRead);
}

tresult PLUGIN_API TestStream::write(void* buffer, int32 numBytes, int32* numBytesWritten)
{
  ++mWriteCalls;
  if (numBytesWritten) *numBytesWritten = 0;
  if (mFailWrites) return kResultFalse;
  if (numBytes < 0 || (buffer == nullptr && numBytes > 0)) return kInvalidArgument;
  return mBytes->write(buffer, numBytes, numBytesWritten);
}

tresult PLUGIN_API TestStream::seek(int64 pos, int32 mode, int64* result)
{
  return mBytes->seek(pos, mode, result);
}

tresult PLUGIN_API TestStream::tell(int64* pos) { return mBytes->tell(pos); }

tresult PLUGIN_API TestStream::queryInterface(const TUID iid, void** obj)
{
  if (obj == nullptr) return kInvalidArgument;
  QUERY_INTERFACE(iid, obj, FUnknown::iid, IBStream)
  QUERY_INTERFACE(iid, obj, IBStream::iid, IBStream)
  *obj = nullptr;
  return kNoInterface;
}

uint32 PLUGIN_API TestStream::addRef() { return static_cast<uint32>(++mRefCount); }

uint32 PLUGIN_API TestStream::release() { return static_cast<uint32>(--mRefCount); }

} // namespace harness
