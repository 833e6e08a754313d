// kernel32's MulDiv: scaling with a 64-bit intermediate product.
#include "platform/sim/include/win32_sim.h"

#include <cstdint>

int MulDiv(int number, int numerator, int denominator) {
    if (denominator == 0)
        return -1;
    std::int64_t a = number;
    std::int64_t c = denominator;
    if (c < 0) { // a positive divisor keeps the rounding simple
        a = -a;
        c = -c;
    }
    std::int64_t product = a * numerator;
    // Half the divisor away from zero, then division towards zero.
    std::int64_t result = product >= 0 ? (product + c / 2) / c : (product - c / 2) / c;
    if (result > 2147483647 || result < -2147483647)
        return -1;
    return static_cast<int>(result);
}
