#include "ResetJob.h"

bool ResetJob::run(std::string* why)
{
    driver_.TakePortFault();
    if (!driver_.PortReady(why))
        return false;
    // No instruction is sent, so the counter frequency of the last job serves.
    driver_.EnterProgramming();
    driver_.LeaveProgramming();
    const std::string fault = driver_.TakePortFault();
    if (!fault.empty() && why)
        *why = fault;
    return fault.empty();
}
