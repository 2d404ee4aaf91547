#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <initializer_list>
#include <mutex>
#include <string>
#include <thread>
#include <utility>

namespace sim {
class IspChip;
}

// An Arduino running the stock ArduinoISP sketch (arduino/arduino-examples,
// 11.ArduinoISP, version 1.18), on the far side of a pseudo-terminal, wired
// to a simulated chip: pin 10 to RST, 11 to MOSI, 12 from MISO, 13 to SCK.
// Written from the STK500 v1 protocol description (AVR061) and the sketch's
// source, as the sketch and the Arduino core behave:
// - the commands and replies the sketch implements; its page commands send
//   AVR opcodes and are only noted here, as nothing of ours may use them;
// - the core's 64-byte receive ring (63 bytes held; one more is lost) and
//   64-byte transmit buffer (print waits for room);
// - reset polarity from Set Device's device code (0xE0 and up: RST high to
//   program); Enter Programming Mode's reset pulse and delays, and its own
//   Programming Enable; SPI mode 0 at 125 kHz, MSB first; Leave releases the
//   lines (the target board's reset resistor then holds RST low);
// - a UART at the sketch's baud rate between the sketch and the host (or
//   native USB, unpaced), an optional USB latency each way, and the reset
//   that opening the port gives an Uno-class board: a bootloader that drops
//   what it hears and answers garbage, then setup()'s LED pulses while
//   bytes wait in the ring. A host at another baud rate is heard as garbage.
// Time: the sketch's clock runs ahead of the host's while it works (each
// SPI bit, each delay) and waits for it when idle; the chip sees the
// sketch's clock; nothing reaches the host before its time. A byte the host
// sends is taken as sent when the model reads it, so a late model can only
// spread the host's bytes, never crowd them.
class ArduinoIspModel {
public:
    struct Board {
        uint32_t baud = 19200;              // the sketch's BAUDRATE
        bool uart = true;                   // false: native USB, no line pace
        int64_t usbLatencyNs = 0;           // each way, on top of the line
        bool resetsOnOpen = true;           // the DTR auto-reset of an Uno
        int64_t bootloaderNs = 1'000'000'000;
        int64_t setupNs = 540'000'000;      // three LEDs pulsed 3 x 60 ms each
        bool runsSketch = true;             // false: another program, silent
    };

    // `busy` tells whether the chip is in a self-timed cycle (write, erase)
    // at a time; the model counts what disturbs one.
    ArduinoIspModel(sim::IspChip& chip, Board board, std::function<bool(int64_t)> busy = {});
    ~ArduinoIspModel();
    ArduinoIspModel(const ArduinoIspModel&) = delete;
    ArduinoIspModel& operator=(const ArduinoIspModel&) = delete;

    // The port the host opens: /dev/pts/N.
    const std::string& device() const { return device_; }
    // The board pulled out when the sketch takes its n-th universal command
    // from now (the port then vanishes).
    void unplugAfter(int universals) { unplugAt_ = universals_ + universals; }

    int universals() const { return universals_; }
    // Bytes lost because the receive ring was full.
    int overruns() const { return overruns_; }
    int resets() const { return resets_; }
    // Instructions begun, and RST taken away, while the chip was still busy:
    // the host waits out every cycle before the next instruction, as it does
    // on the parallel cable (unless it polls for the end on purpose).
    int disturbances() const { return disturbances_; }
    // Commands the link must never use that reached the sketch, in order.
    std::string unexpected() const;

private:
    struct Closed {};
    struct Stop {};

    void run();
    void board();
    void command();

    // The sketch's serial side.
    uint8_t getch();
    void fill(uint8_t* into, int n);
    void putch(uint8_t b);
    void reply(std::initializer_list<uint8_t> middle);
    void emptyReply() { reply({}); }
    void byteReply(uint8_t b) { reply({b}); }

    // The sketch's pins and SPI.
    void pins();
    void noteDisturbance();
    void resetTarget(bool reset);
    uint8_t spi(uint8_t out);
    uint8_t transaction(uint8_t a, uint8_t b, uint8_t c, uint8_t d);
    void startProgramming();
    void endProgramming();

    // The host's side: bytes in with their arrival times, replies out.
    int64_t realNow() const;
    void pump(int64_t waitUntilReal);
    void receive(const uint8_t* bytes, long n, int64_t at);
    void deliver();
    void receiveInterrupts();
    bool baudMatches() const;
    void awaitOpen();
    void unplug();

    sim::IspChip& chip_;
    Board board_;
    std::function<bool(int64_t)> busy_;
    int master_ = -1;
    std::string device_;
    int64_t epoch_ = 0;
    int64_t now_ = 0;
    int64_t byteNs_ = 0;

    std::deque<std::pair<int64_t, uint8_t>> arriving_;
    int64_t lastArrival_ = 0;
    std::deque<uint8_t> ring_;
    std::deque<std::pair<int64_t, uint8_t>> leaving_;
    std::deque<int64_t> departures_;
    int64_t lastDeparture_ = 0;

    // Pins: RST driven (level) or released; SCK and MOSI driven while SPI runs.
    bool rstDriven_ = false;
    bool rstLevel_ = false;
    bool spiOn_ = false;
    bool sck_ = false;
    bool mosi_ = false;
    bool rstActiveHigh_ = false;
    bool programming_ = false;

    std::atomic<int> universals_{0};
    std::atomic<int> unplugAt_{-1};
    std::atomic<int> overruns_{0};
    std::atomic<int> resets_{0};
    std::atomic<int> disturbances_{0};
    std::atomic<bool> stop_{false};
    mutable std::mutex mutex_;
    std::string unexpected_;
    std::thread thread_;
};
