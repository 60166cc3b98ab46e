#include "SimBrelk.h"

#include "SerialPort.h"

SimBrelk::SimBrelk(int com, uint32_t answerDelayMs) : frames(sim), loader(sim), m_oldPort(g_nBrelkPort)
{
    port.Install(com);
    sim.Attach(port, answerDelayMs);
    g_nBrelkPort = com;
}

SimBrelk::~SimBrelk()
{
    SerialClose();
    g_nBrelkPort = m_oldPort;
}
