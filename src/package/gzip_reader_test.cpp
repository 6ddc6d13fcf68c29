#include "package/gzip_reader.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <string>

#include "testing/gzip_bytes.h"
#include "testing/temp_device.h"

#if UPDATER_HAS_ISAL
#include "package/gzip_reader_isal.h"
#endif

namespace {

void AppendWord(std::string& out, std::uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out += static_cast<char>(value >> (8 * i));
}

// A gzip member made field by field, so that a test can put in what no encoder writes.
struct Member {
  std::string data{};
  int flags = 0;
  int method = 8;
  std::string extra{};
  std::string name{};
  std::string comment{};
  bool headerCrc = false;
  std::uint32_t headerCrcFlip = 0;
  std::uint32_t crcFlip = 0;
  std::uint32_t lengthFlip = 0;

  std::string Bytes() const {
    std::string out = "\x1f\x8b";
    out += static_cast<char>(method);
    const int allFlags = flags | (extra.empty() ? 0 : 4) | (name.empty() ? 0 : 8) |
                         (comment.empty() ? 0 : 16) | (headerCrc ? 2 : 0);
    out += static_cast<char>(allFlags);
    out += std::string("\x01\x02\x03\x04\x00\x03", 6);  // time, extra flags, system
    if (!extra.empty()) {
      AppendWord(out, static_cast<std::uint32_t>(extra.size()), 2);
      out += extra;
    }
    if (!name.empty()) out += name + '\0';
    if (!comment.empty()) out += comment + '\0';
    if (headerCrc) {
      const auto crc =
          crc32(0, reinterpret_cast<const Bytef*>(out.data()), static_cast<uInt>(out.size()));
      AppendWord(out, (crc ^ headerCrcFlip) & 0xFFFF, 2);
    }
    out += test::RawDeflateBytes(data);
    const auto crc =
        crc32(0, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size()));
    AppendWord(out, static_cast<std::uint32_t>(crc) ^ crcFlip, 4);
    AppendWord(out, static_cast<std::uint32_t>(data.size()) ^ lengthFlip, 4);
    return out;
  }
};

// What reading a whole file gives: the bytes, or the failure.
std::string ReadAll(GzipOpener open, const test::TempDevice& device, std::string_view file) {
  device.WriteFile(u"\\Temp\\Tool.gz", file);
  const std::unique_ptr<GzipReader> reader = open("\\Temp\\Tool.gz");
  if (reader == nullptr) return "<no file>";
  std::string out;
  unsigned char block[16384];
  for (;;) {
    const int read = reader->Read(block, sizeof block);
    if (read < 0) return "<damaged>";
    if (read == 0) break;
    out.append(reinterpret_cast<const char*>(block), static_cast<std::size_t>(read));
  }
  return reader->Close() ? out : "<cut off>";
}

struct Engine {
  const char* name;
  GzipOpener open;
};

class GzipReaderTest : public ::testing::TestWithParam<Engine> {
 protected:
  std::string Read(std::string_view file) { return ReadAll(GetParam().open, device_, file); }

  test::TempDevice device_;
};

TEST_P(GzipReaderTest, OptionalHeaderFieldsArePassedOver) {
  Member member{.data = "content",
                .extra = std::string("ab\0cd", 5),
                .name = "Tool",
                .comment = "made for a test",
                .headerCrc = true};
  EXPECT_EQ(Read(member.Bytes()), "content");
}

TEST_P(GzipReaderTest, ABadHeaderIsDamage) {
  EXPECT_EQ(Read(Member{.data = "x", .headerCrc = true, .headerCrcFlip = 1}.Bytes()), "<damaged>");
  EXPECT_EQ(Read(Member{.data = "x", .method = 7}.Bytes()), "<damaged>");
  for (const int reserved : {0x20, 0x40, 0x80}) {
    EXPECT_EQ(Read(Member{.data = "x", .flags = reserved}.Bytes()), "<damaged>") << reserved;
  }
}

TEST_P(GzipReaderTest, ATrailerThatDoesNotMatchIsDamage) {
  EXPECT_EQ(Read(Member{.data = "checked", .crcFlip = 0x100}.Bytes()), "<damaged>");
  EXPECT_EQ(Read(Member{.data = "checked", .lengthFlip = 1}.Bytes()), "<damaged>");
}

