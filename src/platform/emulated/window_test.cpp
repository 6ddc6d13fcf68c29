#include "window_table.h"

#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <string>

#include "device.h"
#include "journal.h"
#include "platform/ce.h"
#include "testing/temp_device.h"
#include "window_list.h"

namespace {

class WindowTest : public ::testing::Test {
 protected:
  HWND Add(std::u16string_view title, std::u16string_view className = u"") {
    std::int64_t handle = 0;
    EXPECT_TRUE(emu::AddWindow(*emu::CurrentDevice(), title, className, &handle).ok());
    return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(handle));
  }
  std::string Journal() {
    std::string lines;
    EXPECT_TRUE(emu::ReadJournal(*emu::CurrentDevice(), &lines).ok());
    return lines;
  }

  test::TempDevice device_;
};

TEST_F(WindowTest, FindWindowTakesTheFirstMatchIgnoringCase) {
  const HWND first = Add(u"Stock Viewer", u"ViewerClass");
  const HWND second = Add(u"stock viewer", u"OtherClass");
  const HWND third = Add(u"\u00c9diteur", u"Ed");
  EXPECT_EQ(FindWindowW(nullptr, u"STOCK VIEWER"), first);
  EXPECT_EQ(FindWindowW(u"otherclass", u"Stock Viewer"), second);
  EXPECT_EQ(FindWindowW(u"ViewerClass", nullptr), first);
  EXPECT_EQ(FindWindowW(nullptr, u"\u00e9DITEUR"), third);
  EXPECT_EQ(FindWindowW(u"NoClass", u"Stock Viewer"), nullptr);
  EXPECT_EQ(FindWindowW(nullptr, u"Stock"), nullptr);
  EXPECT_LT(reinterpret_cast<std::uintptr_t>(first), reinterpret_cast<std::uintptr_t>(second));
  EXPECT_GT(reinterpret_cast<std::uintptr_t>(first), 0xFFFFu);
}

TEST_F(WindowTest, RegisteredMessagesAreSharedAcrossProcesses) {
  const UINT close = RegisterWindowMessageW(u"Kelp.CloseApp");
  EXPECT_EQ(close, 0xC000u);
  EXPECT_EQ(RegisterWindowMessageW(u"kelp.closeapp"), close);
  EXPECT_EQ(RegisterWindowMessageW(nullptr), 0u);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
  // Another process registers a new name and sees the first one's number.
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    emu::ScopedDevice own(device_.hostDir());  // its own connection
    const bool ok = RegisterWindowMessageW(u"Other.Message") == 0xC001 &&
                    RegisterWindowMessageW(u"KELP.CLOSEAPP") == 0xC000;
    ::_exit(ok ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_EQ(RegisterWindowMessageW(u"other.message"), 0xC001u);
}

TEST_F(WindowTest, MessagesGoToTheJournal) {
  const HWND window = Add(u"Viewer \"1\"", u"V");
  const UINT close = RegisterWindowMessageW(u"Kelp.CloseApp");
  EXPECT_EQ(PostMessageW(HWND_BROADCAST, close, 7, -1), TRUE);
  EXPECT_EQ(PostMessageW(window, WM_CLOSE, 0, 0), TRUE);
  EXPECT_EQ(SendMessageW(window, 0xC123, 1, 2), 0);
  const HWND missing = reinterpret_cast<HWND>(std::uintptr_t{0x12345});
  EXPECT_EQ(PostMessageW(missing, WM_CLOSE, 0, 0), FALSE);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
  const std::string hwnd = std::to_string(reinterpret_cast<std::uintptr_t>(window));
  EXPECT_EQ(Journal(),
            "{\"seq\":1,\"kind\":\"message\",\"hwnd\":65535,\"message\":49152,"
            "\"name\":\"Kelp.CloseApp\",\"wParam\":7,\"lParam\":-1}\n"
            "{\"seq\":2,\"kind\":\"message\",\"hwnd\":" +
                hwnd +
                ",\"title\":\"Viewer \\\"1\\\"\",\"message\":16,\"wParam\":0,\"lParam\":0}\n"
                "{\"seq\":3,\"kind\":\"message\",\"hwnd\":" +
                hwnd +
                ",\"title\":\"Viewer \\\"1\\\"\",\"message\":49443,\"wParam\":1,\"lParam\":2}\n");
  // Read back as values, from a given point on.
  std::vector<emu::JournalEvent> events;
  ASSERT_TRUE(emu::ReadEvents(*emu::CurrentDevice(), 1, &events).ok());
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[0].seq, 2);
  ASSERT_TRUE(events[0].message.has_value());
  EXPECT_FALSE(events[0].process.has_value());
  EXPECT_EQ(events[0].message->title, std::u16string(u"Viewer \"1\""));
  EXPECT_EQ(events[0].message->message, WM_CLOSE);
  EXPECT_EQ(events[1].message->wParam, 1u);
  EXPECT_EQ(events[1].message->lParam, 2);
  EXPECT_EQ(events[1].message->name, std::nullopt);
  ASSERT_TRUE(emu::ClearJournal(*emu::CurrentDevice()).ok());
  EXPECT_EQ(Journal(), "");
  EXPECT_EQ(PostMessageW(window, WM_CLOSE, 0, 0), TRUE);
  EXPECT_EQ(Journal().substr(0, 9), "{\"seq\":1,");
}

}  // namespace
