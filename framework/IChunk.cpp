#include "framework/IChunk.h"

#include <cstring>
#include <new>
#include <stdexcept>

bool IChunk::Reserve(size_t size)
{
  if (size <= mBytes.capacity()) return true;
  try
  {
    mBytes.reserve((size + kGranularity - 1) / kGranularity * kGranularity);
  }
  catch (const std::bad_alloc&)
  {
    return false;
  }
  catch (const std::length_error&)
  {
    return false;
  }
  return true;
}

bool IChunk::PutBytes(const void* data, size_t size)
{
  if (!Reserve(mBytes.size() + size)) return false;
  const auto* bytes = static_cast<const uint8_t*>(data);
  mBytes.insert(mBytes.end(), bytes, bytes + size);
  return true;
}

bool IChunk::PutDouble(double v)
{
  uint64_t bits;
  std::memcpy(&bits, &v, sizeof bits);
  uint8_t bytes[8];
  for (int i = 0; i < 8; ++i) bytes[i] = static_cast<uint8_t>(bits >> (8 * i));
  return PutBytes(bytes, sizeof bytes);
}

bool IChunk::PutInt32(int32_t v)
{
  const auto u = static_cast<uint32_t>(v);
  uint8_t bytes[4];
  for (int i = 0; i < 4; ++i) bytes[i] = static_cast<uint8_t>(u >> (8 * i));
  return PutBytes(bytes, sizeof bytes);
}

int IChunk::GetDouble(double& v, int pos) const
{
  if (pos < 0 || static_cast<size_t>(pos) + 8 > mBytes.size()) return -1;
  uint64_t bits = 0;
  for (int i = 0; i < 8; ++i) bits |= static_cast<uint64_t>(mBytes[pos + i]) << (8 * i);
  std::memcpy(&v, &bits, sizeof v);
  return pos + 8;
}

int IChunk::GetInt32(int32_t& v, int pos) const
{
  if (pos < 0 || static_cast<size_t>(pos) + 4 > mBytes.size()) return -1;
  uint32_t u = 0;
  for (int i = 0; i < 4; ++i) u |= static_cast<uint32_t>(mBytes[pos + i]) << (8 * i);
  v = static_cast<int32_t>(u);
  return pos + 4;
}

bool IChunk::Resize(size_t size)
{
  if (!Reserve(size)) return false;
  mBytes.resize(size, 0);
  return true;
}
