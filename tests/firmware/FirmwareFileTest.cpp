#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "firmware/FirmwareFile.h"
#include "support/test_support.h"

namespace fs = std::filesystem;

namespace {

std::vector<std::uint8_t> Image(std::size_t n) {
  std::vector<std::uint8_t> image(n);
  for (std::size_t i = 0; i < n; ++i) image[i] = static_cast<std::uint8_t>(i * 13 + 1);
  return image;
}

std::string Write(const fs::path& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
  return path.string();
}

std::vector<std::uint8_t> Read(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

FirmwareFileHeader Header(const char* model, std::vector<const char*> fields) {
  FirmwareFileHeader h{};
  std::snprintf(h.szModel, sizeof h.szModel, "%s", model);
  for (std::size_t n = 0; n < fields.size(); ++n)
    std::snprintf(h.szField[n], sizeof h.szField[n], "%s", fields[n]);
  return h;
}

}  // namespace

TEST(FirmwareName, VendorMarkIsCountedFromTheEnd) {
  EXPECT_TRUE(IsVendorFirmwareName("/x/ABC_VNT.bin"));
  EXPECT_TRUE(IsVendorFirmwareName("/x/ABCxVNT.bin"));
  EXPECT_FALSE(IsVendorFirmwareName("/x/ABC_vnt.bin"));
  EXPECT_FALSE(IsVendorFirmwareName("/x/ABC_VNX.bin"));
  EXPECT_FALSE(IsVendorFirmwareName("/x/ABC_XNT.bin"));
  EXPECT_FALSE(IsVendorFirmwareName("/x/ABC_VNT.binx"));
  // Names shorter than the mark are refused, not read before their start.
  EXPECT_TRUE(IsVendorFirmwareName("VNT.bin"));
  EXPECT_FALSE(IsVendorFirmwareName("NT.bin"));
  EXPECT_FALSE(IsVendorFirmwareName(""));
  EXPECT_EQ(FolderOfPath("/home/u/fw/A_VNT.bin"), "/home/u/fw");
  EXPECT_EQ(FolderOfPath("A_VNT.bin"), "");
}

TEST(FirmwareStrip, HeaderModeIsTriedOnItsOwnCrc) {
  testsupport::TempDir dir;
  const auto image = Image(5000);
  const auto temp = (dir.path() / FIRMWARE_TEMP_NAME).string();
  auto with = Write(dir.path() / "A_VNT.bin", BuildFirmwareFile("R-710", {"V1.05", "V01"}, image));
  auto without = Write(dir.path() / "B_VNT.bin", BuildFirmwareFile("", {}, image, false));

  EXPECT_TRUE(StripFirmwareImage(with, temp, FirmwareLayout::WithHeader));
  EXPECT_EQ(Read(temp), image);
  EXPECT_FALSE(StripFirmwareImage(with, temp, FirmwareLayout::Headerless));
  EXPECT_FALSE(fs::exists(temp));  // a failed test removes the image

  EXPECT_FALSE(StripFirmwareImage(without, temp, FirmwareLayout::WithHeader));
  EXPECT_TRUE(StripFirmwareImage(without, temp, FirmwareLayout::Headerless));
  EXPECT_EQ(Read(temp), image);
}

TEST(FirmwareStrip, BadFilesFailCleanly) {
  testsupport::TempDir dir;
  const auto temp = (dir.path() / FIRMWARE_TEMP_NAME).string();
  auto file = BuildFirmwareFile("R-710", {"V1.05"}, Image(300));
  file[100] ^= 0x40;
  EXPECT_FALSE(StripFirmwareImage(Write(dir.path() / "crc_VNT.bin", file), temp,
                                  FirmwareLayout::WithHeader));
  EXPECT_FALSE(
      StripFirmwareImage(Write(dir.path() / "short_VNT.bin", std::vector<std::uint8_t>(68)), temp,
                         FirmwareLayout::WithHeader));
  EXPECT_FALSE(StripFirmwareImage(Write(dir.path() / "tiny_VNT.bin", {1, 2, 3}), temp,
                                  FirmwareLayout::Headerless));
  EXPECT_FALSE(StripFirmwareImage((dir.path() / "missing_VNT.bin").string(), temp,
                                  FirmwareLayout::WithHeader));
  // An image over the limit is refused even with a correct CRC.
  auto big = Write(dir.path() / "big_VNT.bin",
                   BuildFirmwareFile("R-710", {"V1.05"}, Image(FIRMWARE_MAX_IMAGE + 1)));
  EXPECT_FALSE(StripFirmwareImage(big, temp, FirmwareLayout::WithHeader));
  // A folder that cannot take the image fails the test.
  auto good = Write(dir.path() / "good_VNT.bin", BuildFirmwareFile("R-710", {"V1.05"}, Image(300)));
  EXPECT_FALSE(StripFirmwareImage(good, (dir.path() / "gone" / FIRMWARE_TEMP_NAME).string(),
                                  FirmwareLayout::WithHeader));
  auto limit = Write(dir.path() / "limit_VNT.bin",
                     BuildFirmwareFile("R-710", {"V1.05"}, Image(FIRMWARE_MAX_IMAGE)));
  EXPECT_TRUE(StripFirmwareImage(limit, temp, FirmwareLayout::WithHeader));
  // An empty image (a headerless file of just a CRC) is its own CRC's input.
  EXPECT_TRUE(
      StripFirmwareImage(Write(dir.path() / "empty_VNT.bin", BuildFirmwareFile("", {}, {}, false)),
                         temp, FirmwareLayout::Headerless));
}

TEST(FirmwareStrip, NeverOverwritesTheUsersFile) {
  testsupport::TempDir dir;
  auto bytes = BuildFirmwareFile("R-710", {"V1.05"}, Image(200));
  const auto temp = (dir.path() / FIRMWARE_TEMP_NAME).string();
  // The chosen file itself at the temporary image's name (directly or
  // through a link to it) is refused.
  auto own = Write(temp, bytes);
  fs::create_symlink(own, dir.path() / "link_VNT.bin");
  EXPECT_FALSE(StripFirmwareImage(own, temp, FirmwareLayout::WithHeader));
  EXPECT_FALSE(
      StripFirmwareImage((dir.path() / "link_VNT.bin").string(), temp, FirmwareLayout::WithHeader));
  EXPECT_EQ(Read(own), bytes);
}

TEST(FirmwareStrip, LinksAtTemporaryNamesAreReplacedNotWrittenThrough) {
  testsupport::TempDir dir;
  auto bytes = BuildFirmwareFile("R-710", {"V1.05"}, Image(200));
  auto own = Write(dir.path() / "mine_VNT.bin", bytes);
  const auto temp = (dir.path() / FIRMWARE_TEMP_NAME).string();
  const std::string mine = temp + ".tmp." + std::to_string(getpid()) + ".";
  fs::create_symlink(own, temp + ".part");
  fs::create_hard_link(own, mine + "0");
  fs::create_symlink(own, mine + "1");
  for (const bool symlink : {false, true}) {
    // A link to the user's file at the image's own name is only replaced.
    fs::remove(temp);
    symlink ? fs::create_symlink(own, temp) : fs::create_hard_link(own, temp);
    EXPECT_TRUE(StripFirmwareImage(own, temp, FirmwareLayout::WithHeader));
    EXPECT_EQ(Read(own), bytes);
    EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(temp)));
    EXPECT_EQ(Read(temp), Image(200));
  }
}

