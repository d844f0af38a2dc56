// Byte order of the DB files.
//
// Every integer in every DB file is stored least-significant byte first.  The
// helpers below read and write single values at a byte offset, with shifts,
// so they work on any host.  Whole arrays of records are copied in bulk on
// little-endian hosts and put through ByteSwapFields (layout.h) elsewhere.
#ifndef KUROVIA_FORMAT_LE_CODEC_H
#define KUROVIA_FORMAT_LE_CODEC_H

#include <cstdint>
#include <cstring>

namespace krv::format {

#if defined(__BYTE_ORDER__) && defined(__ORDER_LITTLE_ENDIAN__)
inline constexpr bool kHostIsLittleEndian = __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__;
#else
#error "host byte order unknown"
#endif

inline uint16_t GetU16(const void* p) {
  const auto* b = static_cast<const uint8_t*>(p);
  return static_cast<uint16_t>(b[0] | (b[1] << 8));
}

inline uint32_t GetU32(const void* p) {
  const auto* b = static_cast<const uint8_t*>(p);
  return static_cast<uint32_t>(b[0]) | (static_cast<uint32_t>(b[1]) << 8) |
         (static_cast<uint32_t>(b[2]) << 16) | (static_cast<uint32_t>(b[3]) << 24);
}

inline int32_t GetI32(const void* p) { return static_cast<int32_t>(GetU32(p)); }

inline void PutU16(void* p, uint16_t v) {
  auto* b = static_cast<uint8_t*>(p);
  b[0] = static_cast<uint8_t>(v);
  b[1] = static_cast<uint8_t>(v >> 8);
}

inline void PutU32(void* p, uint32_t v) {
  auto* b = static_cast<uint8_t*>(p);
  b[0] = static_cast<uint8_t>(v);
  b[1] = static_cast<uint8_t>(v >> 8);
  b[2] = static_cast<uint8_t>(v >> 16);
  b[3] = static_cast<uint8_t>(v >> 24);
}

inline void PutI32(void* p, int32_t v) { PutU32(p, static_cast<uint32_t>(v)); }

// Converts one field between host order and file order (the same operation
// both ways).  A no-op on little-endian hosts.
template <class T>
inline void SwapToFileOrder(T& v) {
  static_assert(sizeof(T) == 1 || sizeof(T) == 2 || sizeof(T) == 4, "unsupported field width");
  if constexpr (!kHostIsLittleEndian && sizeof(T) > 1) {
    uint8_t b[sizeof(T)];
    std::memcpy(b, &v, sizeof(T));
    for (std::size_t i = 0; i < sizeof(T) / 2; ++i) {
      const uint8_t t = b[i];
      b[i] = b[sizeof(T) - 1 - i];
      b[sizeof(T) - 1 - i] = t;
    }
    std::memcpy(&v, b, sizeof(T));
  }
}

}  // namespace krv::format

#endif  // KUROVIA_FORMAT_LE_CODEC_H
