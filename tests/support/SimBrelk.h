#pragma once
// A simulated Brelk that answers command frames, on a fake serial port: the
// in-process stand-in for the device behind g_nBrelkPort. Sensors are added
// to `frames`; the firmware loader and its faults are `loader`; faults of the
// line go through `port`.
#include "BrelkSimulator.h"
#include "FakeSerialPort.h"
#include "SimBrelkLoader.h"
#include "SimFrameHandler.h"

#include <cstdint>

class SimBrelk {
public:
    // Installs the port for COM com, makes it the Brelk's port and answers
    // after answerDelayMs on the installed clock.
    explicit SimBrelk(int com = 3, uint32_t answerDelayMs = 0);
    // Closes the serial port and puts the Brelk's port number back.
    ~SimBrelk();
    SimBrelk(const SimBrelk&) = delete;
    SimBrelk& operator=(const SimBrelk&) = delete;

    BrelkSimulator sim;
    SimFrameHandler frames;
    SimBrelkLoader loader;
    FakeSerialPort port;

private:
    int m_oldPort;
};
