#include "platform/ce.h"

#include <gtest/gtest.h>

#include <string>

#include "testing/win32/files.h"
#include "testing/win32/programs.h"
#include "testing/win32/scoped_handle.h"
#include "testing/win32/temp_drive.h"

namespace {

class ProgramStartTest : public ::testing::Test {
 protected:
  void SetUp() override {
    drive_.WriteFile(L"\\Program Files\\Kelmora Probe\\Probe.exe",
                     test::ReadWholeFile(test::ProgramBesideThisOne(L"window_probe.exe")));
  }

  // Starts the probe with the CE call and gives the command line it saw.
  std::string CommandLineSeen(const wchar_t* application, const wchar_t* arguments) {
    std::wstring writable = arguments != nullptr ? arguments : L"";
    PROCESS_INFORMATION started{};
    if (!CreateProcessW(application, arguments != nullptr ? writable.data() : nullptr, nullptr,
                        nullptr, FALSE, 0, nullptr, nullptr, nullptr, &started)) {
      return "<not started: " + std::to_string(GetLastError()) + ">";
    }
    const test::ScopedHandle process(started.hProcess);
    const test::ScopedHandle thread(started.hThread);
    test::WaitForExit(process);
    const std::wstring log = std::wstring(kProbe) + L".log";
    std::string line = drive_.ReadFile(log);
    DeleteFileW(log.c_str());
    return line;
  }

  static constexpr wchar_t kProbe[] = L"\\Program Files\\Kelmora Probe\\Probe.exe";
  test::TempDrive drive_;
};

TEST_F(ProgramStartTest, TheProgramGetsTheArgumentsAlone) {
  EXPECT_EQ(CommandLineSeen(kProbe, L"-firstRun -zandrel"), "commandLine -firstRun -zandrel\n");
  EXPECT_EQ(CommandLineSeen(kProbe, L"\"quoted words\" x"), "commandLine \"quoted words\" x\n");
  EXPECT_EQ(CommandLineSeen(kProbe, L""), "commandLine \n");
  EXPECT_EQ(CommandLineSeen(kProbe, nullptr), "commandLine \n");
}

TEST_F(ProgramStartTest, AMissingProgramIsNotStarted) {
  PROCESS_INFORMATION started{};
  EXPECT_FALSE(CreateProcessW(L"\\Program Files\\Kelmora Probe\\Missing.exe", nullptr, nullptr,
                              nullptr, FALSE, 0, nullptr, nullptr, nullptr, &started));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_FALSE(CreateProcessW(L"", nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr, nullptr,
                              &started));
  EXPECT_FALSE(CreateProcessW(L"\\Program Files\\Kelmora Probe", nullptr, nullptr, nullptr, FALSE,
                              0, nullptr, nullptr, nullptr, &started));
}

TEST_F(ProgramStartTest, ABareNameIsSearchedForAndGetsItsExtension) {
  // The desktop looks first in the folder of the starting program: the build's programs.
  PROCESS_INFORMATION started{};
  wchar_t arguments[] = L"-bare";
  ASSERT_TRUE(CreateProcessW(L"window_probe", arguments, nullptr, nullptr, FALSE, 0, nullptr,
                             nullptr, nullptr, &started));
  const test::ScopedHandle process(started.hProcess);
  const test::ScopedHandle thread(started.hThread);
  test::WaitForExit(process);
  const std::wstring log = test::ProgramBesideThisOne(L"window_probe.exe.log");
  EXPECT_EQ(test::ReadWholeFile(log), "commandLine -bare\n");
  DeleteFileW(log.c_str());
}

}  // namespace
