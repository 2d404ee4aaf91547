#pragma once

#include <string>
#include <utility>

// What a file load tells its caller: loaded, or refused with the text the
// caller shows in its message box. A refused load has read nothing.
struct ImageLoadResult {
    bool loaded = true;
    std::string message;

    static ImageLoadResult Loaded() { return {}; }
    static ImageLoadResult Refused(std::string text) { return {false, std::move(text)}; }
};
