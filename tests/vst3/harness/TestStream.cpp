#include "harness/TestStream.h"

#include <algorithm>

using namespace Steinberg;

namespace harness {

TestStream::TestStream() : bytes_(owned(new MemoryStream)) {}

TestStream::TestStream(const void* data, std::size_t size) : TestStream() {
  if (size > 0) {
    int32 written = 0;
    bytes_->write(const_cast<void*>(data), static_cast<int32>(size), &written);
  }
  Rewind();
}

TestStream::TestStream(const std::vector<std::uint8_t>& bytes)
    : TestStream(bytes.data(), bytes.size()) {}

void TestStream::TruncateTo(std::int64_t size) {
  std::vector<std::uint8_t> all = Bytes();
  const std::int64_t position = Position();
  if (size < 0) size = 0;
  if (size < static_cast<std::int64_t>(all.size())) all.resize(static_cast<std::size_t>(size));
  bytes_ = owned(new MemoryStream);
  if (!all.empty()) {
    int32 written = 0;
    bytes_->write(all.data(), static_cast<int32>(all.size()), &written);
  }
  bytes_->seek(std::min<std::int64_t>(position, size), kIBSeekSet, nullptr);
}

void TestStream::ClearFaults() {
  failReadsFrom_ = kNever;
  shortReadsFrom_ = kNever;
  failWrites_ = false;
}

std::vector<std::uint8_t> TestStream::Bytes() const {
  const char* data = bytes_->getData();
  const auto size = static_cast<std::size_t>(bytes_->getSize());
  if (data == nullptr || size == 0) return {};
  return std::vector<std::uint8_t>(data, data + size);
}

std::int64_t TestStream::Size() const { return bytes_->getSize(); }

std::int64_t TestStream::Position() const {
  int64 position = 0;
  bytes_->tell(&position);
  return position;
}

void TestStream::Rewind() { bytes_->seek(0, kIBSeekSet, nullptr); }

tresult PLUGIN_API TestStream::read(void* buffer, int32 numBytes, int32* numBytesRead) {
  ++readCalls_;
  if (numBytesRead) *numBytesRead = 0;
  if (numBytes < 0 || (buffer == nullptr && numBytes > 0)) return kInvalidArgument;
  const std::int64_t position = Position();
  if (numBytes > 0 && position + numBytes > failReadsFrom_) return kResultFalse;
  if (position + numBytes > shortReadsFrom_)
    numBytes = static_cast<int32>(std::max<std::int64_t>(0, shortReadsFrom_ - position));
  return bytes_->read(buffer, numBytes, numBytesRead);
}

tresult PLUGIN_API TestStream::write(void* buffer, int32 numBytes, int32* numBytesWritten) {
  ++writeCalls_;
  if (numBytesWritten) *numBytesWritten = 0;
  if (failWrites_) return kResultFalse;
  if (numBytes < 0 || (buffer == nullptr && numBytes > 0)) return kInvalidArgument;
  return bytes_->write(buffer, numBytes, numBytesWritten);
}

tresult PLUGIN_API TestStream::seek(int64 pos, int32 mode, int64* result) {
  return bytes_->seek(pos, mode, result);
}

tresult PLUGIN_API TestStream::tell(int64* pos) { return bytes_->tell(pos); }

tresult PLUGIN_API TestStream::queryInterface(const TUID iid, void** obj) {
  if (obj == nullptr) return kInvalidArgument;
  QUERY_INTERFACE(iid, obj, FUnknown::iid, IBStream)
  QUERY_INTERFACE(iid, obj, IBStream::iid, IBStream)
  *obj = nullptr;
  return kNoInterface;
}

uint32 PLUGIN_API TestStream::addRef() { return static_cast<uint32>(++refCount_); }

uint32 PLUGIN_API TestStream::release() { return static_cast<uint32>(--refCount_); }

}  // namespace harness
