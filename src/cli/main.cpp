#include "CliRunner.h"

#include <clocale>

int main(int argc, char** argv)
{
    // Only to learn whether the terminal speaks UTF-8.
    std::setlocale(LC_CTYPE, "");
    return CliRunner(stdout, stderr).run({argv + 1, argv + argc});
}
