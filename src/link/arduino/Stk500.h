#pragma once

#include <cstdint>

// The STK500 version 1 bytes the stock ArduinoISP sketch understands (Atmel
// application note AVR061, "STK500 Communication Protocol"). Every command
// ends with CRC_EOP; every reply to one in step starts with STK_INSYNC and
// ends with STK_OK.
namespace stk {

constexpr uint8_t kOk = 0x10;
constexpr uint8_t kInSync = 0x14;
constexpr uint8_t kNoSync = 0x15;
constexpr uint8_t kEop = 0x20;

constexpr uint8_t kGetSync = 0x30;       // '0'
constexpr uint8_t kGetSignOn = 0x31;     // '1': the sketch answers "AVR ISP"
constexpr uint8_t kSetDevice = 0x42;     // 'B' + 20 parameter bytes
constexpr uint8_t kEnterProgMode = 0x50; // 'P': reset pulse, then Programming Enable
constexpr uint8_t kLeaveProgMode = 0x51; // 'Q': lines released
constexpr uint8_t kUniversal = 0x56;     // 'V' + 4 instruction bytes: byte 4's answer

// Bytes of a universal command on the line, and of its reply.
constexpr int kUniversalBytes = 6;
constexpr int kUniversalReplyBytes = 3;

} // namespace stk
