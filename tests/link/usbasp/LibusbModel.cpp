// libusb-1.0 as the model world answers it: the functions the host calls,
// linked in their place with -Wl,--wrap, each as libusb's API documentation
// describes its results.
#include "UsbWorld.h"

#include <Counter.h>

#include <libusb.h>

#include <algorithm>
#include <cstring>
#include <vector>

using usbmodel::UsbDevice;
using usbmodel::World;

struct libusb_context {
    int opened = 0;
};
struct libusb_device {
    UsbDevice* device;
};
struct libusb_device_handle {
    UsbDevice* device;
    bool claimed = false;
};

extern "C" {

int __wrap_libusb_init(libusb_context** context)
{
    World().configureFromEnvironment();
    // The host's waits and the model's time are one.
    SetCounterForTesting(&World().clock);
    if (context)
        *context = new libusb_context;
    return LIBUSB_SUCCESS;
}

void __wrap_libusb_exit(libusb_context* context)
{
    World().save();
    delete context;
}

ssize_t __wrap_libusb_get_device_list(libusb_context*, libusb_device*** list)
{
    std::vector<UsbDevice*> present;
    for (const auto& d : World().devices)
        if (!d->gone)
            present.push_back(d.get());
    auto** out = new libusb_device*[present.size() + 1];
    for (size_t i = 0; i < present.size(); ++i)
        out[i] = new libusb_device{present[i]};
    out[present.size()] = nullptr;
    *list = out;
    return static_cast<ssize_t>(present.size());
}

void __wrap_libusb_free_device_list(libusb_device** list, int unrefDevices)
{
    if (!list)
        return;
    for (libusb_device** d = list; *d; ++d)
        if (unrefDevices)
            delete *d;
    delete[] list;
}

int __wrap_libusb_get_device_descriptor(libusb_device* device, libusb_device_descriptor* descriptor)
{
    *descriptor = {};
    descriptor->bLength = LIBUSB_DT_DEVICE_SIZE;
    descriptor->bDescriptorType = LIBUSB_DT_DEVICE;
    descriptor->idVendor = device->device->vendor;
    descriptor->idProduct = device->device->product;
    descriptor->iManufacturer = device->device->manufacturer.empty() ? 0 : 1;
    descriptor->iProduct = device->device->productName.empty() ? 0 : 2;
    descriptor->bNumConfigurations = 1;
    return LIBUSB_SUCCESS;
}

uint8_t __wrap_libusb_get_bus_number(libusb_device* device)
{
    return static_cast<uint8_t>(device->device->bus);
}

uint8_t __wrap_libusb_get_device_address(libusb_device* device)
{
    return static_cast<uint8_t>(device->device->address);
}

int __wrap_libusb_open(libusb_device* device, libusb_device_handle** handle)
{
    if (device->device->gone)
        return LIBUSB_ERROR_NO_DEVICE;
    if (device->device->denied)
        return LIBUSB_ERROR_ACCESS;
    *handle = new libusb_device_handle{device->device};
    return LIBUSB_SUCCESS;
}

void __wrap_libusb_close(libusb_device_handle* handle)
{
    World().save();
    delete handle;
}

int __wrap_libusb_get_string_descriptor_ascii(libusb_device_handle* handle, uint8_t index, unsigned char* data,
                                               int length)
{
    if (handle->device->gone)
        return LIBUSB_ERROR_NO_DEVICE;
    if (index == 0 || index > 2)
        return LIBUSB_ERROR_PIPE;
    const std::string& text = index == 1 ? handle->device->manufacturer : handle->device->productName;
    const int n = std::min(static_cast<int>(text.size()), length - 1);
    if (n < 0)
        return LIBUSB_ERROR_INVALID_PARAM;
    std::memcpy(data, text.data(), static_cast<size_t>(n));
    data[n] = 0;
    return n;
}

int __wrap_libusb_claim_interface(libusb_device_handle* handle, int interface)
{
    if (handle->device->gone)
        return LIBUSB_ERROR_NO_DEVICE;
    if (interface != 0)
        return LIBUSB_ERROR_NOT_FOUND;
    if (handle->device->heldElsewhere)
        return LIBUSB_ERROR_BUSY;
    handle->claimed = true;
    return LIBUSB_SUCCESS;
}

int __wrap_libusb_release_interface(libusb_device_handle* handle, int interface)
{
    if (handle->device->gone)
        return LIBUSB_ERROR_NO_DEVICE;
    if (interface != 0 || !handle->claimed)
        return LIBUSB_ERROR_NOT_FOUND;
    handle->claimed = false;
    return LIBUSB_SUCCESS;
}

int __wrap_libusb_control_transfer(libusb_device_handle* handle, uint8_t requestType, uint8_t request,
                                   uint16_t value, uint16_t index, unsigned char* data, uint16_t length,
                                   unsigned int timeoutMs)
{
    usbmodel::UsbWorld& world = World();
    UsbDevice& device = *handle->device;
    if (device.gone)
        return LIBUSB_ERROR_NO_DEVICE;
    if (!device.firmware || (requestType & LIBUSB_REQUEST_TYPE_VENDOR) == 0)
        return LIBUSB_ERROR_PIPE;
    if (device.unplugAfter == 0) {
        device.gone = true;
        device.firmware->powerOff(world.clock.peek());
        return LIBUSB_ERROR_NO_DEVICE;
    }
    if (device.unplugAfter > 0)
        --device.unplugAfter;
    ++world.transfers;
    ++world.requests[request];

    const int64_t realStart = usbmodel::ModelClock::realNs();
    const int64_t start = world.clock.peek();
    int64_t end = start;
    const bool in = (requestType & LIBUSB_ENDPOINT_IN) != 0;
    const int moved = in ? device.firmware->controlIn(request, value, index, {data, length}, end)
                         : device.firmware->controlOut(request, value, index, {data, length}, end);
    // The model's own computing is no time on the bus.
    world.clock.exclude(usbmodel::ModelClock::realNs() - realStart);
    const int64_t packets = (std::max(moved, 0) + 7) / 8;
    end += world.transferNs + packets * world.packetNs;
    const int64_t timeoutNs = int64_t{timeoutMs} * 1'000'000;
    const bool late = timeoutMs != 0 && end - start > timeoutNs;
    if (late)
        end = start + timeoutNs;
    world.clock.advanceTo(end);
    world.transferTimeNs += end - start;
    world.requestTimeNs[request] += end - start;
    if (late)
        return LIBUSB_ERROR_TIMEOUT;
    return moved < 0 ? LIBUSB_ERROR_PIPE : moved;
}

const char* __wrap_libusb_error_name(int error)
{
    switch (error) {
    case LIBUSB_SUCCESS: return "LIBUSB_SUCCESS";
    case LIBUSB_ERROR_IO: return "LIBUSB_ERROR_IO";
    case LIBUSB_ERROR_INVALID_PARAM: return "LIBUSB_ERROR_INVALID_PARAM";
    case LIBUSB_ERROR_ACCESS: return "LIBUSB_ERROR_ACCESS";
    case LIBUSB_ERROR_NO_DEVICE: return "LIBUSB_ERROR_NO_DEVICE";
    case LIBUSB_ERROR_NOT_FOUND: return "LIBUSB_ERROR_NOT_FOUND";
    case LIBUSB_ERROR_BUSY: return "LIBUSB_ERROR_BUSY";
    case LIBUSB_ERROR_TIMEOUT: return "LIBUSB_ERROR_TIMEOUT";
    case LIBUSB_ERROR_OVERFLOW: return "LIBUSB_ERROR_OVERFLOW";
    case LIBUSB_ERROR_PIPE: return "LIBUSB_ERROR_PIPE";
    case LIBUSB_ERROR_INTERRUPTED: return "LIBUSB_ERROR_INTERRUPTED";
    case LIBUSB_ERROR_NO_MEM: return "LIBUSB_ERROR_NO_MEM";
    case LIBUSB_ERROR_NOT_SUPPORTED: return "LIBUSB_ERROR_NOT_SUPPORTED";
    default: return "LIBUSB_ERROR_OTHER";
    }
}

} // extern "C"
