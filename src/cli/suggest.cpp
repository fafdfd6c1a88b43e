#include "cli/suggest.hpp"

#include <algorithm>

namespace lorvane::cli {

std::size_t edit_distance(std::string_view a, std::string_view b) {
  // Three rolling rows of the optimal-string-alignment table; `b` is the short side in
  // practice (a known name), so memory stays small even for a huge typed argument.
  const std::size_t n = b.size();
  std::vector<std::size_t> before(n + 1), previous(n + 1), current(n + 1);
  for (std::size_t j = 0; j <= n; ++j) previous[j] = j;
  for (std::size_t i = 1; i <= a.size(); ++i) {
    current[0] = i;
    for (std::size_t j = 1; j <= n; ++j) {
      const std::size_t substitution = previous[j - 1] + (a[i - 1] == b[j - 1] ? 0 : 1);
      std::size_t best = std::min({previous[j] + 1, current[j - 1] + 1, substitution});
      if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
        best = std::min(best, before[j - 2] + 1);
      current[j] = best;
    }
    std::swap(before, previous);
    std::swap(previous, current);
  }
  return previous[n];
}

std::optional<std::string> closest_name(std::string_view typed,
                                        const std::vector<std::string>& candidates) {
  std::optional<std::string> best;
  std::size_t best_distance = 0;
  for (const std::string& candidate : candidates) {
    const std::size_t limit = std::max<std::size_t>(1, candidate.size() / 3);
    // The distance is at least the difference in length: skip hopeless candidates before
    // spending time on a long typed argument.
    const std::size_t gap = typed.size() > candidate.size() ? typed.size() - candidate.size()
                                                            : candidate.size() - typed.size();
    if (gap > limit) continue;
    const std::size_t distance = edit_distance(typed, candidate);
    if (distance == 0) return std::nullopt;
    if (distance > limit) continue;
    if (!best || distance < best_distance) {
      best = candidate;
      best_distance = distance;
    }
  }
  return best;
}

}  // namespace lorvane::cli
