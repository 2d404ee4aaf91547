#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>

struct libusb_context;
struct libusb_device_handle;

// A USBasp on the bus, found by its IDs and strings as avrdude finds it, and
// the vendor requests that reach its firmware. Plain libusb-1.0, no claim on
// the device beyond a job's.
class UsbaspDevice {
public:
    UsbaspDevice(int bus, int address) : wantedBus_(bus), wantedAddress_(address) {}
    ~UsbaspDevice();
    UsbaspDevice(const UsbaspDevice&) = delete;
    UsbaspDevice& operator=(const UsbaspDevice&) = delete;

    // The USBasp at the bus and address asked for (the first found when none
    // was), opened; false with *why saying what to do.
    bool open(std::string* why);
    void close();
    bool isOpen() const { return handle_ != nullptr; }
    int bus() const { return bus_; }
    int address() const { return address_; }
    // The bus and address asked for; 0 for any.
    int wantedBus() const { return wantedBus_; }
    int wantedAddress() const { return wantedAddress_; }

    // A request with its four setup bytes (wValue, wIndex low byte first),
    // data in from the device or out to it. The bytes moved, or a libusb
    // error (negative).
    int in(uint8_t request, const std::array<uint8_t, 4>& setup, std::span<uint8_t> data);
    int out(uint8_t request, const std::array<uint8_t, 4>& setup, std::span<const uint8_t> data);

    // A job's hold on the device, so that no second program talks to it
    // meanwhile: 0, or a libusb error.
    int claim();
    void release();

    // libusb's name for an error number.
    static std::string ErrorName(int error);
    static bool Unplugged(int error);
    static bool Busy(int error);

private:
    int transfer(uint8_t requestType, uint8_t request, const std::array<uint8_t, 4>& setup, uint8_t* data,
                 size_t length);

    int wantedBus_;
    int wantedAddress_;
    libusb_context* context_ = nullptr;
    libusb_device_handle* handle_ = nullptr;
    int bus_ = 0;
    int address_ = 0;
    bool claimed_ = false;
};
