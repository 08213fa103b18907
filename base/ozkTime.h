// Local wall-clock time and sleeping.
#pragma once

#include <cstdint>

struct TLocalDateTime {
  int Year, Month, Day, Hour, Minute, Second, Millisecond;
  int DayOfWeek; // 0 = Sunday
};

TLocalDateTime LocalNow();
void SleepMilliseconds(uint32_t aMilliseconds);
