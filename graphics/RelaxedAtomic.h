#pragma once
#include <atomic>

// A value that one thread writes while another reads it, with no ordering between them: the
// audio thread stores a control's value and flags, the user-interface thread picks them up at
// its next timer tick. Reads and writes are single relaxed atomic operations (plain moves on
// x86); a read-modify-write such as += is a load and a store, not an atomic update, exactly
// like the plain field it replaces. Copying copies the current value.
template <typename T>
class RelaxedAtomic
{
public:
  RelaxedAtomic(T value = T{}) : mValue(value) {}
  RelaxedAtomic(const RelaxedAtomic& other) : mValue(other.Load()) {}
  RelaxedAtomic& operator=(const RelaxedAtomic& other)
  {
    Store(other.Load());
    return *this;
  }
  RelaxedAtomic& operator=(T value)
  {
    Store(value);
    return *this;
  }
  RelaxedAtomic& operator+=(T delta)
  {
    Store(Load() + delta);
    return *this;
  }

  T Load() const { return mValue.load(std::memory_order_relaxed); }
  void Store(T value) { mValue.store(value, std::memory_order_relaxed); }
  operator T() const { return Load(); }

private:
  std::atomic<T> mValue;
};
