// CRC-32 (IEEE 802.3) of firmware images.
#pragma once

#include "platform/WinTypes.h"

// Standard reflected CRC-32: polynomial 0xEDB88320, start 0xFFFFFFFF, final
// complement. Computed bit by bit; images are small.
DWORD Crc32(UINT count, const BYTE* data);