TEST(FirmwareStrip, UnreadableFilesAreToldFromWrongContent) {
  testsupport::TempDir dir;
  const auto temp = (dir.path() / FIRMWARE_TEMP_NAME).string();
  FirmwareFileError error;
  const auto folder = dir.path() / "dir_VNT.bin";
  fs::create_directory(folder);
  EXPECT_FALSE(StripFirmwareImage(folder.string(), temp, FirmwareLayout::WithHeader, &error));
  EXPECT_EQ(error.kind, FirmwareFileError::Read);
  EXPECT_EQ(error.text, folder.string() + ": Is a directory");
  // A FIFO would block the window for ever.
  const auto fifo = dir.path() / "fifo_VNT.bin";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_FALSE(StripFirmwareImage(fifo.string(), temp, FirmwareLayout::WithHeader, &error));
  EXPECT_EQ(error.text, fifo.string() + ": not a regular file");
  auto bad = Write(dir.path() / "bad_VNT.bin", std::vector<std::uint8_t>(100, 7));
  EXPECT_FALSE(StripFirmwareImage(bad, temp, FirmwareLayout::WithHeader, &error));
  EXPECT_EQ(error.kind, FirmwareFileError::None);
  if (geteuid() != 0) {  // root reads every file
    auto locked = Write(dir.path() / "locked_VNT.bin", std::vector<std::uint8_t>(100, 7));
    fs::permissions(locked, fs::perms::none);
    EXPECT_FALSE(StripFirmwareImage(locked, temp, FirmwareLayout::WithHeader, &error));
    EXPECT_EQ(error.text, locked + ": Permission denied");
  }
}

