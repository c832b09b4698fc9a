// The calendar-format renderer with an explicit time zone, so that its
// output can be checked without depending on the process's zone.
#pragma once

#include <string_view>

#include "chars/String.h"
#include "support/Date.h"

namespace orvin::detail {

// As descriptionWithCalendarFormat(date, format, locale), in the ICU time
// zone `timeZoneIdentifier` ("Europe/Berlin"; empty for the process's zone).
// nil as well for an unknown zone.
[[nodiscard]] String renderCalendarFormat(const Date& date, const String& format,
                                          std::string_view localeIdentifier,
                                          std::string_view timeZoneIdentifier);

}  // namespace orvin::detail
