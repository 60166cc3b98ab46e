#pragma once
// A simulated Brelk with V4 (and V1/V3) sensors in front of it on the
// virtual clock, a data folder for the protocol log and a program folder
// that holds the firmware containers the tests write.
#include "ByteText.h"
#include "FirmwareContainerWriter.h"
#include "SimBrelk.h"
#include "SimV3Sensor.h"
#include "SimV4Sensor.h"
#include "TempFolder.h"
#include "TraceCapture.h"
#include "TsF7V4Program.h"
#include "VirtualClock.h"

#include <gtest/gtest.h>

#include <memory>

class V4ProgramFixture : public ::testing::Test {
protected:
    void TearDown() override { g_bAbort.Clear(); }

    std::shared_ptr<SimV4Sensor> AddSensor(uint16_t id, uint16_t hardVersion = 0x7100, uint16_t boot = 0x0411)
    {
        auto sensor = std::make_shared<SimV4Sensor>(id, hardVersion, boot);
        brelk.frames.AddSensor(sensor);
        return sensor;
    }
    std::shared_ptr<SimV3Sensor> AddV3Sensor(uint16_t id, uint16_t v4Hard = 0x7100, uint16_t v4Boot = 0x0411)
    {
        auto sensor = std::make_shared<SimV3Sensor>(id, v4Hard, v4Boot);
        brelk.frames.AddSensor(sensor);
        return sensor;
    }
    // The container of the family in the program folder, with one image.
    void WriteImage(int type, int number, const std::vector<uint8_t>& plain)
    {
        FirmwareContainerWriter writer;
        writer.Add(FirmwareMemberName(type, number), plain);
        writer.WriteTo(programFolder.File(FirmwareContainerName(type)));
    }
    // The data commands (no raw wake-ups) a sensor received, as hex texts.
    static std::vector<std::string> Commands(const SimV4Sensor& sensor, uint8_t command)
    {
        std::vector<std::string> out;
        for (const SimV4Sensor::Request& r : sensor.ReceivedOf(command))
            out.push_back(ToHex(CBinary(r.data.data(), static_cast<int>(r.data.size()))));
        return out;
    }

    ScopedDataFolder data;
    TempFolder programFolder;
    ScopedEnv programDir{"BRELK_PROGRAM_DIR", programFolder.Path()};
    TraceCapture trace;
    VirtualClock clock;
    SimBrelk brelk;
};
