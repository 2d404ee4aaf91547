#include "UsbaspLink.h"

#include "UsbaspProtocol.h"
#include "UsbaspSck.h"
#include "UsbaspTexts.h"

#include <Counter.h>
#include <CrystalTiming.h>

#include <algorithm>

namespace {

// Programming Enable and the answer a chip in programming mode gives to it.
constexpr uint8_t kEnable1 = 0xAC;
constexpr uint8_t kEnable2 = 0x53;
constexpr uint8_t kEnableAnswer = 0x69;

} // namespace

UsbaspLink::UsbaspLink(const ProgrammerSettings& settings, int bus, int address)
    : settings_(settings), device_(bus, address)
{
}

UsbaspLink::~UsbaspLink()
{
    Close();
}

std::string UsbaspLink::Describe()
{
    std::string why;
    if (!device_.isOpen() && !device_.open(&why))
        return why;
    return "USBasp" + usbasp::PlaceText(device_.bus(), device_.address());
}

bool UsbaspLink::PortReady(std::string* why)
{
    // Found afresh for every job: a USBasp plugged in again has a new address.
    Close();
    return device_.open(why);
}

std::string UsbaspLink::TakePortFault()
{
    std::string taken;
    taken.swap(fault_);
    return taken;
}

void UsbaspLink::Close()
{
    LeaveProgramming();
    device_.close();
    capabilitiesKnown_ = false;
    drivesS5x_ = false;
}

void UsbaspLink::fault(const std::string& text)
{
    if (fault_.empty())
        fault_ = text;
}

int64_t UsbaspLink::Now() const
{
    return currentCounter().now();
}

