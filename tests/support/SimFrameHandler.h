#pragma once
// The command-frame side of the simulated Brelk: takes AA 55 F1 command
// frames (length, body, sum, FF) and the AA 55 F2 FF reset, reads the LF and
// RF settings and the LF data off the wire, hands the request to the
// simulated sensors and answers one B4 96 F1 reply frame per RF telegram.
//
// Written from the frame layout alone: it shares no code with the client's
// frame builder or reply parser, only the line coder and the check routines.
#include "BrelkSimulator.h"
#include "SimSensor.h"

#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

class SimFrameHandler {
public:
    // Registers itself for F1 and F2 on the simulator, which it must outlive
    // no longer than the simulator is used.
    explicit SimFrameHandler(BrelkSimulator& sim);
    SimFrameHandler(const SimFrameHandler&) = delete;
    SimFrameHandler& operator=(const SimFrameHandler&) = delete;

    void AddSensor(std::shared_ptr<SimSensor> sensor);
    void ClearSensors();
    // Line code of LF data behind the preamble (the Brelk is told no code
    // type; the programming families use 0).
    void SetLfCodeType(int codeType);
    // Takes frames but answers none (a Brelk whose radio hears nothing).
    void SetSilent(bool silent);

    // What the Brelk took, the last requests first dropped past a limit.
    std::vector<SimRequest> Requests() const;
    SimRequest LastRequest() const;
    size_t RequestCount() const;
    int ResetCount() const;
    size_t ReplyFramesSent() const;
    // Frames it refused, and other protocol faults it saw, as texts.
    std::vector<std::string> Errors() const;
    void ClearRecords();

    // The frame layout, for tests and the fuzz targets.
    // Parses one command frame from data; returns the bytes taken, 0 when more
    // are needed, -1 when the bytes are not a valid frame (error says why).
    static int ParseCommandFrame(const uint8_t* data, size_t length, int lfCodeType, SimRequest& request,
                                 std::string& error);
    // B4 96 F1, N, 00, status, L, the chips, the 32-bit body sum, FF.
    static std::vector<uint8_t> ReplyFrame(uint8_t status, const std::vector<uint8_t>& chips);

private:
    int OnCommand(const uint8_t* data, size_t length, std::vector<uint8_t>& reply);
    int OnReset(const uint8_t* data, size_t length);

    mutable std::mutex m_mutex;
    std::vector<std::shared_ptr<SimSensor>> m_sensors;
    std::deque<SimRequest> m_requests;
    size_t m_requestCount = 0;
    std::vector<std::string> m_errors;
    int m_resets = 0;
    size_t m_replyFrames = 0;
    int m_lfCodeType = 0;
    bool m_silent = false;
};
