#include "OpenSession.h"

#include <NoneBackend.h>
#include <ParallelPortOpener.h>
#include <SimBackend.h>

Port::Opener PortOpener(const PortChoice& choice, const ProgrammerSettings& settings)
{
    using Kind = PortChoice::Kind;
    return [choice, &settings](uint16_t base) -> std::unique_ptr<PortBackend> {
        switch (choice.kind) {
        case Kind::Auto:
            return OpenParallelPort(ParallelAccess::Auto, {}, base);
        case Kind::Ppdev:
            return OpenParallelPort(ParallelAccess::Ppdev, choice.argument, base);
        case Kind::Direct:
            return OpenParallelPort(ParallelAccess::Direct, {}, base);
        case Kind::Sim: {
            auto sim = std::make_unique<SimBackend>(choice.argument, choice.accessNs, choice.simModel,
                                                    [&settings] { return StoredDevice(settings.device).id; });
            sim->setCrystalHz(choice.crystalHz);
            if (sim->open(base))
                return sim;
            return std::make_unique<NoneBackend>(sim->describe());
        }
        case Kind::None:
            return std::make_unique<NoneBackend>("No port: VORLANE_PORT=none");
        case Kind::Invalid:
            break;
        }
        return std::make_unique<NoneBackend>("No port: VORLANE_PORT=" + choice.argument + " " + choice.problem);
    };
}

std::unique_ptr<Port> OpenPort(const PortChoice& choice, const ProgrammerSettings& settings,
                               const std::string& tracePath)
{
    return std::make_unique<Port>(PortOpener(choice, settings), tracePath);
}

std::unique_ptr<ProgrammingSession> OpenSession(ProgrammerSettings& settings, const PortChoice& choice,
                                                const std::string& tracePath)
{
    return std::make_unique<ProgrammingSession>(settings, OpenPort(choice, settings, tracePath));
}
