#include <stdlib.h>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include "device.h"
#include "host_execution.h"
#include "journal.h"
#include "platform/ce.h"
#include "testing/temp_device.h"

namespace {

class ProcessTest : public ::testing::Test {
 protected:
  void TearDown() override { emu::ResetHostExecution(); }

  BOOL Start(const char16_t* application, std::u16string commandLine) {
    PROCESS_INFORMATION info{};
    const BOOL started = CreateProcessW(application, commandLine.data(), nullptr, nullptr, FALSE, 0,
                                        nullptr, nullptr, nullptr, &info);
    if (started) {
      EXPECT_EQ(CloseHandle(info.hThread), TRUE);
      EXPECT_EQ(CloseHandle(info.hProcess), TRUE);
      EXPECT_EQ(CloseHandle(info.hProcess), FALSE);
    }
    return started;
  }
  std::string Journal() {
    std::string lines;
    EXPECT_TRUE(emu::ReadJournal(*emu::CurrentDevice(), &lines).ok());
    return lines;
  }
  // A shell script on the device that records its environment and arguments in `out`.
  void WriteRecorder(std::u16string_view cePath, const std::string& out) {
    device_.WriteFile(cePath, "#!/bin/sh\nprintf '%s|%s|%s' \"$CE_DEVICE\" \"$#\" \"$1\" > " + out +
                                  ".tmp && mv " + out + ".tmp " + out + "\n");
    std::filesystem::permissions(device_.HostPath(cePath), std::filesystem::perms::owner_exec,
                                 std::filesystem::perm_options::add);
  }
  // Waits for a file that a detached program writes; empty when it never comes.
  static std::string Await(const std::string& path) {
    for (int i = 0; i < 600 && !std::filesystem::exists(path); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return std::filesystem::exists(path) ? test::ReadHostFile(path) : std::string();
  }

  test::TempDevice device_;
};

TEST_F(ProcessTest, MissingFilesFoldersAndEmptyNamesFail) {
  EXPECT_EQ(Start(u"\\Windows\\missing.exe", u"-x"), FALSE);
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(Start(u"\\Windows", u""), FALSE);
  EXPECT_EQ(Start(u"", u""), FALSE);
  EXPECT_EQ(Start(nullptr, u"a b"), FALSE);
  EXPECT_EQ(Journal(),
            "{\"seq\":1,\"kind\":\"process\",\"application\":\"\\\\Windows\\\\missing.exe\","
            "\"commandLine\":\"-x\",\"started\":false}\n"
            "{\"seq\":2,\"kind\":\"process\",\"application\":\"\\\\Windows\","
            "\"commandLine\":\"\",\"started\":false}\n"
            "{\"seq\":3,\"kind\":\"process\",\"application\":\"\","
            "\"commandLine\":\"\",\"started\":false}\n"
            "{\"seq\":4,\"kind\":\"process\",\"application\":null,"
            "\"commandLine\":\"a b\",\"started\":false}\n");
  std::vector<emu::JournalEvent> events;
  ASSERT_TRUE(emu::ReadEvents(*emu::CurrentDevice(), 0, &events).ok());
  ASSERT_EQ(events.size(), 4u);
  ASSERT_TRUE(events[0].process.has_value());
  EXPECT_EQ(events[0].process->application, std::u16string(u"\\Windows\\missing.exe"));
  EXPECT_EQ(events[0].process->commandLine, std::u16string(u"-x"));
  EXPECT_FALSE(events[0].process->started);
  EXPECT_EQ(events[3].process->application, std::nullopt);
}

TEST_F(ProcessTest, BareNamesAreLookedForInWindowsThenRootWithExe) {
  device_.WriteFile(u"\\Windows\\tool.exe", "MZ");
  device_.WriteFile(u"\\other.exe", "MZ");
  device_.WriteFile(u"\\Program Files\\App\\app.exe", "MZ");
  EXPECT_EQ(Start(u"tool", u""), TRUE);
  EXPECT_EQ(Start(u"TOOL.EXE", u""), TRUE);
  EXPECT_EQ(Start(u"other", u""), TRUE);
  EXPECT_EQ(Start(u"\\Program Files\\App\\app", u"-firstRun"), TRUE);
  EXPECT_EQ(Start(u"\\Program Files\\App\\APP.EXE", u""), TRUE);
  EXPECT_EQ(Start(u"app", u""), FALSE);
  const std::string journal = Journal();
  EXPECT_NE(journal.find("\"application\":\"tool\",\"commandLine\":\"\",\"started\":true"),
            std::string::npos);
  EXPECT_NE(journal.find("\"application\":\"app\",\"commandLine\":\"\",\"started\":false"),
            std::string::npos);
}

TEST_F(ProcessTest, HostExecutableFileRunsWithTheDeviceAndOneArgument) {
  const std::string out = device_.hostDir() + "/ran";
  WriteRecorder(u"\\Program Files\\App\\app.exe", out);
  ASSERT_EQ(Start(u"\\Program Files\\App\\app.exe", u"-firstRun -zandrel"), TRUE);
  EXPECT_EQ(Await(out), device_.hostDir() + "|1|-firstRun -zandrel");

  std::filesystem::remove(out);
  ASSERT_EQ(Start(u"\\program files\\app\\APP", u""), TRUE);
  EXPECT_EQ(Await(out), device_.hostDir() + "|0|");
}

TEST_F(ProcessTest, HostExecutionCanBeSwitchedOff) {
  const std::string out = device_.hostDir() + "/ran";
  WriteRecorder(u"\\Windows\\app.exe", out);
  emu::SetHostExecution(false);
  ASSERT_EQ(Start(u"app", u"x"), TRUE);
  // Proves the switch: a second, plain program with the same journal shape does run
  // once execution is back on, and the first never wrote its file.
  emu::SetHostExecution(true);
  const std::string second = device_.hostDir() + "/second";
  WriteRecorder(u"\\Windows\\second.exe", second);
  ASSERT_EQ(Start(u"second", u"y"), TRUE);
  EXPECT_EQ(Await(second), device_.hostDir() + "|1|y");
  EXPECT_FALSE(std::filesystem::exists(out));
  EXPECT_NE(Journal().find("\"application\":\"app\",\"commandLine\":\"x\",\"started\":true"),
            std::string::npos);
}

TEST_F(ProcessTest, EnvironmentSwitchesHostExecutionUnlessOverridden) {
  ASSERT_EQ(::setenv("CE_DEVICE_HOST_EXEC", "0", 1), 0);
  EXPECT_FALSE(emu::HostExecutionEnabled());
  emu::SetHostExecution(true);
  EXPECT_TRUE(emu::HostExecutionEnabled());
  emu::ResetHostExecution();
  EXPECT_FALSE(emu::HostExecutionEnabled());
  ASSERT_EQ(::setenv("CE_DEVICE_HOST_EXEC", "1", 1), 0);
  EXPECT_TRUE(emu::HostExecutionEnabled());
  ASSERT_EQ(::unsetenv("CE_DEVICE_HOST_EXEC"), 0);
  EXPECT_TRUE(emu::HostExecutionEnabled());
}

}  // namespace
