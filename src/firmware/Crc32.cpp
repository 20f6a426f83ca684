#include "firmware/Crc32.h"

DWORD Crc32(UINT count, const BYTE* data) {
  DWORD crc = 0xFFFFFFFFu;
  for (UINT i = 0; i < count; ++i) {
    crc ^= data[i];
    for (int bit = 0; bit < 8; ++bit) crc = (crc & 1u) ? (crc >> 1) ^ 0xEDB88320u : crc >> 1;
  }
  return ~crc;
}
