#pragma once
// The sensor information check: a programmable V4 sensor of any line is
// read without being programmed (versions, battery, temperature and pressure
// now, and what was stored in it when it was programmed: id, date, battery
// and temperature then), and the four records of the identity read are
// converted into this record for display.
//
// Records, multi-byte values big-endian:
//   0  hard-version record: hard version 0-1, boot version 2-3, 6-7, 10-11
//   1  information record: battery 6-7, temperature 8-9, pressure 10-11
//   2  identity block (16 bytes)
//   3  48 bytes from the start of the configuration block: 0-1, id 7-10,
//      17-18, 39-40, temperature 41-42, date 43-44, battery 46-47
#include "Binary.h"

#include <cstdint>

// Bytes of each record the conversion reads; a shorter record fails the check.
constexpr int INFO_HARD_RECORD_BYTES = 12;
constexpr int INFO_MEASURE_RECORD_BYTES = 12;
constexpr int INFO_PROGRAMMED_BYTES = 48;
constexpr int INFO_RECORDS = 4;
constexpr int INFO_ATTEMPTS = 2;

struct DorvanSensorInfo {
    uint8_t m_nFreqSelector = 0; // the frequency selector of the last attempt
    uint16_t m_nBootVersion = 0;
    uint16_t m_nWordA = 0; // record 0 bytes 10-11
    uint16_t m_nHardVersion = 0;
    uint16_t m_nWordB = 0;    // record 0 bytes 6-7, bit 15 cleared
    float m_fBattery = 0;     // volts
    float m_fTemperature = 0; // degrees Celsius
    float m_fPressure = 0;
    CBinary m_Identity;    // record 2
    CBinary m_Programmed;  // record 3
    uint16_t m_nWordC = 0; // record 3 bytes 0-1
    uint32_t m_nProgrammedId = 0;
    uint16_t m_nWordD = 0;           // record 3 bytes 17-18
    uint16_t m_nProgramDate = 0;     // (year << 9) | (month << 5) | day
    float m_fProgramTemperature = 0; // degrees Celsius when programmed
    float m_fProgramBattery = 0;     // volts when programmed
    uint16_t m_nWordE = 0;           // record 3 bytes 39-40
    uint16_t m_nResultCode = 0;      // the reading object's error code, low 16 bits

    // Converts the four records; false, and nothing changed, when one is
    // missing or shorter than the bytes read from it.
    bool FillFromRecords(const CBinaryGroup& records);
};

// Reads the sensor in range with frequency selector 0, then 1 when nothing
// came; 1 when it was read, 0 otherwise (the converted fields then stay as
// they were). Several sensors in range or a user stop end it after the
// attempt that saw them.
int DorvanSensorCheck(DorvanSensorInfo& info);
