#include "UsbaspSck.h"

#include <iterator>

namespace usbasp {

SckOption SckForCrystal(int64_t crystalHz)
{
    for (const SckOption& option : kSckOptions) {
        if (int64_t{option.hz} * 16 <= crystalHz)
            return option;
    }
    return kSckOptions[std::size(kSckOptions) - 1];
}

} // namespace usbasp
