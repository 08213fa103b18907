#include "base/ozkTime.h"

#include <chrono>
#include <ctime>
#include <thread>

TLocalDateTime LocalNow() {
  using namespace std::chrono;
  auto now = system_clock::now();
  auto ms = duration_cast<milliseconds>(now.time_since_epoch()).count();
  std::time_t secs = static_cast<std::time_t>(ms / 1000);
  std::tm tm{};
  localtime_r(&secs, &tm);
  return TLocalDateTime{
      tm.tm_year + 1900,           tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec,
      static_cast<int>(ms % 1000), tm.tm_wday};
}

void SleepMilliseconds(uint32_t aMilliseconds) {
  std::this_thread::sleep_for(std::chrono::milliseconds(aMilliseconds));
}
