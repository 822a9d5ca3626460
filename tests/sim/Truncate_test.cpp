// The simulation's one double-to-int conversion: a C cast inside the int range, INT_MIN for
// finite values past it (what the hardware gives), 0 for values that are not finite.
#include "sim/Truncate.hpp"

#include <gtest/gtest.h>

#include <climits>
#include <limits>

TEST(TruncateToInt, CastsInsideTheRangeAndPinsEverythingElse)
{
    constexpr double infinity = std::numeric_limits<double>::infinity();
    struct Case {
        double value;
        int expected;
    };
    const Case cases[] = {
        {0.0, 0},
        {-0.0, 0},
        {0.99, 0},
        {-0.99, 0},
        {383.5, 383},
        {-1.5, -1},
        {std::numeric_limits<double>::denorm_min(), 0},
        {2147483647.0, INT_MAX},
        {2147483647.9, INT_MAX},
        {2147483648.0, INT_MIN}, // the first value past INT_MAX
        {-2147483647.9, -2147483647},
        {-2147483648.0, INT_MIN}, // INT_MIN itself
        {-2147483648.9, INT_MIN}, // still truncates to INT_MIN
        {-2147483649.0, INT_MIN},
        {1e300, INT_MIN},
        {-1e300, INT_MIN},
        {std::numeric_limits<double>::max(), INT_MIN},
        {infinity, 0},
        {-infinity, 0},
        {std::numeric_limits<double>::quiet_NaN(), 0},
        {-std::numeric_limits<double>::quiet_NaN(), 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(truncateToInt(c.value), c.expected) << c.value;
}
