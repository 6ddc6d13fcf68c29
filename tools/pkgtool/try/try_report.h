// The report of `pkgtool try` for people and for programs; both say the same.
//
// Text: a heading line, then the sections that have something to say, each a title
// line and indented items - with several products, first each product with its outcome
// and what it installed; then what changed on the device overall: folders created and
// deleted, files created, written and deleted (with sizes), registry changes as .reg
// lines, programs started and window messages in the order they happened, shortcuts,
// nested products (with one product), and what was left of the deliveries - and a last
// line that counts them.
// JSON: one object with the same content (see TryJson).
#pragma once

#include <string>

#include "try/try_run.h"

namespace pkgtool {

struct TrySubject {
  std::string device;  // the device folder copied; empty for a fresh device
};

std::string TryText(const TrySubject& subject, const TryResult& result);
std::string TryJson(const TrySubject& subject, const TryResult& result);

}  // namespace pkgtool
