#pragma once
// The Brelk frame layer over the process-wide serial port: wraps the LF
// settings, the LF data and the RF settings into one command frame, writes it,
// collects the Brelk's reply frames within the time-out and splits them into
// the RF frames it caught.
#include "AbortFlag.h"
#include "TsNetlayerBase.h"
#include "TsReceive.h"
#include "WireFormat.h"

#include <cstdint>

// The read buffer of one receive round.
constexpr int RECV_READ_CHUNK = 4096;
// The sync header travels with at most this many bytes (its last ones). For a
// longer header the sync check holds the same number of bytes, repeated or
// complemented by the same rule as for a short one.
constexpr int SYNC_HEADER_MAX_SENT = 4;

class CTsNetlayer : public CTsNetlayerBase {
public:
    CTsNetlayer() = default;
    // Closes the process-wide port; the next exchange opens it again.
    ~CTsNetlayer() override;

    // Sends AA 55 F2 FF, waits 100 ms and throws away what came back. True
    // when the reset went out.
    bool Reset() override;
    // Send, then Recv, also after a failed send (which set the abort flag).
    void SendRecv(CTsReceive& recv, const CBinary& data) override;
    // False at once while g_bAbort is set; else drops what is left in the
    // port from earlier requests and true when the frame went out.
    bool Send(const CBinary& data) override;
    // Opens the port when it is closed, collects the reply frames within the
    // LF configuration's DurationTm and splits them.
    void Recv(CTsReceive& recv) override;

    // Opens the port when it is closed; true when any byte was written.
    bool WriteToPort(const CBinary& bytes);
    // The command frame of the data: LF data prepared, then BuildToolCommand.
    CBinary BuildToolData(const CBinary& data) const;
    // The receive loop: the bytes collected, at most BINARY_MAX_SIZE of them.
    // It sleeps in one poll on the port and g_bAbort until a byte comes, the
    // time-out passes or a Stop is set.
    CBinary RecvFrames(uint32_t timeoutWord);
};

// The command frame AA 55 F1, body length, body, body sum, FF for the data
// (already prepared) and the link layer's LF and RF settings; empty when the
// frame would not fit a buffer.
CBinary BuildToolCommand(const CBinary& data, const CTsNetlayerBase& link);
