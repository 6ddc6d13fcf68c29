// A one-line progress indication, "pkgtool: packing 3/10 files, 1.2 MB", redrawn in
// place on standard error while a long command works - only when standard error is a
// terminal. It never mixes with other output: tool::Fail and EraseProgressLine() erase
// it before anything else is written, and it is erased when it ends, so that nothing of
// it stays on screen. One progress line is shown at a time.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

namespace tool {

// "TOOL: VERB DONE/TOTAL files, MB MB", the text of the line.
std::string ProgressText(std::string_view tool, std::string_view verb, std::uint64_t done,
                         std::uint64_t total, std::uint64_t bytes);

class ProgressLine {
 public:
  // On standard error, shown when it is a terminal.
  ProgressLine(std::string_view tool, std::string_view verb);
  // On `out`, shown when `shown`.
  ProgressLine(std::string_view tool, std::string_view verb, std::FILE* out, bool shown);
  ProgressLine(const ProgressLine&) = delete;
  ProgressLine& operator=(const ProgressLine&) = delete;
  ~ProgressLine();

  // Redraws the line, at most ten times a second but always for the last file.
  void Show(std::uint64_t done, std::uint64_t total, std::uint64_t bytes);
  // Erases the line from the screen; the next Show draws it again.
  void Erase();

 private:
  std::string tool_;
  std::string verb_;
  std::FILE* out_;
  bool enabled_;
  std::size_t drawn_ = 0;  // characters on screen
  std::chrono::steady_clock::time_point last_{};
};

// Erases the progress line being shown, if any, before other output.
void EraseProgressLine();

}  // namespace tool
