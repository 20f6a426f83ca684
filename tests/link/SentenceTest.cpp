// Sentence building and reply parsing of the command layer.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "logger/PageMTKTracklogSetting.h"
#include "sim/SimLogger.h"

namespace {

using Page = CPageMTKTracklogSetting;

// The checksum computed independently of the code under test.
std::string Expected(const std::string& body) { return sim::SimLogger::WithChecksum(body); }

TEST(SentenceBuildTest, LogCommandsAndTheirArguments) {
  EXPECT_EQ(Page::BuildLogSentence(2, 8, 0), Expected("$PMTK182,2,8"));
  EXPECT_EQ(Page::BuildLogSentence(7, 65536, 65536), Expected("$PMTK182,7,10000,10000"));
  EXPECT_EQ(Page::BuildLogSentence(7, 0x30000, 0x10000), Expected("$PMTK182,7,30000,10000"));
  EXPECT_EQ(Page::BuildLogSentence(7, 0, 0), Expected("$PMTK182,7,0,0"));
  EXPECT_EQ(Page::BuildLogSentence(6, 1, 0), Expected("$PMTK182,6,1"));
  EXPECT_EQ(Page::BuildLogSentence(6, 2, 0), Expected("$PMTK182,6,2,0"));
  EXPECT_EQ(Page::BuildLogSentence(1, 3, 50), Expected("$PMTK182,1,3,50"));
  EXPECT_EQ(Page::BuildLogSentence(1, 2, 255), Expected("$PMTK182,1,2,FF"));
  EXPECT_EQ(Page::BuildLogSentence(14, 921600, 0), Expected("$PMTK182,14,921600"));
  EXPECT_EQ(Page::BuildLogSentence(12, 0, 0), Expected("$PMTK182,12,0,0"));
  EXPECT_EQ(Page::BuildLogSentence(400, 0, 0), Expected("$PMTK400"));
  EXPECT_EQ(Page::BuildLogSentence(400, 0, 0), "$PMTK400*36\r\n");
  EXPECT_EQ(Page::BuildMakerSentence(3), Expected("$VANTO710,3"));
}

TEST(ReplyParseTest, ParseHex) {
  EXPECT_EQ(Page::ParseHex("0x1a2B"), 6699);
  EXPECT_EQ(Page::ParseHex("12G4"), 18);
  EXPECT_EQ(Page::ParseHex(""), 0);
  EXPECT_EQ(Page::ParseHex("zz"), 0);
  EXPECT_EQ(Page::ParseHex(nullptr), 0);
  EXPECT_EQ(Page::ParseHex("FFFFFFFF"), -1);
}

TEST(ReplyParseTest, LogReplyValue) {
  char reply[] = "$PMTK182,3,8,1F400*3C\r\n";
  EXPECT_EQ(Page::ParseLogReplyValue(reply, TRUE), 128000);
  char twoDigit[] = "$PMTK182,3,10,1A*00\r\n";
  EXPECT_EQ(Page::ParseLogReplyValue(twoDigit, TRUE), 26);
  char decimal[] = "$PMTK182,3,3,50*00\r\n";
  EXPECT_EQ(Page::ParseLogReplyValue(decimal, FALSE), 50);
  char none[] = "Not Connected";
  EXPECT_EQ(Page::ParseLogReplyValue(none, TRUE), 0);
  // A reply cut short gives an empty value instead of reading past its end.
  char cut[] = "$PMTK182,3";
  EXPECT_EQ(Page::ParseLogReplyValue(cut, TRUE), 0);
  EXPECT_STREQ(cut, "$PMTK182,3");
}

TEST(ReplyParseTest, SentenceComplete) {
  EXPECT_TRUE(Page::IsSentenceComplete("$PVNT852,TX380*3A\r\n", 256));
  EXPECT_FALSE(Page::IsSentenceComplete("$PVNT852,TX380*3A\r", 256));
  EXPECT_FALSE(Page::IsSentenceComplete("$PVNT852,TX380*", 256));
  EXPECT_FALSE(Page::IsSentenceComplete("$PVNT852,TX380", 256));
  EXPECT_FALSE(Page::IsSentenceComplete("Not Connected", 256));
  EXPECT_FALSE(Page::IsSentenceComplete(nullptr, 256));
  // The '*' must lie within the first n bytes.
  EXPECT_FALSE(Page::IsSentenceComplete("$PVNT852,TX380*3A\r\n", 10));
}

TEST(ReplyParseTest, FindersLookOnlyWhereTheyAreTold) {
  char text[] = "xxxx$PMTK182,3,6,1*2A\r\n";
  EXPECT_EQ(Page::FindLogReply(text, 80), text + 4);
  EXPECT_EQ(Page::FindLogReply(text, 4), nullptr);
  EXPECT_EQ(Page::FindLogReply(text, 5), text + 4);
  EXPECT_EQ(Page::FindLogReply(nullptr, 80), nullptr);
  char maker[] = "$GPGSA*00\r\n$VANTO001,3,101*00\r\n";
  EXPECT_EQ(Page::FindMakerReply(maker, 80), maker + 11);
  char device[] = "$PVNT865,023*00";
  EXPECT_EQ(Page::FindDeviceReply(device, 3, 80), device);
  EXPECT_EQ(Page::FindDeviceReply(device, 2, 80), nullptr);
  EXPECT_EQ(Page::FindDeviceReply(device, 0, 80), device);
  EXPECT_EQ(Page::FindDeviceReply(device, 7, 80), nullptr);
  // The finder stops at the end of the text, even when told to look further.
  char shortText[32] = "$PMTK";
  std::memcpy(shortText + 6, "$PMTK182", 8);
  EXPECT_EQ(Page::FindLogReply(shortText, 32), nullptr);
}

TEST(ReplyParseTest, FieldGettersCutInPlaceAndStayInsideTheText) {
  char maker[] = "$VANTO001,3,123*00\r\n";
  EXPECT_STREQ(Page::GetMakerReplyField(maker, 12, 3), "123");
  char device[] = "junk$PVNT861,101*00\r\n";
  EXPECT_STREQ(Page::GetDeviceReplyField(device, 9, 3), "101");
  char log[] = "$PMTK182,3,6,1*2A\r\n";
  EXPECT_STREQ(Page::GetLogReplyField(log, 13, 1), "1");
  // Offsets past the end give an empty field; nothing beyond the zero is written.
  char buffer[40] = "$PMTK182,3*00";
  std::memset(buffer + 14, 'Z', 20);
  buffer[34] = '\0';
  char* field = Page::GetLogDataField(buffer, 30, 5);
  ASSERT_NE(field, nullptr);
  EXPECT_STREQ(field, "");
  EXPECT_EQ(buffer[14], 'Z');
  char none[] = "Not Connected";
  EXPECT_EQ(Page::GetLogReplyField(none, 1, 1), nullptr);
  EXPECT_STREQ(none, "Not Connected");
}

TEST(ReplyParseTest, HexBytesAndRecords) {
  BYTE bytes[4] = {};
  Page::HexToBytes("00A5fF7", bytes, 4);
  EXPECT_EQ(bytes[0], 0x00);
  EXPECT_EQ(bytes[1], 0xA5);
  EXPECT_EQ(bytes[2], 0xFF);
  EXPECT_EQ(bytes[3], 0x07);  // a lone last digit, and nothing read past the end

  BYTE record[16];
  for (int i = 0; i < 16; ++i) record[i] = static_cast<BYTE>(i);
  ReverseWordBytes(record);
  const BYTE expected[16] = {3, 2, 1, 0, 7, 6, 5, 4, 11, 10, 9, 8, 15, 14, 13, 12};
  EXPECT_EQ(std::memcmp(record, expected, 16), 0);

  char dest[16] = "..............";
  Page::CopyHexText(dest, "ABCD", 2, 2);
  EXPECT_STREQ(dest, "....ABCD......");
}

}  // namespace
