#pragma once

// vorlane-cli --help.
extern const char* const kCliUsage;
