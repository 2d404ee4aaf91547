#include "ResetJob.h"

bool ResetJob::run(std::string* why)
{
    link_.TakePortFault();
    if (!link_.PortReady(why))
        return false;
    // No instruction is sent, so the counter frequency of the last job serves.
    link_.EnterProgramming();
    link_.LeaveProgramming();
    const std::string fault = link_.TakePortFault();
    if (!fault.empty() && why)
        *why = fault;
    return fault.empty();
}
