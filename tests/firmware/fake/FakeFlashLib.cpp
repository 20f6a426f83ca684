// A stand-in back-end for the flashing library: it records every call the
// program makes, with its arguments, and returns the results a test sets.
// Built as libflashlib.so in its own folder.
#include <cstdint>
#include <cstdio>
#include <string>

#include "flashlib/FlashLibApi.h"

#define FAKE_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

std::string g_calls;
std::int32_t g_agentResult = 0;
std::int32_t g_imageResult = 0;
std::int32_t g_downloadResult = 0;
int g_handles = 0;

void Log(const std::string& entry) { g_calls += (g_calls.empty() ? "" : " ") + entry; }

std::string Hex(std::uint32_t v) {
  char text[16];
  std::snprintf(text, sizeof text, "%X", v);
  return text;
}

}  // namespace

FAKE_EXPORT const char* fakeflash_calls() { return g_calls.c_str(); }

FAKE_EXPORT void fakeflash_reset(std::int32_t agent, std::int32_t image, std::int32_t download) {
  g_calls.clear();
  g_agentResult = agent;
  g_imageResult = image;
  g_downloadResult = download;
}

FAKE_EXPORT void flashlib_ordinal_25(FlashHandle* h) {
  *h = &++g_handles;
  Log("25");
}
FAKE_EXPORT void flashlib_ordinal_13(FlashHandle* h) {
  *h = &++g_handles;
  Log("13");
}
FAKE_EXPORT std::int32_t flashlib_ordinal_29(FlashHandle, std::uint32_t family) {
  Log("29:" + Hex(family));
  return 0;
}
FAKE_EXPORT std::int32_t flashlib_ordinal_31(FlashHandle, const char* path) {
  Log(std::string("31:") + (path && *path ? "path" : "empty"));
  return g_agentResult;
}
FAKE_EXPORT std::int32_t flashlib_ordinal_15(FlashHandle, const char*) {
  Log("15");
  return 0;
}
FAKE_EXPORT std::int32_t flashlib_ordinal_47(FlashHandle, std::uint32_t size) {
  Log("47:" + std::to_string(size));
  return 0;
}
FAKE_EXPORT std::int32_t flashlib_ordinal_20(FlashHandle, std::uint32_t region, const char*) {
  Log("20:" + std::to_string(region));
  return g_imageResult;
}
FAKE_EXPORT std::int32_t flashlib_ordinal_50(FlashHandle, std::uint32_t region, std::uint32_t on) {
  Log("50:" + std::to_string(region) + "," + std::to_string(on));
  return 0;
}
FAKE_EXPORT std::int32_t flashlib_ordinal_10(FlashPortArg* port, FlashAgentArg* agent,
                                             FlashImageArg* image, std::int32_t* out,
                                             FlashResult* result) {
  const bool self = agent->pHeader == agent->reserved0;
  Log("10:port=" + std::to_string(port->nPortNumber) + ",chip=" + std::to_string(port->nChipKind) +
      ",timeouts=" + Hex(port->nReadTimeoutMs) + "/" + Hex(port->nWriteTimeoutMs) +
      ",agent=" + Hex(agent->nHandshakeTimeoutMs) + "/" + std::to_string(agent->bReportProgress) +
      "/" + std::to_string(agent->bCheckAgent) + "/" + std::to_string(agent->nAgentVersion) +
      (self ? "/self" : "/other") + ",image=" + std::to_string(image->bVerify) + "/" +
      std::to_string(image->bRestart) + "/" + Hex(image->nFlashSize) +
      ",out=" + std::to_string(*out) + (result->nStage == 0 ? ",zeroed" : ",dirty"));
  if (agent->pfnInit) agent->pfnInit(agent->pInitContext);
  if (agent->pfnProgress) agent->pfnProgress(50, 1, 2, agent->pProgressContext);
  if (image->pfnInit) image->pfnInit(image->pInitContext);
  if (image->pfnProgress) image->pfnProgress(0x1FF, 3, 4, image->pProgressContext);
  return g_downloadResult;
}
FAKE_EXPORT std::int32_t flashlib_ordinal_33(FlashHandle) {
  Log("33");
  return 0;
}
FAKE_EXPORT std::int32_t flashlib_ordinal_22(FlashHandle, std::uint32_t region) {
  Log("22:" + std::to_string(region));
  return 0;
}
FAKE_EXPORT void flashlib_ordinal_26(FlashHandle* h) {
  *h = nullptr;
  Log("26");
}
FAKE_EXPORT void flashlib_ordinal_14(FlashHandle* h) {
  *h = nullptr;
  Log("14");
}
