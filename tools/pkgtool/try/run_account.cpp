#include "try/run_account.h"

#include <cstddef>
#include <cstdlib>
#include <map>
#include <optional>

#include "code_page.h"
#include "driver/observation_log.h"
#include "install/install_observer.h"
#include "install/script_words.h"
#include "lint/parsed_script.h"

namespace pkgtool {

namespace {

// One line of the account, split into its fields and unescaped.
std::vector<std::u16string> Fields(std::u16string_view line) {
  std::vector<std::u16string> fields(1);
  for (std::size_t i = 0; i < line.size(); ++i) {
    const char16_t unit = line[i];
    if (unit == ObservationLog::kSeparator) {
      fields.emplace_back();
    } else if (unit == ObservationLog::kEscape && i + 2 < line.size()) {
      const std::string hex = emu::Utf16ToUtf8(line.substr(i + 1, 2));
      fields.back() += static_cast<char16_t>(std::strtol(hex.c_str(), nullptr, 16));
      i += 2;
    } else {
      fields.back() += unit;
    }
  }
  return fields;
}

template <typename Outcome>
std::optional<Outcome> OutcomeNamed(const std::u16string& name, Outcome last) {
  for (int i = 0; i <= static_cast<int>(last); ++i) {
    const auto outcome = static_cast<Outcome>(i);
    if (emu::Utf8ToUtf16(NameOf(outcome)) == name) return outcome;
  }
  return std::nullopt;
}

// Why a nested installation that ended with `outcome` installed what it did, or nothing.
std::string Note(InstallOutcome outcome, const std::string& path) {
  switch (outcome) {
    case InstallOutcome::kInstalled:
      return "";
    case InstallOutcome::kNotInstalled:
      return "its files could not all be put in place: not completed, kept as " + path +
             ".try1 for one more attempt";
    case InstallOutcome::kNotExpanded:
      return "it could not be expanded: nothing installed, the delivery is kept";
    case InstallOutcome::kDeferred:
      return "its script does not fit beside the ones loaded around it: not begun, the "
             "delivery is kept for a later run";
    case InstallOutcome::kOutOfMemory:
      return "memory ran out: not completed, kept as " + path + ".try1 for one more attempt";
    case InstallOutcome::kNoDelivery:
      return "no such file when the action ran: nothing installed";
    case InstallOutcome::kTooDeep:
      return "nested " + std::to_string(script_words::kMaxNestedInstallations) +
             " levels deep already: nothing installed";
  }
  return "";
}

// Follows the account line by line.
class Reader {
 public:
  void Line(const std::vector<std::u16string>& fields) {
    const std::u16string& kind = fields[0];
    if (kind == u"begin" && fields.size() == 3) {
      Begin(fields[2], std::atoi(emu::Utf16ToUtf8(fields[1]).c_str()));
    } else if (kind == u"file" && fields.size() == 4) {
      if (OutcomeNamed(fields[1], FileOutcome::kPlaced) == FileOutcome::kPlaced) {
        placed_[CanonicalPath(fields[3])] = fields[2];
        if (ProductInstall* product = Current())
          product->placed.push_back({emu::Utf16ToUtf8(fields[2]), emu::Utf16ToUtf8(fields[3])});
      }
    } else if (kind == u"start" && fields.size() == 3) {
      if (ProductInstall* product = Current())
        product->starts.push_back({emu::Utf16ToUtf8(fields[2]), fields[1] == u"started"});
    } else if (kind == u"end" && fields.size() == 2 && !open_.empty()) {
      End(fields[1],
          OutcomeNamed(fields[1], InstallOutcome::kTooDeep).value_or(InstallOutcome::kOutOfMemory));
    }
  }

  // After the last line: a product the account ends within keeps what it began.
  void Finish() {
    if (inProduct_ && !account.products.empty()) {
      account.products.back().nested.assign(
          account.nested.begin() + static_cast<std::ptrdiff_t>(firstNested_), account.nested.end());
    }
  }

  RunAccount account;

 private:
  // The product of the delivery folder being installed; null outside of one.
  ProductInstall* Current() {
    return inProduct_ && !account.products.empty() ? &account.products.back() : nullptr;
  }

  void Begin(const std::u16string& path, int depth) {
    if (depth <= 0) {
      open_.push_back(kNotNested);
      inProduct_ = true;
      ProductInstall product;
      product.path = emu::Utf16ToUtf8(path);
      product.note = "the account ends before it did: not known to be installed";
      account.products.push_back(std::move(product));
      return;
    }
    NestedInstall install;
    install.path = emu::Utf16ToUtf8(path);
    install.depth = depth;
    install.note = "the account ends before it did: not known to be installed";
    // Where it came from is told now: its own Files pass may write the same path.
    const auto written = placed_.find(CanonicalPath(path));
    origins_.push_back(written == placed_.end()
                           ? "from the device"
                           : "from the entry '" + emu::Utf16ToUtf8(written->second) + "'");
    open_.push_back(account.nested.size());
    account.nested.push_back(std::move(install));
  }

  void End(const std::u16string& word, InstallOutcome outcome) {
    const std::size_t index = open_.back();
    open_.pop_back();
    if (index == kNotNested) {
      if (ProductInstall* product = Current()) {
        product->ended = true;
        product->installed = outcome == InstallOutcome::kInstalled;
        product->outcome = emu::Utf16ToUtf8(word);
        product->note = Note(outcome, product->path);
        // Its nested installations, each as it ended.
        product->nested.assign(account.nested.begin() + static_cast<std::ptrdiff_t>(firstNested_),
                               account.nested.end());
        firstNested_ = account.nested.size();
      }
      inProduct_ = !open_.empty();
      return;
    }
    NestedInstall& install = account.nested[index];
    install.installed = outcome == InstallOutcome::kInstalled;
    install.note = install.installed ? origins_[index] : Note(outcome, install.path);
  }

  static constexpr std::size_t kNotNested = static_cast<std::size_t>(-1);
  std::vector<std::size_t> open_;                    // the installations begun and not ended
  std::map<std::u16string, std::u16string> placed_;  // target to entry name
  std::vector<std::string> origins_;                 // of account.nested, by index
  bool inProduct_ = false;                           // within a product of depth 0
  std::size_t firstNested_ = 0;  // the first of account.nested not yet given to a product
};

}  // namespace

RunAccount ReadRunAccount(const std::string& bytes) {
  Reader reader;
  reader.account.given = true;
  std::u16string line;
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    const auto unit = static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                            static_cast<unsigned char>(bytes[i + 1]) << 8);
    if (unit != u'\n') {
      line += unit;
      continue;
    }
    reader.Line(Fields(line));
    line.clear();
  }
  reader.Finish();
  return std::move(reader.account);
}

}  // namespace pkgtool
