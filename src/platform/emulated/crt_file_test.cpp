#include <sys/stat.h>

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstring>
#include <string>

#include "platform/ce.h"
#include "testing/temp_device.h"
#include "write_limit.h"

namespace {

class CrtFileTest : public ::testing::Test {
 protected:
  void TearDown() override { emu::SetWriteLimit(-1); }
  test::TempDevice device_;
};

TEST_F(CrtFileTest, ModesCreateTruncateAndKeep) {
  device_.WriteFile(u"\\Temp\\a.bin", "old content");
  FILE* file = ce::fopen("\\Temp\\a.bin", "r+b");
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(ce::fwrite("NEW", 1, 3, file), 3u);
  ce::fclose(file);
  EXPECT_EQ(device_.ReadFile(u"\\Temp\\a.bin"), "NEW content");

  file = ce::fopen("\\Temp\\a.bin", "wb");
  ASSERT_NE(file, nullptr);
  ce::fclose(file);
  EXPECT_EQ(device_.ReadFile(u"\\Temp\\a.bin"), "");

  file = ce::fopen("\\Temp\\b.bin", "w+b");
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(ce::fwrite("abcdef", 2, 3, file), 3u);
  ce::fpos_t start;
  ASSERT_EQ(ce::fseek(file, 2, SEEK_SET), 0);
  ASSERT_EQ(ce::fgetpos(file, &start), 0);
  char buffer[8] = {};
  EXPECT_EQ(ce::fread(buffer, 1, 8, file), 4u);
  EXPECT_STREQ(buffer, "cdef");
  ASSERT_EQ(ce::fsetpos(file, &start), 0);
  EXPECT_EQ(ce::fread(buffer, 2, 1, file), 1u);
  EXPECT_EQ(std::string(buffer, 2), "cd");
  EXPECT_EQ(ce::fclose(file), 0);

  // Read, written over, read again: the new content, far from the end as near it.
  file = ce::fopen("\\Temp\\c.bin", "w+b");
  ASSERT_NE(file, nullptr);
  const std::string many(100000, 'a');
  EXPECT_EQ(ce::fwrite(many.data(), 1, many.size(), file), many.size());
  for (const long at : {0L, 99998L}) {
    ASSERT_EQ(ce::fseek(file, at, SEEK_SET), 0);
    EXPECT_EQ(ce::fread(buffer, 1, 2, file), 2u);
    ASSERT_EQ(ce::fseek(file, at, SEEK_SET), 0);
    EXPECT_EQ(ce::fwrite("bb", 1, 2, file), 2u);
    ASSERT_EQ(ce::fseek(file, at, SEEK_SET), 0);
    EXPECT_EQ(ce::fread(buffer, 1, 2, file), 2u);
    EXPECT_EQ(std::string(buffer, 2), "bb") << at;
  }
  EXPECT_EQ(ce::fclose(file), 0);

  EXPECT_EQ(ce::fopen("\\Temp\\missing.bin", "rb"), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(ce::fopen("\\Temp\\missing.bin", "r+b"), nullptr);
  EXPECT_EQ(ce::fopen("\\Temp\\a.bin", "ab"), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(ce::fopen("\\Temp", "rb"), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
}

TEST_F(CrtFileTest, NarrowPathsAreInTheDeviceCodePage) {
  FILE* file = ce::fopen("\\Temp\\caf\xe9 \x80.txt", "wb");  // é and the euro sign
  ASSERT_NE(file, nullptr);
  ce::fclose(file);
  EXPECT_TRUE(device_.Exists(u"\\Temp\\caf\u00e9 \u20ac.txt"));
}

TEST_F(CrtFileTest, CreatedFilesNeverGetAnExecuteBit) {
  const mode_t previous = ::umask(0);
  FILE* file = ce::fopen("\\Temp\\prog.exe", "wb");
  ::umask(previous);
  ASSERT_NE(file, nullptr);
  ce::fclose(file);
  struct stat info;
  ASSERT_EQ(::stat(device_.HostPath(u"\\Temp\\prog.exe").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0111, 0u);
}

TEST_F(CrtFileTest, WriteLimitGivesAShortCountAndDiskFull) {
  FILE* file = ce::fopen("\\Temp\\full.bin", "wb");
  ASSERT_NE(file, nullptr);
  emu::SetWriteLimit(10);
  EXPECT_EQ(ce::fwrite("12345678", 1, 8, file), 8u);
  EXPECT_EQ(ce::fwrite("abcd", 2, 2, file), 1u);  // only whole items that fit
  EXPECT_EQ(GetLastError(), ERROR_DISK_FULL);
  EXPECT_EQ(ce::fwrite("z", 1, 1, file), 0u);
  EXPECT_EQ(GetLastError(), ERROR_DISK_FULL);
  ce::fclose(file);
  EXPECT_EQ(device_.ReadFile(u"\\Temp\\full.bin"), "12345678ab");
  emu::SetWriteLimit(-1);
  file = ce::fopen("\\Temp\\full.bin", "r+b");
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(ce::fwrite("more", 1, 4, file), 4u);
  ce::fclose(file);
}

TEST_F(CrtFileTest, GzopenReadsAndWritesOnDevicePaths) {
  gzFile out = ce::gzopen("\\Temp\\data.gz", "wb");
  ASSERT_NE(out, nullptr);
  ASSERT_EQ(gzwrite(out, "hello gzip", 10), 10);
  ASSERT_EQ(gzclose(out), Z_OK);
  EXPECT_EQ(device_.ReadFile(u"\\Temp\\data.gz").substr(0, 2), "\x1f\x8b");

  gzFile in = ce::gzopen("\\TEMP\\DATA.GZ", "rb");
  ASSERT_NE(in, nullptr);
  char buffer[32] = {};
  EXPECT_EQ(gzread(in, buffer, sizeof buffer), 10);
  EXPECT_STREQ(buffer, "hello gzip");
  gzclose(in);

  // A file without the gzip signature is read as it is.
  device_.WriteFile(u"\\Temp\\plain.gz", "plain");
  in = ce::gzopen("\\Temp\\plain.gz", "rb");
  ASSERT_NE(in, nullptr);
  EXPECT_EQ(gzread(in, buffer, sizeof buffer), 5);
  gzclose(in);

  EXPECT_EQ(ce::gzopen("\\Temp\\missing.gz", "rb"), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
}

TEST_F(CrtFileTest, AFileOpenHereCannotBeWrittenOrDeletedThroughAnySpelling) {
  device_.WriteFile(u"\\Temp\\A", "held");
  const struct {
    const char* narrow;
    const char16_t* wide;
  } spellings[] = {{"\\Temp\\A", u"\\Temp\\A"},
                   {"\\temp\\a", u"\\temp\\a"},
                   {"\\Temp\\X\\..\\A", u"\\Temp\\X\\..\\A"},
                   {"Temp/A/.", u"Temp/A/."}};
  // Held by the C run-time, then by zlib, whose gzclose closes the file unseen.
  for (const bool gzip : {false, true}) {
    SCOPED_TRACE(gzip ? "gzopen" : "fopen");
    FILE* stream = gzip ? nullptr : ce::fopen("\\Temp\\A", "rb");
    gzFile compressed = gzip ? ce::gzopen("\\Temp\\A", "rb") : nullptr;
    ASSERT_TRUE(stream != nullptr || compressed != nullptr);
    for (const auto& path : spellings) {
      SCOPED_TRACE(path.narrow);
      // Reading again is allowed, and closing that reader does not free the file.
      FILE* reader = ce::fopen(path.narrow, "rb");
      ASSERT_NE(reader, nullptr);
      ce::fclose(reader);
      for (const char* mode : {"w+b", "wb", "r+b"}) {
        SetLastError(0);
        EXPECT_EQ(ce::fopen(path.narrow, mode), nullptr) << mode;
        EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION) << mode;
      }
      EXPECT_EQ(ce::gzopen(path.narrow, "wb"), nullptr);
      EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
      EXPECT_EQ(DeleteFileW(path.wide), FALSE);
      EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
    }
    EXPECT_EQ(device_.ReadFile(u"\\Temp\\A"), "held");
    if (gzip) {
      ASSERT_EQ(gzclose(compressed), Z_OK);
    } else {
      ASSERT_EQ(ce::fclose(stream), 0);
    }
    for (const char* mode : {"r+b", "wb", "w+b"}) {
      FILE* writer = ce::fopen("\\temp\\a", mode);
      EXPECT_NE(writer, nullptr) << mode;
      if (writer != nullptr) ce::fclose(writer);
    }
    device_.WriteFile(u"\\Temp\\A", "held");
  }
  EXPECT_EQ(DeleteFileW(u"\\TEMP\\A"), TRUE);
}

}  // namespace
