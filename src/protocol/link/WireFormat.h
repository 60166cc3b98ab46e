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

#include <cstddef>
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

// ---- The Brelk's own commands: AA 55, a kind and its arguments, no frame ----

// A reply of the Brelk's own that is read in one buffer (the version text,
// the loader's name and coded replies); a text keeps its terminator in it.
inline constexpr int BRELK_REPLY_BUFFER = 256;
// A coded reply: B4 96 and its code.
inline constexpr int BRELK_CODED_REPLY_LENGTH = 3;

// A command is written whole within this time or given up.
inline constexpr uint32_t BRELK_SEND_TIMEOUT_MS = 2000;

// Version query: AA 55 C8 01 00 00 68; the reply is a text ("V6.11"), in
// pieces maybe, whole at its terminator or after a quiet gap.
inline constexpr uint8_t BRELK_VERSION_QUERY[7] = {
    BRELK_COMMAND_HEAD[0], BRELK_COMMAND_HEAD[1], BRELK_KIND_VERSION, 0x01, 0x00, 0x00, 0x68};
inline constexpr uint8_t BRELK_VERSION_FIRST = 'V';
inline constexpr uint32_t BRELK_VERSION_TIMEOUT_MS = 200;
inline constexpr uint32_t BRELK_VERSION_QUIET_MS = 20;

// Signal steps (AA 55 and the step), by which the Brelk shows success or
// failure: success is repeat x (1 4 2 5) and a last 4, failure 1 3 2 4. Each
// step's answer is read and not examined; the pause after it comes last.
inline constexpr uint8_t BRELK_SIGNAL_STEP_1 = 0xF5;
inline constexpr uint8_t BRELK_SIGNAL_STEP_2 = 0xF6;
inline constexpr uint8_t BRELK_SIGNAL_STEP_3 = 0xF7;
inline constexpr uint8_t BRELK_SIGNAL_STEP_4 = 0xF9;
inline constexpr uint8_t BRELK_SIGNAL_STEP_5 = 0xFA;
inline constexpr int BRELK_SIGNAL_ANSWER_BYTES = 5;
inline constexpr uint32_t BRELK_SIGNAL_ANSWER_MS = 100;
inline constexpr uint32_t BRELK_SIGNAL_PAUSE_MS = 10;
// The pause after the success group's step 4, and after the failure's step 3.
inline constexpr uint32_t BRELK_SIGNAL_SUCCESS_HOLD_MS = 50;
inline constexpr uint32_t BRELK_SIGNAL_FAIL_HOLD_MS = 1500;

// ---- The Brelk's loader, which writes its firmware ----
// Each command is AA 55, a kind and its arguments; the replies are coded
// (B4 96 and a code), the identify reply a text.
inline constexpr uint8_t BRELK_KIND_LOADER_ENTER = 0xCF; // the firmware restarts into its loader
inline constexpr uint8_t BRELK_KIND_LOADER_IDENTIFY = 0xC9;
inline constexpr uint8_t BRELK_KIND_LOADER_EXCHANGE = 0xC0;
inline constexpr uint8_t BRELK_LOADER_EXCHANGE_ARGS[5] = {0x01, 0x02, 0x03, 0x04, 0x05};
inline constexpr uint8_t BRELK_KIND_LOADER_PREPARE = 0xC2;
inline constexpr uint8_t BRELK_LOADER_PREPARE_ARGS[5] = {0x00, 0x40, 0x00, 0x08, 0x76};
// Block header: AA 55 C1, the flash address (LE32), the data frame's length
// (LE16), FF. The data frame: the block's bytes, their sum (LE32), 00, the
// low byte of the block's index.
inline constexpr uint8_t BRELK_KIND_LOADER_BLOCK = 0xC1;
inline constexpr uint8_t BRELK_LOADER_BLOCK_PAD = 0x00;
inline constexpr size_t BRELK_LOADER_BLOCK_TAIL = 6; // sum, pad, index
inline constexpr uint8_t BRELK_KIND_LOADER_FINISH = 0xC3;
inline constexpr uint8_t BRELK_KIND_LOADER_RESTART = 0xC4; // into the firmware written

inline constexpr uint8_t BRELK_REPLY_LOADER_ENTERED = 0x80;
inline constexpr uint8_t BRELK_REPLY_LOADER_EXCHANGE = 0x81;
inline constexpr uint8_t BRELK_REPLY_LOADER_HEADER = 0x82;
inline constexpr uint8_t BRELK_REPLY_LOADER_PREPARED = 0x83;
inline constexpr uint8_t BRELK_REPLY_LOADER_DATA = 0x84;
inline constexpr uint8_t BRELK_REPLY_LOADER_REFUSED = 0xE0; // to finish: the image is not taken
// What the loader answers to identify, with its terminator.
inline constexpr char BRELK_LOADER_IDENTITY[] = "BRELK";
// A block's replies are whole at six bytes, read into a buffer of 32.
inline constexpr int BRELK_LOADER_BLOCK_REPLY_LENGTH = 6;
inline constexpr int BRELK_LOADER_BLOCK_REPLY_BUFFER = 32;
inline constexpr int BRELK_LOADER_BLOCK_TRIES = 3;

// The flash the loader writes: blocks of 2048 bytes from 0x08004000.
inline constexpr uint32_t BRELK_FLASH_BASE = 0x08004000;
inline constexpr size_t BRELK_FLASH_BLOCK_SIZE = 0x800;

// Replies waited for.
inline constexpr uint32_t BRELK_LOADER_ENTER_REPLY_MS = 1500;
inline constexpr uint32_t BRELK_LOADER_IDENTIFY_REPLY_MS = 200; // when asked whether the loader runs
inline constexpr uint32_t BRELK_LOADER_EXCHANGE_REPLY_MS = 2000;
inline constexpr uint32_t BRELK_LOADER_PREPARE_REPLY_MS = 4000;
inline constexpr uint32_t BRELK_LOADER_BLOCK_REPLY_MS = 2000;
inline constexpr uint32_t BRELK_LOADER_FINISH_REPLY_MS = 5000;
// The pause in front of each loader step after the restart into it.
inline constexpr uint32_t BRELK_LOADER_STEP_PAUSE_MS = 200;
// The Brelk leaves the bus to restart (into the loader, then into the new
// firmware) and is looked for again after these, so many times.
inline constexpr uint32_t BRELK_LOADER_RESTART_MS = 4000;
inline constexpr int BRELK_LOADER_REOPEN_TRIES = 20;
inline constexpr uint32_t BRELK_FIRMWARE_RESTART_MS = 3000;
inline constexpr int BRELK_FIRMWARE_REOPEN_TRIES = 10;
inline constexpr uint32_t BRELK_REOPEN_PAUSE_MS = 400;
