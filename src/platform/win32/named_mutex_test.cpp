#include "platform/ce.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "testing/win32/files.h"
#include "testing/win32/programs.h"
#include "testing/win32/scoped_handle.h"
#include "testing/win32/temp_drive.h"

namespace {

constexpr wchar_t kProbe[] = L"\\Program Files\\Kelmora Probe\\Probe.exe";
constexpr DWORD kPollMilliseconds = 50;
constexpr int kPollRounds = 1200;  // a minute: a bound for a started program, not a timing check

class NamedMutexTest : public ::testing::Test {
 protected:
  // A name of this test run alone.
  const std::wstring name_ = L"Kelmora.UpdaterTest." + std::to_wstring(GetCurrentProcessId());
  test::TempDrive drive_;
};

TEST_F(NamedMutexTest, ASecondCreationOfTheNameGivesTheSameMutex) {
  SetLastError(ERROR_ALREADY_EXISTS);
  const test::ScopedHandle first(CreateMutexW(nullptr, TRUE, name_.c_str()));
  ASSERT_TRUE(first.valid());
  EXPECT_NE(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
  const test::ScopedHandle second(CreateMutexW(nullptr, FALSE, name_.c_str()));
  ASSERT_TRUE(second.valid());
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
  // Names are compared exactly.
  const std::wstring other = L"kelmora" + name_.substr(7);
  const test::ScopedHandle third(CreateMutexW(nullptr, FALSE, other.c_str()));
  ASSERT_TRUE(third.valid());
  EXPECT_NE(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
  // The creating thread owns it once, whichever handle releases it.
  EXPECT_TRUE(ReleaseMutex(second.get()));
  EXPECT_FALSE(ReleaseMutex(first.get()));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_OWNER));
}

TEST_F(NamedMutexTest, AnotherProcessHoldsItUntilItEndsAndThenItIsAbandoned) {
  drive_.WriteFile(kProbe, test::ReadWholeFile(test::ProgramBesideThisOne(L"window_probe.exe")));
  const test::ScopedHandle mutex(CreateMutexW(nullptr, FALSE, name_.c_str()));
  ASSERT_TRUE(mutex.valid());
  const test::ScopedHandle probe = test::StartProgram(drive_.Path(kProbe), L"-holdMutex " + name_);
  // Whatever the outcome, the probe is ended before the drive is emptied.
  const std::unique_ptr<void, void (*)(void*)> ender(probe.get(), [](void* process) {
    TerminateProcess(process, 1);
    WaitForSingleObject(process, INFINITE);
  });
  const std::wstring log = std::wstring(kProbe) + L".log";
  const std::string held = "commandLine -holdMutex " + test::Utf8(name_) + "\nholding 183\n";
  const auto logged = [&] { return drive_.Exists(log) ? drive_.ReadFile(log) : ""; };
  for (int round = 0; round < kPollRounds && logged() != held; ++round) {
    ASSERT_EQ(WaitForSingleObject(probe.get(), kPollMilliseconds), DWORD{WAIT_TIMEOUT})
        << "the probe ended: " << logged();
  }
  ASSERT_EQ(logged(), held);

  EXPECT_EQ(WaitForSingleObject(mutex.get(), 0), DWORD{WAIT_TIMEOUT});
  EXPECT_EQ(WaitForSingleObject(mutex.get(), 100), DWORD{WAIT_TIMEOUT});
  ASSERT_TRUE(TerminateProcess(probe.get(), 1));
  test::WaitForExit(probe);
  EXPECT_EQ(WaitForSingleObject(mutex.get(), INFINITE), DWORD{WAIT_ABANDONED});
  EXPECT_TRUE(ReleaseMutex(mutex.get()));
  EXPECT_EQ(WaitForSingleObject(mutex.get(), 0), DWORD{WAIT_OBJECT_0});
  EXPECT_TRUE(ReleaseMutex(mutex.get()));
}

}  // namespace
