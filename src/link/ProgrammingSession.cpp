#include "ProgrammingSession.h"

#include "MakeInstructionSet.h"

ProgrammingSession::ProgrammingSession(ProgrammerSettings& settings, std::unique_ptr<Port> port)
    : settings_(settings), port_(std::move(port)), driver_(settings_, *port_)
{
}

void ProgrammingSession::selectDevice(DeviceId id)
{
    settings_.device = static_cast<uint32_t>(id);
    port_->release();
}

void ProgrammingSession::setPort(std::unique_ptr<Port> port)
{
    driver_.usePort(*port);
    port_ = std::move(port);
}

std::unique_ptr<InstructionSet> ProgrammingSession::instructions()
{
    return MakeInstructionSet(device(), driver_);
}
