#include "commands.h"

#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <string>

#include "code_page.h"
#include "counted.h"
#include "device.h"
#include "device_init.h"
#include "dos_attributes.h"
#include "error_text.h"
#include "file_transfer.h"
#include "flags.h"
#include "journal.h"
#include "listing.h"
#include "platform/ce.h"
#include "reg_file.h"
#include "window_list.h"

namespace devicectl {
namespace {

// Parses the command's options; false after printing a usage error.
bool ParseFlags(const tool::Invocation& invocation, tool::Flags& flags, std::size_t minArgs,
                std::size_t maxArgs, int* exitCode) {
  std::string error;
  if (!flags.Parse(invocation.args, &error)) {
    *exitCode = tool::UsageError(invocation, error);
    return false;
  }
  const std::size_t count = flags.arguments().size();
  if (count < minArgs || count > maxArgs) {
    *exitCode = tool::UsageError(
        invocation, count < minArgs ? "missing argument"
                                    : "unexpected argument '" + flags.arguments()[maxArgs] + "'");
    return false;
  }
  return true;
}

// A failure of the command. Nearly all of them are input that cannot be read: no device,
// a damaged .reg file, a device path that is not there.
int Fail(const tool::Invocation& invocation, const std::string& message,
         int exitCode = tool::kExitUnreadableInput) {
  return tool::Fail(invocation.tool.name, exitCode,
                    std::string(invocation.command.name) + ": " + message);
}

}  // namespace

int RunInit(const tool::Invocation& invocation) {
  tool::Flags flags(invocation.command.options);
  int exitCode = 0;
  if (!ParseFlags(invocation, flags, 0, 0, &exitCode)) return exitCode;
  const std::string dir = emu::CurrentDevice()->hostDir();
  if (dir.empty()) {
    return Fail(invocation, "no device named: set CE_DEVICE, HOME or --device", tool::kExitUsage);
  }
  std::string error;
  if (!emu::InitDevice(dir, &error)) return Fail(invocation, error, tool::kExitProblemFound);
  return 0;
}

int RunRegExport(const tool::Invocation& invocation) {
  tool::Flags flags(invocation.command.options);
  int exitCode = 0;
  if (!ParseFlags(invocation, flags, 0, 1, &exitCode)) return exitCode;
  const std::u16string key =
      flags.arguments().empty() ? u"" : emu::Utf8ToUtf16(flags.arguments()[0]);
  std::string text;
  if (const emu::Status status = emu::ExportRegistry(*emu::CurrentDevice(), key, &text);
      !status.ok()) {
    return Fail(invocation, status.message());
  }
  std::fwrite(text.data(), 1, text.size(), stdout);
  return 0;
}

int RunRegImport(const tool::Invocation& invocation) {
  tool::Flags flags(invocation.command.options);
  int exitCode = 0;
  if (!ParseFlags(invocation, flags, 1, 1, &exitCode)) return exitCode;
  const std::string& file = flags.arguments()[0];
  std::string bytes;
  if (file == "-") {
    bytes.assign(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
  } else {
    std::ifstream in(file, std::ios::binary);
    if (!in) return Fail(invocation, file + ": cannot be read");
    std::ostringstream content;
    content << in.rdbuf();
    bytes = content.str();
  }
  std::vector<std::string> mistakes;
  const emu::Status status = emu::ImportRegistry(*emu::CurrentDevice(), bytes, &mistakes);
  if (status.ok()) return 0;
  const std::string source = file == "-" ? "standard input" : file;
  if (mistakes.empty()) return Fail(invocation, source + ": " + status.message());
  // Every mistake of the file, so that one round of corrections fixes them all.
  constexpr std::size_t kMaxTold = 20;
  for (std::size_t i = 0; i < mistakes.size() && i < kMaxTold; ++i) {
    Fail(invocation, source + ": " + mistakes[i]);
  }
  if (mistakes.size() > kMaxTold) {
    Fail(invocation,
         source + ": and " +
             tool::Counted(mistakes.size() - kMaxTold, "more mistake", "more mistakes"));
  }
  return Fail(invocation, source + ": nothing was applied");
}

int RunWindowAdd(const tool::Invocation& invocation) {
  tool::Flags flags(invocation.command.options);
  int exitCode = 0;
  if (!ParseFlags(invocation, flags, 1, 1, &exitCode)) return exitCode;
  std::int64_t handle = 0;
  const emu::Status status =
      emu::AddWindow(*emu::CurrentDevice(), emu::Utf8ToUtf16(flags.arguments()[0]),
                     emu::Utf8ToUtf16(flags.Value("--class").value_or("")), &handle);
  if (!status.ok()) return Fail(invocation, status.message());
  std::printf("%lld\n", static_cast<long long>(handle));
  return 0;
}

int RunWindowList(const tool::Invocation& invocation) {
  tool::Flags flags(invocation.command.options);
  int exitCode = 0;
  if (!ParseFlags(invocation, flags, 0, 0, &exitCode)) return exitCode;
  std::vector<emu::Window> windows;
  if (const emu::Status status = emu::ListWindows(*emu::CurrentDevice(), &windows); !status.ok()) {
    return Fail(invocation, status.message());
  }
  for (const emu::Window& window : windows) {
    std::printf("%lld\t%s\t%s\n", static_cast<long long>(window.handle),
                emu::Utf16ToUtf8(window.className).c_str(), emu::Utf16ToUtf8(window.title).c_str());
  }
  return 0;
}

int RunEvents(const tool::Invocation& invocation) {
  tool::Flags flags(invocation.command.options);
  int exitCode = 0;
  if (!ParseFlags(invocation, flags, 0, 0, &exitCode)) return exitCode;
  emu::Device& device = *emu::CurrentDevice();
  if (flags.Has("--clear")) {
    const emu::Status status = emu::ClearJournal(device);
    return status.ok() ? 0 : Fail(invocation, status.message());
  }
  std::string lines;
  if (const emu::Status status = emu::ReadJournal(device, &lines); !status.ok()) {
    return Fail(invocation, status.message());
  }
  std::fwrite(lines.data(), 1, lines.size(), stdout);
  return 0;
}

int RunAttrib(const tool::Invocation& invocation) {
  // "-h" is the option this command takes, not a request for help: read it as an
  // argument by ending the options first.
  std::vector<std::string> args{"--"};
  args.insert(args.end(), invocation.args.begin(), invocation.args.end());
  tool::Flags flags(invocation.command.options);
  std::string error;
  flags.Parse(args, &error);
  if (flags.arguments().size() != 2 ||
      (flags.arguments()[0] != "+h" && flags.arguments()[0] != "-h")) {
    return tool::UsageError(invocation, "expected +h or -h and a path");
  }
  const std::u16string path = emu::Utf8ToUtf16(flags.arguments()[1]);
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    return Fail(invocation, flags.arguments()[1] + ": " + DescribeError(GetLastError()));
  }
  DWORD stored = attributes & emu::kStoredAttributes;
  stored = flags.arguments()[0] == "+h" ? stored | FILE_ATTRIBUTE_HIDDEN
                                        : stored & ~FILE_ATTRIBUTE_HIDDEN;
  if (!SetFileAttributesW(path.c_str(), stored)) {
    return Fail(invocation, flags.arguments()[1] + ": " + DescribeError(GetLastError()));
  }
  return 0;
}

int RunLs(const tool::Invocation& invocation) {
  tool::Flags flags(invocation.command.options);
  int exitCode = 0;
  if (!ParseFlags(invocation, flags, 0, 1, &exitCode)) return exitCode;
  const std::string path = flags.arguments().empty() ? "\\" : flags.arguments()[0];
  std::vector<ListedEntry> entries;
  std::string error;
  if (!ListDevicePath(path, flags.Has("-R"), &entries, &error)) return Fail(invocation, error);
  const std::string text = flags.Has("--json") ? ListingJson(entries) : ListingText(entries);
  std::fwrite(text.data(), 1, text.size(), stdout);
  return 0;
}

namespace {

// push and pull: one copy between host and device, its failure told by what failed.
using CopyFunction = bool (*)(const std::string& from, const std::string& to, std::string* error,
                              bool* unreadable);
int RunCopy(const tool::Invocation& invocation, CopyFunction copy) {
  tool::Flags flags(invocation.command.options);
  int exitCode = 0;
  if (!ParseFlags(invocation, flags, 2, 2, &exitCode)) return exitCode;
  std::string error;
  bool unreadable = false;
  if (!copy(flags.arguments()[0], flags.arguments()[1], &error, &unreadable)) {
    return Fail(invocation, error,
                unreadable ? tool::kExitUnreadableInput : tool::kExitProblemFound);
  }
  return 0;
}

}  // namespace

int RunPush(const tool::Invocation& invocation) { return RunCopy(invocation, PushFile); }

int RunPull(const tool::Invocation& invocation) { return RunCopy(invocation, PullFile); }

}  // namespace devicectl
