// TIdEnumSet: a set over a small enumeration, one bit per value, for option sets of every layer
// (TLS versions and verify modes, the HTTP engine's options).
#pragma once

#include <cstdint>
#include <initializer_list>

// A set over a small enumeration (at most 32 values), one bit per value.
template <typename E> class TIdEnumSet {
 public:
  constexpr TIdEnumSet() = default;
  constexpr TIdEnumSet(std::initializer_list<E> AValues) {
    for (E v : AValues) Include(v);
  }
  static constexpr TIdEnumSet FromBits(uint32_t ABits) {
    TIdEnumSet s;
    s.FBits = ABits;
    return s;
  }
  constexpr bool Contains(E AValue) const { return (FBits & Bit(AValue)) != 0; }
  constexpr TIdEnumSet& Include(E AValue) {
    FBits |= Bit(AValue);
    return *this;
  }
  constexpr TIdEnumSet& Exclude(E AValue) {
    FBits &= ~Bit(AValue);
    return *this;
  }
  constexpr bool Empty() const { return FBits == 0; }
  constexpr int Count() const { return __builtin_popcount(FBits); }
  constexpr uint32_t Bits() const { return FBits; }
  constexpr bool operator==(const TIdEnumSet&) const = default;

 private:
  static constexpr uint32_t Bit(E AValue) { return uint32_t(1) << static_cast<unsigned>(AValue); }
  uint32_t FBits = 0;
};
