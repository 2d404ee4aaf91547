#include "FtdiCable.h"

#include <algorithm>

#include <ftdi.h>
#include <libusb.h>

namespace {

constexpr int kVendor = 0x0403;
// The cables driven, in the order tried: FT232R, FT232H, FT2232H (its
// first interface, libftdi's default).
constexpr uint16_t kDriven[] = {0x6001, 0x6014, 0x6010};
// FTDI's other parts, named when no cable is found.
constexpr uint16_t kListed[] = {0x6001, 0x6014, 0x6010, 0x6011, 0x6015};

// Empty reads (1 ms each at the latency set) before a read gives up.
constexpr int kEmptyReads = 1000;

std::vector<ftdi::SeenDevice> List(ftdi_context* context, std::span<const uint16_t> products)
{
    std::vector<ftdi::SeenDevice> seen;
    for (const uint16_t product : products) {
        ftdi_device_list* list = nullptr;
        if (ftdi_usb_find_all(context, &list, kVendor, product) <= 0) {
            ftdi_list_free(&list);
            continue;
        }
        for (ftdi_device_list* d = list; d; d = d->next) {
            char description[128] = "";
            char serial[128] = "";
            // Without permission the strings stay unread; the IDs still tell.
            if (ftdi_usb_get_strings(context, d->dev, nullptr, 0, description, sizeof description, serial,
                                     sizeof serial) < 0)
                description[0] = serial[0] = 0;
            seen.push_back({product, description, serial});
        }
        ftdi_list_free(&list);
    }
    return seen;
}

} // namespace

FtdiCable::~FtdiCable()
{
    close(-1);
}

std::string FtdiCable::error() const
{
    const char* text = ftdi_ ? ftdi_get_error_string(ftdi_) : nullptr;
    return text ? text : "no reason given";
}

bool FtdiCable::Find(const std::string& serial, ftdi::SeenDevice* found, std::string* why)
{
    ftdi_context* context = ftdi_new();
    if (!context) {
        *why = ftdi::TransferText("its set-up", "libftdi could not start");
        return false;
    }
    const std::vector<ftdi::SeenDevice> seen = List(context, kListed);
    ftdi_free(context);
    for (const uint16_t product : kDriven)
        for (const ftdi::SeenDevice& d : seen)
            if (d.product == product && (serial.empty() || d.serial == serial)) {
                *found = d;
                return true;
            }
    *why = ftdi::AbsentText(serial, seen);
    return false;
}

bool FtdiCable::open(const std::string& serial, uint8_t outputs, bool mpsse, std::string* why)
{
    close(-1);
    ftdi_ = ftdi_new();
    if (!ftdi_) {
        *why = ftdi::TransferText("its set-up", "libftdi could not start");
        return false;
    }
    // libftdi detaches ftdi_sio from the interface it claims; a port in use
    // as /dev/ttyUSB goes away for the job.
    ftdi_->module_detach_mode = AUTO_DETACH_SIO_MODULE;
    // Its strings, for the status bar, as listed before it is opened.
    const std::vector<ftdi::SeenDevice> seen = List(ftdi_, kDriven);
    int result = -3;
    for (const uint16_t product : kDriven) {
        result = ftdi_usb_open_desc_index(ftdi_, kVendor, product, nullptr, serial.empty() ? nullptr : serial.c_str(),
                                          0);
        if (result != -3) {
            cable_ = {product, {}, serial};
            const auto listed = std::find_if(seen.begin(), seen.end(), [&](const ftdi::SeenDevice& d) {
                return d.product == product && (serial.empty() || d.serial == serial);
            });
            if (listed != seen.end())
                cable_ = *listed;
            break;
        }
    }
    switch (result) {
    case 0:
        break;
    case -3:
        *why = ftdi::AbsentText(serial, List(ftdi_, kListed));
        return false;
    case -4: // libusb_open refused: the device node's permissions
        *why = ftdi::AccessText(serial);
        return false;
    case -8: // claim refused after ftdi_sio could not be detached (EPERM)
        *why = ftdi::DriverText(serial);
        return false;
    case -5: // the interface claimed by another program
        *why = ftdi::BusyText(serial);
        return false;
    default:
        *why = ftdi::TransferText("its opening", error() + ", " + std::to_string(result));
        return false;
    }
    open_ = true;
    mpsse_ = mpsse && HasMpsse(cable_.product);
    // The read-back of a short buffer comes at once, not after the 16 ms
    // the chip waits by default for more.
    if (ftdi_set_latency_timer(ftdi_, 1) < 0 ||
        ftdi_set_bitmode(ftdi_, outputs, mpsse_ ? BITMODE_MPSSE : BITMODE_SYNCBB) < 0) {
        *why = ftdi::TransferText(mpsse_ ? "MPSSE" : "synchronous bit-bang", error());
        close(-1);
        return false;
    }
    return true;
}

bool FtdiCable::setRate(int rate, std::string* why)
{
    // After the bit mode: libftdi applies its bit-bang factor only then.
    if (ftdi_set_baudrate(ftdi_, rate) == 0)
        return true;
    *why = ftdi::TransferText(("a rate of " + std::to_string(rate) + " bytes a second").c_str(), error());
    return false;
}

bool FtdiCable::send(std::span<const uint8_t> out, std::span<uint8_t> in, std::string* why)
{
    const int size = static_cast<int>(out.size());
    const int written = ftdi_write_data(ftdi_, out.data(), size);
    if (written != size) {
        // A failed write gives libftdi's -1 whatever the cause; a read names
        // a device that is gone.
        const std::string reason = error();
        *why = ftdi_read_data(ftdi_, in.data(), 1) == LIBUSB_ERROR_NO_DEVICE ? ftdi::UnpluggedText(cable_.serial)
                                                                             : ftdi::TransferText("a write", reason);
        return false;
    }
    return true;
}

bool FtdiCable::receive(std::span<uint8_t> in, std::string* why)
{
    const int size = static_cast<int>(in.size());
    int got = 0;
    for (int empty = 0; got < size && empty < kEmptyReads;) {
        const int n = ftdi_read_data(ftdi_, in.data() + got, size - got);
        if (n < 0) {
            *why = n == LIBUSB_ERROR_NO_DEVICE ? ftdi::UnpluggedText(cable_.serial)
                                               : ftdi::TransferText("a read", error());
            return false;
        }
        got += n;
        empty = n == 0 ? empty + 1 : 0;
    }
    if (got == size)
        return true;
    *why = ftdi::TransferText("a read", std::to_string(got) + " of " + std::to_string(size) + " bytes back");
    return false;
}

void FtdiCable::close(int heldLowBit)
{
    if (!ftdi_)
        return;
    if (open_) {
        ftdi_set_bitmode(ftdi_, 0, BITMODE_RESET);
        // As a serial port the cable drives DTR and RTS high until asserted;
        // RST there would hold the chip in reset.
        if (heldLowBit == 4)
            ftdi_setdtr(ftdi_, 1);
        else if (heldLowBit == 2)
            ftdi_setrts(ftdi_, 1);
        ftdi_usb_close(ftdi_);
    }
    open_ = false;
    mpsse_ = false;
    ftdi_free(ftdi_);
    ftdi_ = nullptr;
}
