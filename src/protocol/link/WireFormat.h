#pragma once
// The bytes on the wire between this program and the Brelk, in one place.
//
// Command frame:  AA 55 kind, then for an exchange (kind F1): body length
//                 (LE16), body, 32-bit sum of the body bytes (LE32), FF.
//                 The body: LF wire form, LF data length (LE16), LF data, RF
//                 wire form, sync-header size, its length and its bytes.
// Reset:          AA 55 F2 FF; whatever the Brelk answers is thrown away.
// Reply frame:    B4 96 F1, N, a second length byte, N body bytes (status,
//                 RF byte count, RF bytes), four checksum bytes, FF.
// LF data of a coded trigger (LfMode 8 and above): a preamble of AA bytes
// ending in AB, the sync bytes 8B 32, then the line-coded data.
// A sensor frame travels as LF data and starts with the lead 00 01.
#include "ByteOrder.h"

#include <cstdint>

// The start of every command to the Brelk, and the kinds of command.
inline constexpr uint8_t BRELK_COMMAND_HEAD[2] = {0xAA, 0x55};
inline constexpr uint8_t BRELK_KIND_EXCHANGE = 0xF1; // LF trigger, then the RF frames caught
inline constexpr uint8_t BRELK_KIND_RESET = 0xF2;
inline constexpr uint8_t BRELK_KIND_VERSION = 0xC8; // the Brelk's own version query
inline constexpr uint8_t BRELK_FRAME_END = 0xFF;
// Header, body length field, sum and end byte around an exchange's body.
inline constexpr int COMMAND_FRAME_OVERHEAD = 10;

// The start of every reply frame; its kind is that of the command.
inline constexpr uint8_t BRELK_REPLY_HEAD[2] = {0xB4, 0x96};
// Header, kind, the two length bytes, checksum and end byte around N.
inline constexpr int REPLY_FRAME_OVERHEAD = 10;

// The preamble and sync bytes in front of line-coded LF data.
inline constexpr uint8_t LF_PREAMBLE_BYTE = 0xAA;
inline constexpr uint8_t LF_PREAMBLE_LAST = 0xAB;
inline constexpr uint8_t LF_SYNC[2] = {0x8B, 0x32};

// The two bytes in front of every sensor frame (V1/V3 and V4 alike).
inline constexpr uint8_t SENSOR_FRAME_LEAD[2] = {0x00, 0x01};

// LF drive bytes: bits 0-1 the coil voltage (VolMode), bits 6-7 the bridge
// mode (BridgeMode). The V4 exchanges alternate the two below.
inline constexpr uint8_t DRIVE_VOLTAGE_2 = 0x02;
inline constexpr uint8_t DRIVE_BRIDGE_1 = 0x40;

// Bit 31 of the receive time-out word (LF DurationTm): wait the whole
// time-out instead of counting reply frames.
inline constexpr uint32_t RECV_WAIT_WHOLE_TIMEOUT = 0x80000000u;

// What the Brelk gets to settle after a reset before its answer is thrown away.
inline constexpr uint32_t BRELK_RESET_SETTLE_MS = 100;
