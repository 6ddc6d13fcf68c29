#include "progress_line.h"

#include <unistd.h>

#include "counted.h"

namespace tool {
namespace {

ProgressLine* active = nullptr;  // the line being shown

}  // namespace

std::string ProgressText(std::string_view tool, std::string_view verb, std::uint64_t done,
                         std::uint64_t total, std::uint64_t bytes) {
  char megabytes[32];
  std::snprintf(megabytes, sizeof megabytes, "%.1f MB", static_cast<double>(bytes) / 1e6);
  return std::string(tool) + ": " + std::string(verb) + " " + std::to_string(done) + "/" +
         Counted(total, "file") + ", " + megabytes;
}

ProgressLine::ProgressLine(std::string_view tool, std::string_view verb)
    : ProgressLine(tool, verb, stderr, ::isatty(STDERR_FILENO) != 0) {}

ProgressLine::ProgressLine(std::string_view tool, std::string_view verb, std::FILE* out, bool shown)
    : tool_(tool), verb_(verb), out_(out), enabled_(shown) {
  if (enabled_) active = this;
}

ProgressLine::~ProgressLine() {
  Erase();
  if (active == this) active = nullptr;
}

void ProgressLine::Show(std::uint64_t done, std::uint64_t total, std::uint64_t bytes) {
  if (!enabled_) return;
  const auto now = std::chrono::steady_clock::now();
  if (drawn_ > 0 && done < total && now - last_ < std::chrono::milliseconds(100)) return;
  last_ = now;
  const std::string text = ProgressText(tool_, verb_, done, total, bytes);
  // Shorter than what is on screen: blank the rest.
  const int blank = drawn_ > text.size() ? static_cast<int>(drawn_ - text.size()) : 0;
  std::fprintf(out_, "\r%s%*s", text.c_str(), blank, "");
  std::fflush(out_);
  drawn_ = text.size() + static_cast<std::size_t>(blank);
}

void ProgressLine::Erase() {
  if (drawn_ == 0) return;
  std::fprintf(out_, "\r%*s\r", static_cast<int>(drawn_), "");
  std::fflush(out_);
  drawn_ = 0;
}

void EraseProgressLine() {
  if (active != nullptr) active->Erase();
}

}  // namespace tool
