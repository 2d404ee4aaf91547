#include "ResetJob.h"

void ResetJob::run()
{
    // No instruction is sent, so the counter frequency of the last job serves.
    driver_.EnterProgramming();
    driver_.LeaveProgramming();
}
