#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

// Growable byte buffer for parameter blocks. Values are appended at the end and read at a
// byte position; doubles and integers are stored little-endian whatever the machine.
class IChunk
{
public:
  static constexpr size_t kGranularity = 4096;

  // Appends; false when the buffer cannot grow.
  bool PutBytes(const void* data, size_t size);
  bool PutDouble(double v);
  bool PutInt32(int32_t v);

  // Reads at pos; answers the position after the value, or -1 when the value would pass
  // the end (v is then left as it was).
  int GetDouble(double& v, int pos) const;
  int GetInt32(int32_t& v, int pos) const;

  // Sets the used size, keeping the leading contents and zero-filling new bytes.
  bool Resize(size_t size);
  void Clear() { mBytes.clear(); }

  size_t Size() const { return mBytes.size(); }
  uint8_t* Data() { return mBytes.data(); }
  const uint8_t* Data() const { return mBytes.data(); }

private:
  bool Reserve(size_t size);
  std::vector<uint8_t> mBytes;
};
