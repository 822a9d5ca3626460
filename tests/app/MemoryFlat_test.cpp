// Memory stays flat in a long run: slots relaunched, bursts made and ended, the help panel
// rebuilt every frame. The heap in use after a long steady stretch must not have grown.
#include "support/AppHarness.hpp"

#include <gtest/gtest.h>

#include <malloc.h>

namespace {

std::size_t heapInUse()
{
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
}

} // namespace

TEST(MemoryFlat, LongRunKeepsTheHeapSteady)
{
    AppHarness h(5);
    h.key('8'); // random colours: every burst row differs, nothing is special-cased
    for (int i = 0; i < 600; ++i)
        h.frame();
    const std::size_t settled = heapInUse();
    if (settled == 0)
        GTEST_SKIP() << "this allocator does not report its heap in use";
    int burstsMade = 0;
    for (int i = 0; i < 3000; ++i) {
        h.frame();
        for (int slot = 0; slot < 2000; ++slot)
            burstsMade += h.app->sparkler->particles[slot].burst != nullptr ? 1 : 0;
    }
    const std::size_t after = heapInUse();
    EXPECT_GT(burstsMade, 1000); // bursts came and went all along
    // Bursts alive at a given moment vary; a leak of one sheet a burst would add megabytes.
    EXPECT_LT(after, settled + 512 * 1024) << "heap grew from " << settled << " to " << after << " bytes";
}
