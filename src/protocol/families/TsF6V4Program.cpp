#include "TsF6V4Program.h"

CTsF6V4Program::CTsF6V4Program(uint8_t multiSensor, uint8_t freqSelector)
    : CTsF7V4Program(multiSensor, freqSelector, TS_TYPE_F6V4)
{
}
