#include "progress_line.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>

#include "command_table.h"
#include "counted.h"

namespace {

TEST(CountedTest, OneWordingForEveryCount) {
  EXPECT_EQ(tool::Counted(0, "message"), "0 messages");
  EXPECT_EQ(tool::Counted(1, "message"), "1 message");
  EXPECT_EQ(tool::Counted(2, "message"), "2 messages");
  EXPECT_EQ(tool::Counted(1, "entry", "entries"), "1 entry");
  EXPECT_EQ(tool::Counted(12, "entry", "entries"), "12 entries");
  EXPECT_EQ(tool::ProgressText("pkgtool", "packing", 1, 1, 1'250'000),
            "pkgtool: packing 1/1 file, 1.2 MB");
  EXPECT_EQ(tool::ProgressText("pkgtool", "extracting", 3, 10, 0),
            "pkgtool: extracting 3/10 files, 0.0 MB");
}

// What a progress line wrote to its (non-terminal) file.
class ProgressLineTest : public ::testing::Test {
 protected:
  std::string Written() {
    std::fflush(file_.get());
    std::rewind(file_.get());
    std::string text;
    for (int c; (c = std::fgetc(file_.get())) != EOF;) text += static_cast<char>(c);
    return text;
  }

  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file_{std::tmpfile(), std::fclose};
};

TEST_F(ProgressLineTest, IsErasedBeforeOtherMessagesAndWhenItEnds) {
  {
    tool::ProgressLine progress("pkgtool", "packing", file_.get(), true);
    progress.Show(2, 2, 2'000'000);
    // A message of the tool first erases the line (the message itself goes to stderr).
    tool::Fail("pkgtool", 0, "a message");
    progress.Show(2, 2, 2'000'000);
  }
  const std::string line = "pkgtool: packing 2/2 files, 2.0 MB";
  const std::string blank = "\r" + std::string(line.size(), ' ') + "\r";
  EXPECT_EQ(Written(), "\r" + line + blank + "\r" + line + blank);
}

TEST_F(ProgressLineTest, ShowsNothingWhenNotOnATerminal) {
  {
    tool::ProgressLine progress("pkgtool", "packing", file_.get(), false);
    progress.Show(1, 1, 10);
    tool::EraseProgressLine();
  }
  EXPECT_EQ(Written(), "");
}

}  // namespace
