#include "SerialPort.h"

#include "PortHolder.h"

// termios2 takes any baud rate (BOTHER) and cannot be mixed with <termios.h>.
#include <asm/termbits.h>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <thread>
#include <unistd.h>

namespace {

// Long enough for the reset capacitor of an Uno-class board to pull its
// RESET pin low.
constexpr auto kResetPulse = std::chrono::milliseconds(50);

std::string Why(const std::string& device, int error)
{
    const std::string text = std::string(std::strerror(error)) + " (errno " + std::to_string(error) + ")";
    switch (error) {
    case ENOENT:
    case ENODEV:
    case ENXIO:
        return device + " is not there (" + text +
               "): plug the Arduino in; its port is /dev/ttyACM0 or /dev/ttyUSB0 as a rule (ls /dev/ttyACM* "
               "/dev/ttyUSB*).";
    case EACCES:
    case EPERM:
        return "no permission to open " + device + " (" + text +
               "): join group dialout (sudo usermod -aG dialout $USER) and log in again.";
    case EBUSY:
    case EWOULDBLOCK: {
        const std::string holder = ProcessHolding(device);
        return device + " is in use by " +
               (holder.empty() ? std::string("another program (a serial monitor, or ModemManager probing a new board)")
                               : holder) +
               ": close it, then try again.";
    }
    default:
        return device + ": " + text + ".";
    }
}

} // namespace

SerialPort::~SerialPort()
{
    close();
}

bool SerialPort::open(const std::string& device, uint32_t baud, std::string* why)
{
    close();
    failed_ = false;
    const int fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        *why = Why(device, errno);
        return false;
    }
    // Two programs on one line would take each other's answers: the lock
    // keeps out whoever asks for it, TIOCEXCL every other opener but root.
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        *why = Why(device, errno);
        ::close(fd);
        return false;
    }
    const std::string other = ProcessHolding(device);
    if (!other.empty()) {
        *why = device + " is in use by " + other + ": close it, then try again.";
        ::close(fd);
        return false;
    }
    ioctl(fd, TIOCEXCL);
    termios2 t{};
    if (ioctl(fd, TCGETS2, &t) != 0) {
        *why = device + " is not a serial port (" + std::strerror(errno) + ").";
        ::close(fd);
        return false;
    }
    // Raw bytes: no echo, no line editing, no flow control, no translation.
    t.c_iflag = IGNBRK;
    t.c_oflag = 0;
    t.c_lflag = 0;
    t.c_cflag = CS8 | CREAD | CLOCAL | HUPCL | BOTHER;
    t.c_ispeed = baud;
    t.c_ospeed = baud;
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 0;
    if (ioctl(fd, TCSETS2, &t) != 0) {
        *why = device + " does not take " + std::to_string(baud) + " baud (" + std::strerror(errno) + ").";
        ::close(fd);
        return false;
    }
    fd_ = fd;
    flushInput();
    return true;
}

void SerialPort::close()
{
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
}

void SerialPort::fail()
{
    failed_ = true;
}

void SerialPort::pulseReset()
{
    if (fd_ < 0)
        return;
    int lines = TIOCM_DTR | TIOCM_RTS;
    if (ioctl(fd_, TIOCMBIC, &lines) != 0)
        return;
    std::this_thread::sleep_for(kResetPulse);
    ioctl(fd_, TIOCMBIS, &lines);
}

void SerialPort::flushInput()
{
    if (fd_ >= 0)
        ioctl(fd_, TCFLSH, TCIFLUSH);
}

bool SerialPort::writeAll(const uint8_t* bytes, size_t count, int timeoutMs)
{
    if (fd_ < 0 || failed_)
        return false;
    while (count > 0) {
        const ssize_t n = ::write(fd_, bytes, count);
        if (n > 0) {
            bytes += n;
            count -= static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN) {
            fail();
            return false;
        }
        pollfd p{fd_, POLLOUT, 0};
        const int r = poll(&p, 1, timeoutMs);
        if (r == 0)
            return false;
        if (r < 0 && errno == EINTR)
            continue;
        if (r < 0 || (p.revents & (POLLERR | POLLHUP | POLLNVAL))) {
            fail();
            return false;
        }
    }
    return true;
}

long SerialPort::readSome(uint8_t* into, size_t room, int timeoutMs)
{
    if (fd_ < 0 || failed_)
        return -1;
    for (;;) {
        pollfd p{fd_, POLLIN, 0};
        const int r = poll(&p, 1, timeoutMs);
        if (r < 0 && errno == EINTR)
            continue;
        if (r < 0) {
            fail();
            return -1;
        }
        if (r == 0)
            return 0;
        const ssize_t n = ::read(fd_, into, room);
        if (n > 0)
            return n;
        if (n < 0 && (errno == EINTR || errno == EAGAIN))
            continue;
        // A hung-up tty reads as its end.
        fail();
        return -1;
    }
}
