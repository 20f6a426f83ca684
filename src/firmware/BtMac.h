// The logger's Bluetooth MAC address in its three written forms: the
// "$PMTK592" reply, the registry text and the "$PMTK392" sentence.
#pragma once

#include <string>

#include "platform/WinTypes.h"

// m[0] .. m[5] are m0 .. m5: the reply's bytes r0 .. r5 in reverse order.
struct BtMacAddress {
  BYTE m[6] = {0, 0, 0, 0, 0, 0};
  bool AllFF() const;
};

// Registry value holding the last saved address.
inline constexpr const char* BT_MAC_REGISTRY_VALUE = "R710BTMacAddress";
inline constexpr const char* BT_MAC_QUERY = "$PMTK492*3D\r\n";
inline constexpr const char* BT_MAC_REPLY = "$PMTK592";
inline constexpr const char* BT_MAC_WRITTEN = "$PMTK010";

// Two upper-case hexadecimal digits of the XOR of the body after its '$'.
std::string SentenceChecksum(const std::string& body);

// Hexadecimal number: upper-cased, an optional "0X" skipped, digits up to the
// first other character.
unsigned ParseHexText(const std::string& text);

// Finds "$PMTK592" in the first 80 characters of reply and stores its six
// bytes into m5 .. m0. FALSE (address unchanged) when there is no reply or
// it is garbled: a reply counts only with twelve hexadecimal digits and a
// matching checksum.
BOOL ParseBtMacReplyText(const char* reply, BtMacAddress& mac);

// "m0:m1:m2:m3:m4:m5" in upper-case hexadecimal.
std::string FormatBtMacRegistryText(const BtMacAddress& mac);

// Pairs at offsets 0, 3, .. 15 of the registry text; a missing pair reads 0.
void ParseBtMacRegistryText(const std::string& text, BtMacAddress& mac);

// "$PMTK392,m5m4m3,m2m1m0*CS\r\n".
std::string BuildBtMacWriteSentence(const BtMacAddress& mac);
