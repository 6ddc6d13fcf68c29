// Named mutexes: one per name and device, shared by its processes, owned by a thread.
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <future>
#include <thread>

#include "platform/ce.h"
#include "testing/temp_device.h"

namespace {

constexpr DWORD kShort = 20;    // a wait that has to time out
constexpr DWORD kLong = 10000;  // a wait that has to succeed: fails rather than hangs

TEST(NamedMutexTest, CreatingAnExistingNameReportsIt) {
  test::TempDevice device;
  SetLastError(ERROR_INVALID_DATA);
  HANDLE first = CreateMutexW(nullptr, FALSE, u"Updater");
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
  HANDLE second = CreateMutexW(nullptr, FALSE, u"Updater");
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
  HANDLE other = CreateMutexW(nullptr, FALSE, u"UPDATER");  // names compare exactly
  EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
  {
    test::TempDevice another;
    HANDLE elsewhere = CreateMutexW(nullptr, FALSE, u"Updater");
    EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
    EXPECT_EQ(CloseHandle(elsewhere), TRUE);
  }
  // Both handles name one mutex, which the thread owns through either.
  ASSERT_EQ(WaitForSingleObject(first, 0), WAIT_OBJECT_0);
  std::thread([&] { EXPECT_EQ(WaitForSingleObject(second, kShort), WAIT_TIMEOUT); }).join();
  EXPECT_EQ(ReleaseMutex(second), TRUE);

  // The mutex goes with its last handle.
  for (HANDLE handle : {first, second, other}) EXPECT_EQ(CloseHandle(handle), TRUE);
  EXPECT_EQ(CloseHandle(first), FALSE);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
  EXPECT_EQ(WaitForSingleObject(first, 0), WAIT_FAILED);
  HANDLE again = CreateMutexW(nullptr, FALSE, u"Updater");
  EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
  EXPECT_EQ(CloseHandle(again), TRUE);
}

TEST(NamedMutexTest, OwnershipIsTheThreadsAndRecursive) {
  test::TempDevice device;
  HANDLE mutex = CreateMutexW(nullptr, TRUE, u"Owned");
  ASSERT_NE(mutex, nullptr);
  EXPECT_EQ(WaitForSingleObject(mutex, 0), WAIT_OBJECT_0);  // owned twice now

  // Another thread can neither release it nor take it, nor own it by creating it.
  std::thread([&] {
    EXPECT_EQ(ReleaseMutex(mutex), FALSE);
    EXPECT_EQ(GetLastError(), ERROR_NOT_OWNER);
    EXPECT_EQ(WaitForSingleObject(mutex, kShort), WAIT_TIMEOUT);
    HANDLE own = CreateMutexW(nullptr, TRUE, u"Owned");
    EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
    EXPECT_EQ(ReleaseMutex(own), FALSE);
    EXPECT_EQ(CloseHandle(own), TRUE);
  }).join();

  // Released once of twice, it is still held; a waiter gets it after the second release.
  ASSERT_EQ(ReleaseMutex(mutex), TRUE);
  std::promise<DWORD> timedOut;
  DWORD waited = WAIT_FAILED;
  std::thread waiter([&] {
    timedOut.set_value(WaitForSingleObject(mutex, kShort));
    waited = WaitForSingleObject(mutex, kLong);
    EXPECT_EQ(ReleaseMutex(mutex), TRUE);
  });
  EXPECT_EQ(timedOut.get_future().get(), WAIT_TIMEOUT);
  EXPECT_EQ(ReleaseMutex(mutex), TRUE);
  waiter.join();
  EXPECT_EQ(waited, WAIT_OBJECT_0);
  EXPECT_EQ(ReleaseMutex(mutex), FALSE);
  EXPECT_EQ(GetLastError(), ERROR_NOT_OWNER);
  EXPECT_EQ(CloseHandle(mutex), TRUE);
}

// A child process that takes the mutex `name`, writes 'y' to `ready` once it owns it (else
// 'n'), then reads one byte from `go`: 'r' releases the mutex before the child ends, any
// other byte (or none) ends it still owning the mutex.
class Holder {
 public:
  explicit Holder(const char16_t* name) {
    int ready[2];
    int go[2];
    if (::pipe(ready) != 0 || ::pipe(go) != 0) return;
    pid_ = ::fork();
    if (pid_ == 0) {
      HANDLE mutex = CreateMutexW(nullptr, FALSE, name);
      const bool owned = mutex != nullptr && WaitForSingleObject(mutex, INFINITE) == WAIT_OBJECT_0;
      char byte = owned ? 'y' : 'n';
      if (::write(ready[1], &byte, 1) == 1 && ::read(go[0], &byte, 1) == 1 && byte == 'r') {
        ReleaseMutex(mutex);
      }
      ::_exit(0);
    }
    ::close(ready[1]);
    ::close(go[0]);
    ready_ = ready[0];
    go_ = go[1];
  }
  ~Holder() {
    End('x');
    if (ready_ >= 0) ::close(ready_);
  }

