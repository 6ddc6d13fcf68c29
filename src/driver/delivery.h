// The names of a delivered product file through its installation attempts.
//
// A delivery "\Temp\Tool.gz" is set aside as "\Temp\Tool.gz.try1" while its first
// attempt runs, and, when that attempt did not finish, as "\Temp\Tool.gz.try2" during its
// second and last one. Set-aside names do not match "*.gz", so the listing of new
// deliveries never picks them up, and a file that a product writes under its own
// delivered name (a product that delivers itself again) is a new delivery.
#pragma once

#include <cstdint>

#include "system/wide_string.h"

// The listing pattern of new deliveries.
inline constexpr WCHAR kDeliveryPattern[] = TEXT("*.gz");
// The listing patterns of deliveries set aside for their first and second attempt.
inline constexpr WCHAR kFirstAttemptPattern[] = TEXT("*.gz.try1");
inline constexpr WCHAR kLastAttemptPattern[] = TEXT("*.gz.try2");

// `deliveredPath` set aside for its attempt `attempt` (1 or 2).
String SetAsidePath(const String& deliveredPath, std::int32_t attempt);
