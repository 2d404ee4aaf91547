#include "EraseJob.h"

#include <algorithm>

void EraseJob::run()
{
    // The erase instruction brackets itself. Nothing confirms it: an absent
    // target still gets the message.
    isp_.ChipErase();
    feedback_.message("Memory erased", "", JobFeedback::Buttons::Ok);
    const int32_t size = std::clamp<int32_t>(image_.deviceSize, 0, kImageCapacity);
    std::fill_n(image_.chipCache.begin(), size, 0xFF);
}
