// Binary interface of the flashing library (libflashlib.so).
//
// The program loads the library at run time from its own folder and finds
// each entry point by its ordinal: the library exports the C symbol
// "flashlib_ordinal_<n>" for every ordinal n below. Any library exporting
// these symbols with these signatures can replace it without rebuilding the
// program.
//
//   ordinal  signature                                           meaning
//   25       void (FlashHandle* agent)                           create agent handle
//   13       void (FlashHandle* download)                        create download handle
//   29       int32 (FlashHandle agent, uint32 family)            chip family of the agent
//   31       int32 (FlashHandle agent, const char* path)         load download-agent file
//   15       int32 (FlashHandle download, const char* path)      read scatter file
//   47       int32 (FlashHandle download, uint32 blockSize)      bytes per acknowledged block
//   20       int32 (FlashHandle download, uint32 region, const char* path)  load image
//   50       int32 (FlashHandle download, uint32 region, uint32 enable)     mark region
//   10       int32 (FlashPortArg*, FlashAgentArg*, FlashImageArg*, int32* out, FlashResult*)
//                                                                run the download
//   33       int32 (FlashHandle agent)                           unload agent
//   22       int32 (FlashHandle download, uint32 region)         unload image
//   26       void (FlashHandle* agent)                           destroy agent handle (set NULL)
//   14       void (FlashHandle* download)                        destroy download handle (set NULL)
//
// Results of 29, 31, 15, 47, 20, 50, 33 and 22: 0 on success, else an error
// code with bits 8 to 15 set (FLASH_ERR_*). Result of 10: FLASH_DL_OK (0),
// FLASH_DL_NO_HANDSHAKE (1: the logger did not answer; it may need a moment
// before the next try) or another FLASH_DL_* code.
//
// The flash exchange with the logger over the serial port is described in
// flashlib/FlashProtocol.h.
#pragma once

#include <cstdint>

