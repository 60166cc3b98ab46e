#pragma once
// The Brelk's own short commands over the Brelk port: the version query and
// the signal sequences that show the user success or failure, and the two raw
// transfer routines the Brelk's loader (BrelkLoader.h) uses too. Their bytes
// and waits are in WireFormat.h.
#include "SerialPort.h"

#include <cstdint>
#include <string>

// Every wait of these commands blocks in one poll on the port and the stop
// signal (AbortFlag.h): a Stop, the Brelk's removal or the window closing
// while one waits ends it at once. A Stop left set from an earlier operation
// does not cut them short (StopToWatch).

// True when the Brelk's port is open or opens now (its number looked up anew):
// what every operation asks before it talks to the Brelk.
bool EnsureDeviceConnected();
// True while the Brelk's device node is in the device map.
bool BrelkNodePresent();
// True when the Brelk was seen removed, or its device node has left the
// device map: what ended an exchange that failed, before or without the
// notice of its removal.
bool BrelkUnplugged();
// Drops what is left in the port from earlier commands (logged), then writes
// one command: 1 when written whole, 0 when the Brelk was removed or a Stop
// came, -1 when the port can't be opened (no message) or after a 2 s time-out
// ("Send over time." to SerialReportError).
int SendCommand(int length, const uint8_t* bytes);
// Returns as soon as any bytes arrived (their count), 0 when the Brelk was
// removed or a Stop came, -1 after the time-out ("Receive over time." to
// SerialReportError) or when the port fails (the Brelk went).
int ReceiveBytes(int maxBytes, uint8_t* buffer, uint32_t timeoutMs);
// The Brelk's firmware version ("V6.11"), or "" when it doesn't answer with one.
std::wstring GetBrelkVersion();
// repeat x (F5, F9, F6, FA) and a last F9.
void SendBrelkSuccessSignal(int repeat);
// F5, F7, F6, F9.
void SendBrelkFailSignal();