  // Whether the child owns the mutex; waits until it does or fails.
  bool Owns() {
    char byte = 0;
    return pid_ > 0 && ::read(ready_, &byte, 1) == 1 && byte == 'y';
  }
  // Lets the child go on as `byte` says and waits for it to end.
  void End(char byte) {
    if (go_ < 0) return;
    static_cast<void>(::write(go_, &byte, 1));
    ::close(go_);
    go_ = -1;
    if (pid_ > 0) ::waitpid(pid_, nullptr, 0);
  }

 private:
  pid_t pid_ = -1;
  int ready_ = -1;
  int go_ = -1;
};

TEST(NamedMutexTest, AnotherProcessHoldsItAndMayAbandonIt) {
  test::TempDevice device;
  for (const bool release : {true, false}) {
    SCOPED_TRACE(release ? "released" : "abandoned");
    // Forked while this process has no handle to the mutex: the child shares nothing of it.
    Holder child(u"Shared");
    ASSERT_TRUE(child.Owns());
    HANDLE mutex = CreateMutexW(nullptr, TRUE, u"Shared");
    ASSERT_NE(mutex, nullptr);
    EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
    EXPECT_EQ(ReleaseMutex(mutex), FALSE);  // not taken by creating it
    EXPECT_EQ(WaitForSingleObject(mutex, kShort), WAIT_TIMEOUT);
    child.End(release ? 'r' : 'x');
    EXPECT_EQ(WaitForSingleObject(mutex, kLong), release ? WAIT_OBJECT_0 : WAIT_ABANDONED);
    EXPECT_EQ(ReleaseMutex(mutex), TRUE);
    // Released properly now: the next owner finds nothing abandoned.
    EXPECT_EQ(WaitForSingleObject(mutex, 0), WAIT_OBJECT_0);
    EXPECT_EQ(ReleaseMutex(mutex), TRUE);
    EXPECT_EQ(CloseHandle(mutex), TRUE);
  }
}

TEST(NamedMutexTest, OwnersThatEndAbandonItButANewMutexIsNeverAbandoned) {
  test::TempDevice device;
  // A thread that ends owning it abandons it to the process's other threads.
  HANDLE mutex = CreateMutexW(nullptr, FALSE, u"Threads");
  std::thread([&] { EXPECT_EQ(WaitForSingleObject(mutex, 0), WAIT_OBJECT_0); }).join();
  EXPECT_EQ(WaitForSingleObject(mutex, kLong), WAIT_ABANDONED);
  EXPECT_EQ(ReleaseMutex(mutex), TRUE);
  EXPECT_EQ(CloseHandle(mutex), TRUE);
  HANDLE unnamed = CreateMutexW(nullptr, FALSE, nullptr);
  std::thread([&] { EXPECT_EQ(WaitForSingleObject(unnamed, 0), WAIT_OBJECT_0); }).join();
  EXPECT_EQ(WaitForSingleObject(unnamed, kLong), WAIT_ABANDONED);
  EXPECT_EQ(CloseHandle(unnamed), TRUE);

  // A process that ended owning a mutex nobody else had a handle to leaves no mutex.
  {
    Holder child(u"Fresh");
    ASSERT_TRUE(child.Owns());
    child.End('x');
  }
  HANDLE fresh = CreateMutexW(nullptr, FALSE, u"Fresh");
  EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
  EXPECT_EQ(WaitForSingleObject(fresh, 0), WAIT_OBJECT_0);
  EXPECT_EQ(ReleaseMutex(fresh), TRUE);
  EXPECT_EQ(CloseHandle(fresh), TRUE);
}

}  // namespace
