// The plant's calendar: twelve periods a year, each starting on the 26th of the
// month before (period 1 of 2024 runs from 2023-12-26 to 2024-01-25).
#pragma once

#include <string>

namespace mls::demoplant {

// A day as a count of days since 1970-01-01.
using Day = int;

Day dayOf(int year, int month, int day);
// "yyyy-mm-dd".
std::string dayText(Day d);

// The first day of (year, period) and of the period that follows.
struct Window {
  Day begin;
  Day next;
};
Window periodWindow(int year, int period);

}  // namespace mls::demoplant
