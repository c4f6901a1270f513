#include "app/auto_clean.h"

namespace nc::app {

std::uint32_t CleanIntervalMs(std::int32_t cleanInterval) {
  constexpr std::array<std::uint32_t, 5> kIntervals = {900000, 1800000, 3600000, 14400000,
                                                       28800000};
  if (cleanInterval < 0 || cleanInterval >= static_cast<std::int32_t>(kIntervals.size())) {
    return kIntervals[0];
  }
  return kIntervals[static_cast<std::size_t>(cleanInterval)];
}

}  // namespace nc::app
