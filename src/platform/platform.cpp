#include "platform/platform.h"

#include <ctime>
#include <sys/time.h>

namespace wl {

std::int64_t SystemMillisecondsOfDay() {
  timeval tv{};
  gettimeofday(&tv, nullptr);
  std::time_t t = tv.tv_sec;
  std::tm lt{};
  localtime_r(&t, &lt);
  return ((lt.tm_hour * 60 + lt.tm_min) * 60 + lt.tm_sec) * std::int64_t{1000} + tv.tv_usec / 1000;
}

int SystemDayOfYear() {
  std::time_t t = std::time(nullptr);
  std::tm lt{};
  localtime_r(&t, &lt);
  return lt.tm_yday + 1;
}

}  // namespace wl
