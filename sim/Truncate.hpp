// truncateToInt: the one double-to-int conversion of the simulation.
// Truncates towards zero like a C cast, but is defined for every input: a value that is not
// finite gives 0, and a finite value outside the int range gives INT_MIN, the value the
// hardware conversion produces, instead of undefined behaviour.
#pragma once

#include <climits>
#include <cmath>

inline int truncateToInt(double value)
{
    if (!std::isfinite(value))
        return 0;
    if (value <= static_cast<double>(INT_MIN) - 1.0 || value >= static_cast<double>(INT_MAX) + 1.0)
        return INT_MIN;
    return static_cast<int>(value);
}
