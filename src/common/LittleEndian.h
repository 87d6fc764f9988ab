// Numbers in files as Windows lays them out: the lowest byte first. Free of windows.h, so that
// what reads them is tested natively.
#pragma once
#include <stdint.h>

inline uint32_t ReadLittle16(const unsigned char *p) { return p[0] | p[1] << 8; }
inline uint32_t ReadLittle32(const unsigned char *p) {
  return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24;
}
inline void WriteLittle32(unsigned char *p, uint32_t value) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<unsigned char>(value >> (8 * i));
}
