// truncateToInt: the one double-to-int conversion of the simulation.
// Truncates towards zero like a C cast, but is defined for every input: a value that is not
// finite gives 0, and a finite value outside the int range gives INT_MIN, the value the
// hardware conversion produces, instead of undefined behaviour.
#pragma once

#include <climits>
#include <cmath>

inline int truncateToInt(double value)
{
    // Every value strictly between -2^31 and 2^31 truncates to an int; NaN fails the test too.
    // Of the rest, the finite values (INT_MIN's own neighbourhood included) give INT_MIN.
    if (std::fabs(value) < 2147483648.0)
        return static_cast<int>(value);
    return std::isfinite(value) ? INT_MIN : 0;
}
