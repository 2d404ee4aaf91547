#include "UsbaspDevice.h"

#include "UsbaspProtocol.h"
#include "UsbaspTexts.h"

#include <libusb.h>

#include <cstring>
#include <vector>

namespace {

// A request far beyond the slowest one (the firmware's own enable, which
// may try every SCK down to 2 kHz) means the device is gone astray.
constexpr unsigned kTimeoutMs = 5000;

// The string descriptor `index`, or "" when there is none or it cannot be read.
std::string StringOf(libusb_device_handle* handle, uint8_t index)
{
    if (index == 0)
        return "";
    unsigned char text[256] = {};
    const int n = libusb_get_string_descriptor_ascii(handle, index, text, sizeof text - 1);
    return n > 0 ? std::string(reinterpret_cast<const char*>(text), static_cast<size_t>(n)) : std::string();
}

} // namespace

UsbaspDevice::~UsbaspDevice()
{
    close();
}

bool UsbaspDevice::open(std::string* why)
{
    close();
    const int init = libusb_init(&context_);
    if (init < 0) {
        context_ = nullptr;
        if (why)
            *why = "USB cannot be used from here (" + ErrorName(init) + "): no USBasp can be reached.";
        return false;
    }
    libusb_device** list = nullptr;
    const ssize_t count = libusb_get_device_list(context_, &list);
    if (count < 0) {
        if (why)
            *why = "The USB devices cannot be listed (" + ErrorName(static_cast<int>(count)) +
                   "): no USBasp can be reached.";
        close();
        return false;
    }
    std::vector<usbasp::SeenDevice> seen;
    int deniedBus = 0;
    int deniedAddress = 0;
    bool denied = false;
    for (ssize_t i = 0; i < count && !handle_; ++i) {
        libusb_device* device = list[i];
        libusb_device_descriptor descriptor{};
        if (libusb_get_device_descriptor(device, &descriptor) < 0)
            continue;
        usbasp::SeenDevice d{descriptor.idVendor, descriptor.idProduct, libusb_get_bus_number(device),
                             libusb_get_device_address(device), {}};
        const bool here = wantedBus_ == 0 || (d.bus == wantedBus_ && d.address == wantedAddress_);
        if (here && d.vendor == usbasp::kVendorId && d.product == usbasp::kProductId) {
            libusb_device_handle* handle = nullptr;
            const int r = libusb_open(device, &handle);
            if (r == LIBUSB_ERROR_ACCESS) {
                denied = true;
                deniedBus = d.bus;
                deniedAddress = d.address;
                d.note = " (permission denied)";
            } else if (r < 0) {
                d.note = " (cannot be opened: " + ErrorName(r) + ")";
            } else {
                // The ID is shared by every V-USB vendor-class device.
                const std::string maker = StringOf(handle, descriptor.iManufacturer);
                const std::string product = StringOf(handle, descriptor.iProduct);
                if (maker == usbasp::kManufacturer && product == usbasp::kProduct) {
                    handle_ = handle;
                    bus_ = d.bus;
                    address_ = d.address;
                } else {
                    d.note = " (\"" + maker + "\" \"" + product + "\", not a USBasp)";
                    libusb_close(handle);
                }
            }
        }
        seen.push_back(std::move(d));
    }
    libusb_free_device_list(list, 1);
    if (handle_)
        return true;
    if (why)
        *why = denied ? usbasp::AccessText(deniedBus, deniedAddress)
                      : usbasp::AbsentText(wantedBus_, wantedAddress_, seen);
    close();
    return false;
}

void UsbaspDevice::close()
{
    release();
    if (handle_)
        libusb_close(handle_);
    handle_ = nullptr;
    if (context_)
        libusb_exit(context_);
    context_ = nullptr;
}

int UsbaspDevice::in(uint8_t request, const std::array<uint8_t, 4>& setup, std::span<uint8_t> data)
{
    return transfer(LIBUSB_ENDPOINT_IN, request, setup, data.data(), data.size());
}

int UsbaspDevice::out(uint8_t request, const std::array<uint8_t, 4>& setup, std::span<const uint8_t> data)
{
    // libusb takes a non-const buffer for both directions; an OUT transfer
    // only reads it.
    return transfer(LIBUSB_ENDPOINT_OUT, request, setup, const_cast<uint8_t*>(data.data()), data.size());
}

int UsbaspDevice::transfer(uint8_t direction, uint8_t request, const std::array<uint8_t, 4>& setup, uint8_t* data,
                           size_t length)
{
    if (!handle_)
        return LIBUSB_ERROR_NO_DEVICE;
    const auto value = static_cast<uint16_t>(setup[1] << 8 | setup[0]);
    const auto index = static_cast<uint16_t>(setup[3] << 8 | setup[2]);
    const auto type = static_cast<uint8_t>(int{LIBUSB_REQUEST_TYPE_VENDOR} | int{LIBUSB_RECIPIENT_DEVICE} | direction);
    return libusb_control_transfer(handle_, type, request, value, index, data, static_cast<uint16_t>(length),
                                   kTimeoutMs);
}

int UsbaspDevice::claim()
{
    if (!handle_)
        return LIBUSB_ERROR_NO_DEVICE;
    if (claimed_)
        return 0;
    const int r = libusb_claim_interface(handle_, 0);
    claimed_ = r == 0;
    return r;
}

void UsbaspDevice::release()
{
    if (handle_ && claimed_)
        libusb_release_interface(handle_, 0);
    claimed_ = false;
}

std::string UsbaspDevice::ErrorName(int error)
{
    return libusb_error_name(error);
}

bool UsbaspDevice::Unplugged(int error)
{
    return error == LIBUSB_ERROR_NO_DEVICE;
}

bool UsbaspDevice::Busy(int error)
{
    return error == LIBUSB_ERROR_BUSY;
}