TEST_P(GzipReaderTest, BytesAfterAMemberAreIgnoredUnlessTheyBeginAnother) {
  const std::string member = test::GzipBytes("data");
  EXPECT_EQ(Read(member + "trailing bytes"), "data");
  EXPECT_EQ(Read(member + "\x1f"), "data");
  EXPECT_EQ(Read(member + "\x1f\x8b"), "<cut off>");
  EXPECT_EQ(Read(member + test::GzipBytes("more") + "\x1f\x8c"), "datamore");
}

TEST_P(GzipReaderTest, OnlyTheFullSignatureMakesAMember) {
  EXPECT_EQ(Read("\x1f"), "\x1f");
  EXPECT_EQ(Read("\x1f\x8c plain"), "\x1f\x8c plain");
  EXPECT_EQ(Read(""), "");
}

TEST_P(GzipReaderTest, MembersAndPlainDataAcrossLargeBlocks) {
  // Stored members put their boundaries at chosen offsets around the engines' 256 KiB
  // and 512 KiB blocks; the plain file is longer than a block.
  const std::string first = test::RandomBytes(262144 - 30, 7);
  const std::string second = test::RandomBytes(300000, 8);
  const std::string file = test::GzipBytes(first, 0) + test::GzipBytes(second, 0) +
                           test::GzipBytes(second.substr(0, 524288 - 262144 - 18), 0);
  EXPECT_TRUE(Read(file) == first + second + second.substr(0, 524288 - 262144 - 18));
  const std::string plain = "plain" + test::RandomBytes(700000, 9);
  EXPECT_TRUE(Read(plain) == plain);
}

TEST_P(GzipReaderTest, AMemberCutAnywhereIsCutOffOrDamage) {
  const std::string file = Member{.data = test::RandomBytes(300, 10) + std::string(300, 'a'),
                                  .name = "Tool",
                                  .headerCrc = true}
                               .Bytes();
  for (std::size_t cut = 2; cut < file.size(); ++cut) {
    const std::string result = Read(file.substr(0, cut));
    EXPECT_TRUE(result == "<cut off>" || result == "<damaged>") << cut;
  }
}

INSTANTIATE_TEST_SUITE_P(Engines, GzipReaderTest,
                         ::testing::Values(Engine{"zlib", OpenZlibGzipReader}
#if UPDATER_HAS_ISAL
                                           ,
                                           Engine{"isal", OpenIsalGzipReader}
#endif
                                           ),
                         [](const ::testing::TestParamInfo<Engine>& info) {
                           return info.param.name;
                         });

#if UPDATER_HAS_ISAL
// Every single-byte change and every cut of a small two-member file: both engines must
// tell success from failure the same way, and agree on the bytes when they succeed.
TEST(GzipEnginesTest, AgreeOnEveryDamagedOrCutFile) {
  test::TempDevice device;
  const std::string file =
      Member{.data = "first member, " + std::string(40, 'x'), .name = "Tool", .headerCrc = true}
          .Bytes() +
      test::GzipBytes("second member") + "tail";
  const auto agree = [&](const std::string& variant, const std::string& what) {
    const std::string zlib = ReadAll(OpenZlibGzipReader, device, variant);
    const std::string isal = ReadAll(OpenIsalGzipReader, device, variant);
    const bool zlibOk = zlib != "<damaged>" && zlib != "<cut off>";
    const bool isalOk = isal != "<damaged>" && isal != "<cut off>";
    EXPECT_EQ(zlibOk, isalOk) << what << ": zlib " << zlib << ", isal " << isal;
    if (zlibOk && isalOk) {
      EXPECT_EQ(zlib, isal) << what;
    }
  };
  for (std::size_t i = 0; i < file.size(); ++i) {
    for (const unsigned char mask : {0x01, 0x80, 0xFF}) {
      std::string variant = file;
      variant[i] = static_cast<char>(variant[i] ^ mask);
      agree(variant, "byte " + std::to_string(i) + " ^ " + std::to_string(mask));
    }
    agree(file.substr(0, i), "cut at " + std::to_string(i));
  }
}
#endif

}  // namespace
