#include "OpenSession.h"

#include <ArduinoIspLink.h>
#include <GpioBackend.h>
#include <FtdiLink.h>
#include <NoneBackend.h>
#include <ParallelPortOpener.h>
#include <SimBackend.h>
#include <UsbaspLink.h>

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
        case Kind::Usbasp:
            // A programmer of its own: ConnectSession gives the session its link.
            return std::make_unique<NoneBackend>("No parallel port: VORLANE_PORT names a USBasp");
        case Kind::Arduino:
            // A programmer of its own, not a parallel port (ConnectSession).
            return std::make_unique<NoneBackend>("No parallel port: VORLANE_PORT names Arduino as ISP");
        case Kind::Gpio: {
            auto gpio = std::make_unique<GpioBackend>(choice.gpio, settings);
            if (gpio->open(base))
                return gpio;
            return std::make_unique<NoneBackend>(gpio->describe());
        }
        case Kind::Ftdi:
            // A cable of its own: ConnectSession gives the session its link.
            return std::make_unique<NoneBackend>("No parallel port: VORLANE_PORT names an FTDI cable");
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

void ConnectSession(ProgrammingSession& session, const PortChoice& choice, const std::string& tracePath)
{
    // A programmer that carries whole instructions is a link of its own;
    // every other kind reaches the chip through a port.
    if (choice.kind == PortChoice::Kind::Usbasp) {
        session.setLink(std::make_unique<UsbaspLink>(session.settings(), choice.usbBus, choice.usbDevice));
        return;
    }
    if (choice.kind == PortChoice::Kind::Ftdi) {
        session.setLink(std::make_unique<FtdiLink>(choice.ftdi, session.settings(), tracePath));
        return;
    }
    if (choice.kind == PortChoice::Kind::Arduino) {
        session.setLink(std::make_unique<ArduinoIspLink>(choice.argument, choice.baud));
        return;
    }
    session.setPort(OpenPort(choice, session.settings(), tracePath));
}

std::unique_ptr<ProgrammingSession> OpenSession(ProgrammerSettings& settings, const PortChoice& choice,
                                                const std::string& tracePath)
{
    // Made on a port that opens nothing, then put on the link chosen.
    auto session = std::make_unique<ProgrammingSession>(settings, std::make_unique<Port>(nullptr));
    ConnectSession(*session, choice, tracePath);
    return session;
}
