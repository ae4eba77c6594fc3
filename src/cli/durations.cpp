#include "cli/durations.h"

#include "cli/check_options.h"

namespace kestrane {

std::int64_t ParseDuration(const std::string& option, const std::string& text) {
  auto refuse = [&]() -> std::int64_t {
    throw UsageError("Значение " + option + " должно быть сроком не больше года из целых чисел с единицами m, h, d " +
                     "или w (36h, 7d, 1d12h), а не \"" + text + "\".");
  };
  std::int64_t total = 0;
  std::size_t i = 0;
  while (i < text.size()) {
    std::int64_t number = 0;
    const std::size_t digits = i;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
      number = number * 10 + (text[i] - '0');
      if (number > kSecondsPerYear) return refuse();
    }
    if (i == digits || i == text.size()) return refuse();
    switch (text[i++]) {
      case 'm': total += number * 60; break;
      case 'h': total += number * kSecondsPerHour; break;
      case 'd': total += number * kSecondsPerDay; break;
      case 'w': total += number * 7 * kSecondsPerDay; break;
      default: return refuse();
    }
    if (total > kSecondsPerYear) return refuse();
  }
  return total > 0 ? total : refuse();
}

std::string DurationText(std::int64_t seconds) {
  const std::int64_t days = seconds / kSecondsPerDay;
  const std::int64_t hours = seconds % kSecondsPerDay / kSecondsPerHour;
  if (days == 0) return hours == 0 ? "менее 1 ч" : std::to_string(hours) + " ч";
  return std::to_string(days) + " дн. " + std::to_string(hours) + " ч";
}

}  // namespace kestrane
