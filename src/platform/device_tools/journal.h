// The event journal read back, for devicectl, pkgtool and tests (journal_events.h has what an
// event is and how the device's programs append one).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "device.h"
#include "journal_events.h"
#include "status.h"

namespace emu {

// The journal, one JSON object a line, oldest first; *lines is empty after a failure.
Status ReadJournal(Device& device, std::string* lines);

// The events numbered above `afterSeq`, oldest first; *events is empty after a failure.
Status ReadEvents(Device& device, std::int64_t afterSeq, std::vector<JournalEvent>* events);

// Empties the journal; numbering starts again at 1.
Status ClearJournal(Device& device);

}  // namespace emu
