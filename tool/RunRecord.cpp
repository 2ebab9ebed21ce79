#include "RunRecord.h"

namespace vemosim {

void Series::add(double time, double value) {
    const std::size_t n = values.size();
    // A value that holds is kept as where it started and where it was last seen.
    if (n >= 2 && values[n - 1] == value && values[n - 2] == value) {
        times[n - 1] = time;
        return;
    }
    times.push_back(time);
    values.push_back(value);
}

}  // namespace vemosim
