#include "CliUsage.h"

#include <PortChoice.h>

namespace {

const char* const kCommands =
    "Usage: vorlane-cli [OPTIONS] COMMAND [ARGS]\n"
    "Programs an AT89S51, AT89S52 or AT89S53 wired to the parallel port, from a\n"
    "terminal or a script.\n"
    "\n"
    "Commands:\n"
    "  write FILE     write FILE to the chip: bytes the chip holds are skipped,\n"
    "                 every written byte is read back\n"
    "  read OUT       read the chip into OUT\n"
    "  verify FILE    compare the chip with FILE over the file's data\n"
    "  blank-check    check that the chip holds only 0xFF\n"
    "  erase          erase the whole chip and read it back\n"
    "  lock N         set lock level N (1 to 3); only an erase clears it\n"
    "  reset          pulse the target's reset line\n"
    "  info           show the port, the chip, the cable and the timings\n"
    "FILE - is standard input, OUT - standard output.\n"
    "\n"
    "Options:\n"
    "  --port PORT         the port (overrides VORLANE_PORT), one of the forms below\n"
    "  --trace FILE        append every port access to FILE (overrides VORLANE_TRACE)\n"
    "  --format bin|hex    file format of write, read and verify; without it, FILE\n"
    "                      is Intel HEX when it holds Intel HEX records (or its\n"
    "                      name ends in .hex or .ihx), OUT when its name ends so;\n"
    "                      anything else is binary\n"
    "  --range START:END   hexadecimal addresses, both included (write, read,\n"
    "                      verify, blank-check)\n"
    "  --erase             write: erase the chip first\n"
    "  --lock N            write: set lock level N (0 to 3) after a good write\n"
    "  --device CHIP       at89s51, at89s52 or at89s53 (default: the chip chosen\n"
    "                      in the window, else at89s53)\n"
    "  --set NAME=VALUE    override a stored setting for this run,\n"
    "                      e.g. --set \"Clock Pin=5\" --set \"Written Time=3000\"\n"
    "  -q, --quiet         print nothing but errors\n"
    "  -h, --help          show this text\n"
    "  -V, --version       show the version\n";

const char* const kExitStatus =
    "\n"
    "Exit status: 0 done; 1 the chip job failed (mismatch, not blank, a byte that\n"
    "did not program, no target answering); 2 bad command line, or a file that\n"
    "cannot be opened or written (the trace and standard output too), is damaged\n"
    "or holds no data for the device; 3 no port could be had; 129 stopped by a\n"
    "hang-up (SIGHUP: the terminal closed), 130 by Ctrl+C, 143 by SIGTERM, the\n"
    "target's lines released. A closed pipe stops the printing, never the job.\n"
    "See vorlane-cli(1).\n";

} // namespace

std::string CliUsage()
{
    return std::string(kCommands) + "\nPorts:\n" + PortFormHelp(2, 79) + kExitStatus;
}