int64_t UsbaspLink::Ticks(uint32_t us)
{
    const int64_t f = currentCounter().frequency();
    const int64_t perSecond = f > 0 ? f : 1'000'000;
    // Rounded up: a wait is a least time.
    return (int64_t{us} * perSecond + 999'999) / 1'000'000;
}

int UsbaspLink::done(const char* name, int result)
{
    anchor_ = Now();
    if (result >= 0)
        return result;
    failed_ = true;
    fault(UsbaspDevice::Unplugged(result) ? usbasp::UnpluggedText(device_.bus(), device_.address())
                                          : usbasp::TransferText(name, UsbaspDevice::ErrorName(result)));
    // Nothing more goes out in this job; the next finds the device again.
    device_.close();
    return -1;
}

int UsbaspLink::in(const char* name, uint8_t request, const std::array<uint8_t, 4>& setup, std::span<uint8_t> data)
{
    if (failed_ || !device_.isOpen())
        return -1;
    return done(name, device_.in(request, setup, data));
}

int UsbaspLink::out(const char* name, uint8_t request, const std::array<uint8_t, 4>& setup,
                    std::span<const uint8_t> data)
{
    if (failed_ || !device_.isOpen())
        return -1;
    return done(name, device_.out(request, setup, data));
}

void UsbaspLink::EnterProgramming()
{
    failed_ = false;
    std::string why;
    if (!device_.isOpen() && !device_.open(&why)) {
        failed_ = true;
        fault(why);
        return;
    }
    if (const int held = device_.claim(); held < 0) {
        failed_ = true;
        fault(UsbaspDevice::Busy(held) ? usbasp::BusyText(device_.bus(), device_.address())
                                       : usbasp::TransferText("claim", UsbaspDevice::ErrorName(held)));
        return;
    }
    std::array<uint8_t, 4> reply{};
    if (!capabilitiesKnown_) {
        // Firmware older than the request answers nothing: no flags.
        const int n = in("GETCAPABILITIES", usbasp::kGetCapabilities, {}, reply);
        if (n < 0)
            return;
        capabilitiesKnown_ = true;
        drivesS5x_ = n == 4 && (reply[2] & usbasp::kCapability2S5x) != 0;
    }
    // The fastest SCK the board's crystal set allows (3 MHz, the slowest
    // these chips take, unless set). A firmware without the request keeps
    // its own default.
    const usbasp::SckOption sck = usbasp::SckForCrystal(CrystalTiming(settings_.crystalHz).hz());
    in("SETISPSCK", usbasp::kSetSck, {sck.id, 0, 0, 0}, reply);
    // Connect drives the pins. The firmware's own enable is what puts an S5x
    // firmware in its AT89S5x mode, RST high (the stock one tries AVRs only
    // and gives up). It may leave the chip anywhere within a frame, and after
    // a failure at a slower SCK: a disconnect drops RST, and connecting again
    // raises it where the mode wants it, at the SCK set, so the chip counts
    // its frames afresh. Whether it answers is the chip's enable's to tell.
    connected_ = true;
    in("CONNECT", usbasp::kConnect, {}, reply);
    in("ENABLEPROG", usbasp::kEnableProg, {}, reply);
    in("DISCONNECT", usbasp::kDisconnect, {}, reply);
    in("CONNECT", usbasp::kConnect, {}, reply);
    // RST has risen during the requests: the chip settles before it takes a frame.
    DelayMicroseconds(settings_.resetTimeUs);
}

void UsbaspLink::LeaveProgramming()
{
    if (!connected_)
        return;
    connected_ = false;
    // Released, RST falls to the board's pull-down and the chip runs.
    std::array<uint8_t, 4> reply{};
    in("DISCONNECT", usbasp::kDisconnect, {}, reply);
    device_.release();
}

void UsbaspLink::DelayMicroseconds(uint32_t us)
{
    const int64_t until = anchor_ + Ticks(us);
    while (Now() < until) {
    }
    // Waits with no request between them add up.
    anchor_ = until;
}

IspLink::Deadline UsbaspLink::DeadlineAfter(uint32_t us)
{
    Deadline deadline;
    deadline.at = anchor_ + Ticks(us);
    deadline.us = us;
    return deadline;
}

bool UsbaspLink::Passed(Deadline& deadline)
{
    return Now() >= deadline.at;
}

void UsbaspLink::ShiftOut(uint8_t)
{
    // The instruction families never ask this of a whole-instruction link;
    // should one, the job fails rather than send half an instruction.
    fault("The USBasp carries whole four-byte instructions only; a single byte cannot be sent over it.");
}

uint8_t UsbaspLink::ShiftIn()
{
    ShiftOut(0);
    return 0xFF;
}

bool UsbaspLink::transmit(const std::array<uint8_t, 4>& frame, std::array<uint8_t, 4>& answer)
{
    answer.fill(0xFF);
    const int n = in("TRANSMIT", usbasp::kTransmit, frame, answer);
    if (n == 4)
        return true;
    if (n >= 0) {
        failed_ = true;
        fault(usbasp::TransferText("TRANSMIT", std::to_string(n) + " bytes back instead of 4"));
    }
    answer.fill(0xFF);
    return false;
}

void UsbaspLink::Send(const std::array<uint8_t, 4>& instruction)
{
    std::array<uint8_t, 4> answer{};
    transmit(instruction, answer);
}

uint8_t UsbaspLink::Ask(const std::array<uint8_t, 3>& instruction)
{
    // MISO idles high: a link that failed reads as no chip.
    std::array<uint8_t, 4> answer{};
    const bool sent = transmit({instruction[0], instruction[1], instruction[2], 0x00}, answer);
    const bool enable = instruction[0] == kEnable1 && instruction[1] == kEnable2;
    if (sent && enable && answer[3] != kEnableAnswer && !drivesS5x_)
        fault(usbasp::FirmwareText());
    return answer[3];
}

void UsbaspLink::AskPage(const std::array<uint8_t, 2>& head, std::span<uint8_t> bytes)
{
    // The firmware sends Read Page with the block's high address, then clocks
    // the page out; a page is read whole, or the chip would be left within
    // its frame.
    std::array<uint8_t, usbasp::kPageBytes> page;
    page.fill(0xFF);
    if (head[0] != usbasp::kReadPageCommand) {
        fault("The USBasp carries Read Page and Write Page only, not page instruction " + std::to_string(head[0]) +
              ".");
        failed_ = true;
    }
    for (int at = 0; at < usbasp::kPageBytes && !failed_; at += usbasp::kBlockBytes) {
        const std::span<uint8_t> block = std::span(page).subspan(static_cast<size_t>(at), usbasp::kBlockBytes);
        const int n = in("READFLASH", usbasp::kReadFlash, {static_cast<uint8_t>(at), head[1], 0, 0}, block);
        if (n >= 0 && n != usbasp::kBlockBytes) {
            failed_ = true;
            fault(usbasp::TransferText("READFLASH", std::to_string(n) + " bytes back instead of " +
                                                        std::to_string(usbasp::kBlockBytes)));
        }
        if (failed_)
            page.fill(0xFF);
    }
    std::copy_n(page.begin(), std::min(bytes.size(), page.size()), bytes.begin());
}

void UsbaspLink::SendPage(const std::array<uint8_t, 2>& head, std::span<const uint8_t> bytes)
{
    // The firmware sends Write Page, then the page's bytes as they come; the
    // chip programs the page once its last byte is in. Bytes past those
    // given go out as 0xFF, which programs nothing: programming only clears bits.
    std::array<uint8_t, usbasp::kPageBytes> page;
    page.fill(0xFF);
    std::copy_n(bytes.begin(), std::min(bytes.size(), page.size()), page.begin());
    if (head[0] != usbasp::kWritePageCommand) {
        fault("The USBasp carries Read Page and Write Page only, not page instruction " + std::to_string(head[0]) +
              ".");
        failed_ = true;
    }
    for (int at = 0; at < usbasp::kPageBytes && !failed_; at += usbasp::kBlockBytes) {
        const auto block = std::span<const uint8_t>(page).subspan(static_cast<size_t>(at), usbasp::kBlockBytes);
        const int n = out("WRITEFLASH", usbasp::kWriteFlash, {static_cast<uint8_t>(at), head[1], 0, 0}, block);
        if (n >= 0 && n != usbasp::kBlockBytes) {
            failed_ = true;
            fault(usbasp::TransferText("WRITEFLASH", std::to_string(n) + " bytes taken instead of " +
                                                         std::to_string(usbasp::kBlockBytes)));
        }
    }
}
