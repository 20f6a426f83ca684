#include <gtest/gtest.h>

#include "firmware/BtMac.h"
#include "sim/BtMacSim.h"

TEST(BtMac, ReplyRegistryAndSentenceFormsAgree) {
  BtMacAddress mac;
  ASSERT_TRUE(ParseBtMacReplyText("$PMTK592,0011223344A5*64\r\n", mac));
  EXPECT_EQ(mac.m[5], 0x00);
  EXPECT_EQ(mac.m[4], 0x11);
  EXPECT_EQ(mac.m[0], 0xA5);  // a byte, never negative
  EXPECT_EQ(FormatBtMacRegistryText(mac), "A5:44:33:22:11:00");
  const std::string body = "$PMTK392,001122,3344A5";
  EXPECT_EQ(BuildBtMacWriteSentence(mac), body + "*" + SentenceChecksum(body) + "\r\n");

  BtMacAddress back;
  ParseBtMacRegistryText("A5:44:33:22:11:00", back);
  EXPECT_EQ(BuildBtMacWriteSentence(back), BuildBtMacWriteSentence(mac));
}

TEST(BtMac, ReplyIsFoundAfterOtherSentencesAndCutAtTheStar) {
  BtMacAddress mac;
  ASSERT_TRUE(ParseBtMacReplyText("$GPGGA,1*00\r\n$PMTK592,,AABBCC001122*3C", mac));
  // A second comma is skipped.
  EXPECT_EQ(mac.m[5], 0xAA);
  EXPECT_EQ(mac.m[3], 0xCC);
  EXPECT_EQ(mac.m[0], 0x22);
  BtMacAddress untouched;
  untouched.m[0] = 7;
  EXPECT_FALSE(ParseBtMacReplyText("$PMTK010,002*2D\r\n", untouched));
  EXPECT_FALSE(ParseBtMacReplyText(nullptr, untouched));
  EXPECT_EQ(untouched.m[0], 7);
  // The reply must start within the first 80 characters.
  std::string late(90, 'x');
  late += "$PMTK592,0011223344A5*64";
  EXPECT_FALSE(ParseBtMacReplyText(late.c_str(), untouched));
}

TEST(BtMac, GarbledRepliesAreNoReply) {
  // Without twelve hexadecimal digits and the right checksum a reply would
  // read as zeros and replace the saved address.
  BtMacAddress mac;
  mac.m[0] = 7;
  for (const char* reply :
       {"$PMTK592,*00", "$PMTK592,12G4*00", "$PMTK592,0011223344A5*65", "$PMTK592,0011223344*7F",
        "$PMTK592,0011223344A5B6*00", "$PMTK592,0011223344A5", "$PMTK592,0011223344A5*6",
        "$PMTK5920011223344A5*64"}) {
    EXPECT_FALSE(ParseBtMacReplyText(reply, mac)) << reply;
    EXPECT_EQ(mac.m[0], 7) << reply;
  }
  EXPECT_TRUE(ParseBtMacReplyText("$PMTK592,0011223344a5*44", mac));  // either case
}

TEST(BtMac, AllFFAndShortRegistryTexts) {
  BtMacAddress mac;
  ASSERT_TRUE(ParseBtMacReplyText("$PMTK592,FFFFFFFFFFFF*10", mac));
  EXPECT_TRUE(mac.AllFF());
  EXPECT_EQ(BuildBtMacWriteSentence(mac).substr(0, 22), "$PMTK392,FFFFFF,FFFFFF");
  ParseBtMacRegistryText("12:34", mac);
  EXPECT_EQ(mac.m[0], 0x12);
  EXPECT_EQ(mac.m[1], 0x34);
  EXPECT_EQ(mac.m[2], 0x00);
  EXPECT_EQ(ParseHexText("0x1a2B"), 0x1A2Bu);
  EXPECT_EQ(ParseHexText("12G4"), 0x12u);
}

TEST(BtMac, SimulatedLoggerAnswersBothSentences) {
  BtMacSim sim;
  sim.address = std::array<std::uint8_t, 6>{0x00, 0x11, 0x22, 0x33, 0x44, 0xA5};
  auto reply = sim.Handle("$PMTK492*3D\r\n");
  ASSERT_TRUE(reply);
  BtMacAddress mac;
  ASSERT_TRUE(ParseBtMacReplyText(reply->c_str(), mac));
  EXPECT_EQ(FormatBtMacRegistryText(mac), "A5:44:33:22:11:00");
  mac.m[0] = 0x01;
  auto ack = sim.Handle(BuildBtMacWriteSentence(mac));
  ASSERT_TRUE(ack);
  EXPECT_EQ(ack->rfind("$PMTK010", 0), 0u);
  EXPECT_EQ((*sim.address)[5], 0x01);
  EXPECT_FALSE(sim.Handle("$PVNT810*25\r\n"));
}