TEST(FirmwareStrip, UnwritableFolderFailsWithoutAPartialImage) {
  if (geteuid() == 0) GTEST_SKIP() << "root writes anywhere";
  testsupport::TempDir dir;
  auto src = Write(dir.path() / "A_VNT.bin", BuildFirmwareFile("R-710", {"V1.05"}, Image(200)));
  fs::create_directory(dir.path() / "ro");
  fs::permissions(dir.path() / "ro", fs::perms::owner_read | fs::perms::owner_exec);
  const auto temp = dir.path() / "ro" / FIRMWARE_TEMP_NAME;
  EXPECT_FALSE(StripFirmwareImage(src, temp.string(), FirmwareLayout::WithHeader));
  EXPECT_FALSE(fs::exists(temp));
  EXPECT_FALSE(fs::exists(temp.string() + ".tmp." + std::to_string(getpid()) + ".0"));
  fs::permissions(dir.path() / "ro", fs::perms::owner_all);
}

TEST(FirmwareHeader, ReadsModelAndFieldsTerminated) {
  testsupport::TempDir dir;
  auto path =
      Write(dir.path() / "A_VNT.bin",
            BuildFirmwareFile("Roamline38",
                              {"V1.23", "V01", "V02", "", "", "", "V09", "", "", "", "VABCDEFG"},
                              Image(10)));
  FirmwareFileHeader h;
  ASSERT_TRUE(ReadFirmwareHeader(path, h));
  EXPECT_STREQ(h.szModel, "Roamline38");  // all ten bytes, no terminator in the file
  EXPECT_STREQ(h.szField[0], "V1.23");
  EXPECT_STREQ(h.szField[2], "V02");
  EXPECT_STREQ(h.szField[6], "V09");
  EXPECT_STREQ(h.szField[10], "VABCD");
}

TEST(FirmwareHeader, HeaderlessR710NameGivesTheHeader) {
  FirmwareFileHeader h;
  HeaderFromFileName("/fw/R710_FW_V1.23_VNT.bin", h);
  EXPECT_STREQ(h.szModel, "R-710");
  EXPECT_STREQ(h.szField[0], "V1.23");
  EXPECT_STREQ(h.szField[1], "V01");
  EXPECT_STREQ(h.szField[2], "V02");
  EXPECT_STREQ(h.szField[3], "");
  HeaderFromFileName("/fw/R720_FW_V1.23_VNT.bin", h);
  EXPECT_STREQ(h.szModel, "");
  HeaderFromFileName("V_VNT.bin", h);  // too short to hold the digits
  EXPECT_STREQ(h.szModel, "");
  EXPECT_EQ(CompareFirmwareHeader(h, "R-710", "V01", "100", FALSE), 435u);
}

TEST(FirmwareHeader, ModelNamesAreNormalisedByPrefix) {
  auto norm = [](const char* in) {
    char model[20] = {};
    std::snprintf(model, sizeof model, "%s", in);
    NormaliseFirmwareModel(model);
    return std::string(model);
  };
  EXPECT_EQ(norm("TX370"), "R-710");
  EXPECT_EQ(norm("R710"), "R-710");
  EXPECT_EQ(norm("R-3500"), "R-3300D");
  EXPECT_EQ(norm("R3300D"), "R-3300D");
  EXPECT_EQ(norm("TX-380"), "Roamline38");
  EXPECT_EQ(norm("TX380A"), "Roamline38");
  EXPECT_EQ(norm("GT-31"), "GT-31");
}

TEST(FirmwareHeader, VerdictsFollowModelHardwareAndVersion) {
  auto h = Header("R-710", {"V1.05", "V01", "V02", "", "", "", "V03"});
  EXPECT_EQ(CompareFirmwareHeader(h, "R-3300D", "V02", "104", FALSE), 435u);
  EXPECT_EQ(CompareFirmwareHeader(h, "R-710", "V02", "104", FALSE), 437u);
  EXPECT_EQ(CompareFirmwareHeader(h, "R-710", "V02", "105", FALSE), 438u);
  EXPECT_EQ(CompareFirmwareHeader(h, "R-710", "V02", "106", FALSE), 439u);
  EXPECT_EQ(CompareFirmwareHeader(h, "R-710", "V02", "104", TRUE), 116u);
  EXPECT_EQ(CompareFirmwareHeader(h, "R-710", "V03", "104", FALSE), 436u);  // field 6 not compared
  EXPECT_FALSE(VerdictAllowsUpdate(436));
  EXPECT_TRUE(VerdictAllowsUpdate(439));
  // Forced mode: "Roamline38", "V01", firmware text of V0.00.
  auto r38 = Header("Roamline38", {"V1.01", "V01"});
  EXPECT_EQ(CompareFirmwareHeader(r38, "Roamline38", "V01", "V0.00", TRUE), 116u);
  EXPECT_EQ(FirmwareFileVersion("V1.23"), 123);
  EXPECT_EQ(FirmwareFileVersion(""), 0);
}