extern "C" {

using FlashHandle = void*;

// Progress callbacks: the init callbacks get the context, the progress
// callbacks the percentage (0..100), the bytes acknowledged so far, the total
// and the context. Both return 0.
using FlashInitCallback = int (*)(void* context);
using FlashProgressCallback = int (*)(std::uint32_t percent, std::uint32_t doneBytes,
                                      std::uint32_t totalBytes, void* context);

// Chip kinds of FlashPortArg::nChipKind.
enum : std::uint32_t { FLASH_CHIP_MT3318 = 1, FLASH_CHIP_MT3329 = 6 };

// Chip families of ordinal 29 (also stored in download-agent files).
enum : std::uint32_t { FLASH_FAMILY_MT3318 = 0x100800, FLASH_FAMILY_MT3329 = 0xC00 };

// "No limit given": the library uses its own time-outs.
constexpr std::uint32_t FLASH_DEFAULT_TIMEOUT = 0x0FFFFFFF;

struct FlashPortArg {
  std::uint8_t nPortNumber;  // n of COMn
  std::uint8_t reserved0[3];
  std::uint32_t nChipKind;  // FLASH_CHIP_*; 0 when unknown
  std::uint32_t nReadTimeoutMs;
  std::uint32_t nWriteTimeoutMs;
};

struct FlashAgentArg {
  std::uint8_t reserved0[16];
  FlashHandle hAgent;
  FlashInitCallback pfnInit;
  void* pInitContext;
  FlashProgressCallback pfnProgress;
  void* pProgressContext;
  std::uint8_t reserved1[16];
  std::uint32_t nHandshakeTimeoutMs;
  std::uint32_t bReportProgress;  // 1: call the progress callbacks
  std::uint8_t reserved2[272];
  std::uint32_t nReserved332;
  void* pHeader;             // the block's own first 16 bytes
  std::uint8_t bCheckAgent;  // 1: the logger must confirm the agent's checksum
  std::uint8_t reserved3[3];
  std::uint32_t nAgentVersion;  // agent file format expected (1)
};

struct FlashImageArg {
  FlashHandle hDownload;
  FlashInitCallback pfnInit;
  void* pInitContext;
  std::uint32_t nReserved12;
  FlashProgressCallback pfnProgress;
  void* pProgressContext;
  std::uint8_t reserved0[368];
  std::uint32_t bVerify;  // 1: ask the logger for the image checksum after the upload
  std::uint8_t reserved1[20];
  std::uint32_t bRestart;  // 1: tell the logger to start the new image
  std::uint8_t reserved2[12];
  std::uint32_t nFlashSize;  // bytes of flash; larger images are refused
  std::uint32_t nReserved436;
  std::uint16_t nReserved440;
  std::uint8_t reserved3[2];
};

// Filled by ordinal 10 (the program does not depend on it).
struct FlashResult {
  std::uint32_t nStage;  // FLASH_STAGE_* reached
  std::uint32_t nAgentBytes;
  std::uint32_t nImageBytes;
  std::uint32_t nImageCrc;   // checksum of the image sent
  std::uint32_t nLoggerCrc;  // checksum the logger reported
  std::uint32_t nError;      // FLASH_DL_* result
};

enum : std::uint32_t {
  FLASH_STAGE_NONE = 0,
  FLASH_STAGE_PORT = 1,
  FLASH_STAGE_HANDSHAKE = 2,
  FLASH_STAGE_AGENT = 3,
  FLASH_STAGE_IMAGE = 4,
  FLASH_STAGE_VERIFY = 5,
  FLASH_STAGE_DONE = 6,
};

// Error codes of the preparation calls (bits 8 to 15 set).
enum : std::int32_t {
  FLASH_OK = 0,
  FLASH_ERR_HANDLE = 0x0100,      // null or foreign handle
  FLASH_ERR_OPEN = 0x0200,        // file missing or unreadable
  FLASH_ERR_FORMAT = 0x0300,      // not an agent / scatter file, or damaged
  FLASH_ERR_CHECKSUM = 0x0400,    // agent payload checksum wrong
  FLASH_ERR_FAMILY = 0x0500,      // agent for another chip family, or none set
  FLASH_ERR_NO_SCATTER = 0x0600,  // image loaded before a valid scatter file
  FLASH_ERR_TOO_LARGE = 0x0700,   // image does not fit its region
  FLASH_ERR_REGION = 0x0800,      // region index not in the scatter file
  FLASH_ERR_ARGUMENT = 0x0900,    // value out of range
};

// Results of ordinal 10.
enum : std::int32_t {
  FLASH_DL_OK = 0,
  FLASH_DL_NO_HANDSHAKE = 1,
  FLASH_DL_BAD_ARGUMENT = 2,   // missing block, handle, agent or image
  FLASH_DL_PORT = 3,           // the COM port cannot be opened
  FLASH_DL_AGENT_REFUSED = 4,  // the logger refused the agent
  FLASH_DL_IMAGE_REFUSED = 5,  // the logger refused the image header
  FLASH_DL_TRANSFER = 6,       // a block was not acknowledged after its resends
  FLASH_DL_VERIFY = 7,         // the logger's checksum differs
  FLASH_DL_CHIP = 8,           // agent chip differs from the port's chip kind
};

// Entry-point names and signatures.
#define FLASHLIB_SYMBOL(n) "flashlib_ordinal_" #n
using FlashCreateFn = void (*)(FlashHandle*);
using FlashDestroyFn = void (*)(FlashHandle*);
using FlashSetValueFn = std::int32_t (*)(FlashHandle, std::uint32_t);
using FlashSetPathFn = std::int32_t (*)(FlashHandle, const char*);
using FlashLoadImageFn = std::int32_t (*)(FlashHandle, std::uint32_t, const char*);
using FlashSetRegionFn = std::int32_t (*)(FlashHandle, std::uint32_t, std::uint32_t);
using FlashUnloadFn = std::int32_t (*)(FlashHandle);
using FlashDownloadFn = std::int32_t (*)(FlashPortArg*, FlashAgentArg*, FlashImageArg*,
                                         std::int32_t*, FlashResult*);
}

// On 32-bit builds the blocks have the layout the library has always had.
static_assert(sizeof(FlashPortArg) == 16);
static_assert(sizeof(FlashResult) == 24);
static_assert(sizeof(void*) != 4 || sizeof(FlashAgentArg) == 348);
static_assert(sizeof(void*) != 4 || sizeof(FlashImageArg) == 444);
