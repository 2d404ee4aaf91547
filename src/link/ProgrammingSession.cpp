#include "ProgrammingSession.h"

#include "MakeInstructionSet.h"

namespace {

// The driver of a session without a port needs one to refer to: one that
// opens nothing, for nobody.
Port& NoPort()
{
    static Port none(nullptr);
    return none;
}

} // namespace

ProgrammingSession::ProgrammingSession(ProgrammerSettings& settings, std::unique_ptr<Port> port)
    : settings_(settings), port_(std::move(port)), driver_(settings_, *port_)
{
}

ProgrammingSession::ProgrammingSession(ProgrammerSettings& settings, std::unique_ptr<IspLink> link)
    : settings_(settings), other_(std::move(link)), driver_(settings_, NoPort())
{
}

ProgrammingSession::~ProgrammingSession() = default;

void ProgrammingSession::selectDevice(DeviceId id)
{
    settings_.device = static_cast<uint32_t>(id);
    close();
}

void ProgrammingSession::close()
{
    link().Close();
}

void ProgrammingSession::setPort(std::unique_ptr<Port> port)
{
    driver_.usePort(*port);
    port_ = std::move(port);
    other_.reset();
}

void ProgrammingSession::setLink(std::unique_ptr<IspLink> link)
{
    other_ = std::move(link);
    driver_.usePort(NoPort());
    port_.reset();
}

std::unique_ptr<InstructionSet> ProgrammingSession::instructions(std::string* why)
{
    return MakeInstructionSet(device(), link(), why, settings_.crystalHz);
}
