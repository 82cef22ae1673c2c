#pragma once
// A full calendar for the benchmarks: 1000 notes spread over one year and 499 recurring
// entries, in a temporary data folder.

#include "config/calendar_context.h"
#include "support/full_calendar.h"
#include "support/test_support.h"

namespace mondeliar::bench {

using testing::FillNotes;
using testing::FillRecurring;

}  // namespace mondeliar::bench
