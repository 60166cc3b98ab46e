#pragma once
// A simulated sensor in front of the simulated Brelk. The Brelk hands every
// command frame it takes, read off the wire into the settings below, to each
// sensor; a sensor answers with the RF telegrams it sends back, and the Brelk
// returns one reply frame per telegram, line-coded the way the request's RF
// settings (or the telegram) say.
#include <cstdint>
#include <vector>

// The LF settings of a command frame (the 12-byte wire form).
struct SimLfSettings {
    uint8_t volMode = 0;
    uint8_t bridgeMode = 0;
    uint8_t lfMode = 0;
    uint8_t times = 0;
    uint16_t lfSpaceTm = 0;
    uint32_t durationTm = 0;
    uint16_t bitWidth = 0;
    // The one-byte drive form: VolMode in bits 0-1, BridgeMode in bits 6-7.
    uint8_t DriveByte() const { return static_cast<uint8_t>((volMode & 3) | (bridgeMode << 6)); }
};

// The RF settings of a command frame (the 10-byte wire form and the sync part).
struct SimRfSettings {
    uint8_t recvMode = 0;
    uint8_t chipsPerBit = 0;
    uint16_t chipTimeUs = 0;
    uint8_t bps2 = 0;
    uint16_t chipCount = 0;
    uint16_t shWidth = 0;
    uint8_t shWidth2 = 0;
    uint8_t syncBits = 0;
    uint8_t syncLength = 0;          // full length of the sync header
    std::vector<uint8_t> syncHeader; // the bytes sent: at most the last 4
    bool syncComplemented = false;   // the sync check is the header complemented
    // The line code these settings name, as far as the wire tells it: 5 for
    // one chip per bit, 4 for three, and for two 2 with a complemented sync
    // check, else 0. Sensors that send another code say so in their telegram.
    int codeType = 0;
};

struct SimRequest {
    SimLfSettings lf;
    SimRfSettings rf;
    std::vector<uint8_t> lfField; // the data field as it came
    bool lineCoded = false;       // LfMode 8 and above: preamble, 8B 32, coded data
    bool preambleOk = true;       // the preamble and sync bytes were as they should be
    std::vector<uint8_t> lfData;  // what the trigger carries: the decoded data, or the field itself
    uint32_t at = 0;              // tick count when the Brelk took the frame
};

struct SimRfFrame {
    std::vector<uint8_t> telegram; // the bytes the sensor sends, before line coding
    int codeType = -1;             // the line code; -1: the one the request's settings name
    bool chips = false;            // the telegram is chips already and goes out unchanged
    uint8_t status = 0;            // status byte of the Brelk's reply frame
};

class SimSensor {
public:
    virtual ~SimSensor() = default;
    // One command frame reached the sensor; appends what it sends back.
    virtual void OnRequest(const SimRequest& request, std::vector<SimRfFrame>& answers) = 0;
};
