#include "SerialPort.h"
#include "DeviceMap.h"
#include "FakeSerialPort.h"
#include "SearchUsbPort.h"
#include "VirtualClock.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <map>

namespace {

class SerialPortTest : public ::testing::Test {
protected:
    void SetUp() override { port.Install(); }
    void TearDown() override
    {
        SerialClose();
        g_hSerialOwner = nullptr;
        DeviceMap::SetSource({});
    }
    VirtualClock clock;
    FakeSerialPort port;
};

TEST_F(SerialPortTest, ClosedPortRefusesReadAndWrite)
{
    uint8_t b[4] = {1, 2, 3, 4};
    EXPECT_EQ(SerialRead(b, 4), -1);
    EXPECT_EQ(SerialWrite(b, 4), -1);
    EXPECT_TRUE(SerialClose()); // closing a closed port does nothing
    EXPECT_EQ(port.OpenCount(), 0);
}

TEST_F(SerialPortTest, ReadReturnsOnlyWhatIsQueued)
{
    ASSERT_TRUE(SerialOpen(3));
    uint8_t b[8];
    uint32_t before = clock.GetTickCount();
    EXPECT_EQ(SerialRead(b, 8), 0);
    EXPECT_EQ(clock.GetTickCount(), before); // did not wait
    port.Deliver({0x10, 0x20, 0x30});
    EXPECT_EQ(SerialRead(b, 2), 2);
    EXPECT_EQ(b[0], 0x10);
    EXPECT_EQ(SerialRead(b, 8), 1);
    EXPECT_EQ(b[0], 0x30);
}

TEST_F(SerialPortTest, SecondOpenKeepsTheOpenPortWhateverTheNumber)
{
    ASSERT_TRUE(SerialOpen(3));
    EXPECT_TRUE(SerialOpen(7));
    EXPECT_EQ(port.OpenCount(), 1);
    EXPECT_EQ(port.LastComNumber(), 3);
    EXPECT_TRUE(SerialClose());
    EXPECT_FALSE(g_bSerialOpen);
    EXPECT_EQ(port.OpenDevices(), 0);
}

TEST_F(SerialPortTest, FailedOpenLeavesThePortClosed)
{
    port.FailOpen(EBUSY);
    EXPECT_FALSE(SerialOpen(3));
    EXPECT_FALSE(g_bSerialOpen);
}

TEST_F(SerialPortTest, FailedConfigureReportsAndCloses)
{
    std::string reported;
    g_hSerialOwner = [&](const char* text) { reported = text; };
    port.FailConfigure(true);
    EXPECT_FALSE(SerialOpen(3));
    EXPECT_FALSE(g_bSerialOpen);
    EXPECT_EQ(port.OpenDevices(), 0);
    EXPECT_EQ(reported.rfind("SetCommState failed, error = ", 0), 0u) << reported;
}

TEST_F(SerialPortTest, UnpluggedPortReadsAndWritesMinusOne)
{
    ASSERT_TRUE(SerialOpen(3));
    port.Unplug(true);
    uint8_t b[2] = {0, 0};
    EXPECT_EQ(SerialRead(b, 2), -1);
    EXPECT_EQ(SerialWrite(b, 2), -1);
}

TEST_F(SerialPortTest, WriteHandsTheBytesToThePeer)
{
    ASSERT_TRUE(SerialOpen(3));
    const uint8_t b[3] = {0xAA, 0x55, 0xF5};
    EXPECT_EQ(SerialWrite(b, 3), 3);
    EXPECT_EQ(port.Written(), (std::vector<uint8_t>{0xAA, 0x55, 0xF5}));
}

using Values = std::map<std::string, std::string>;

void UseMap(const std::optional<Values>& values)
{
    DeviceMap::SetSource([values]() -> std::optional<std::vector<DeviceMapEntry>> {
        if (!values)
            return std::nullopt;
        std::vector<DeviceMapEntry> out;
        for (auto& [name, data] : *values)
            out.push_back({name, data, "/dev/null"});
        return out;
    });
}

TEST_F(SerialPortTest, SearchPortsFollowsTheValueOrder)
{
    struct Case {
        const char* what;
        std::optional<Values> values;
        std::vector<int> ports;
    } cases[] = {
        {"gap", Values{{"\\Device\\USBSER000", "COM3"}, {"\\Device\\USBSER002", "COM12"}}, {3, 12}},
        {"no map", std::nullopt, {}},
        {"empty map", Values{}, {}},
        {"value order, not port order",
         Values{{"\\Device\\USBSER000", "COM9"}, {"\\Device\\USBSER001", "COM4"}},
         {9, 4}},
        {"last index", Values{{"\\Device\\USBSER199", "COM5"}, {"\\Device\\USBSER200", "COM6"}}, {5}},
        {"other names ignored", Values{{"\\Device\\Serial0", "COM1"}, {"\\Device\\USBSER001", "COM8"}}, {8}},
        {"data too long for the buffer", Values{{"\\Device\\USBSER000", "COM1234567890123456789"}}, {}},
    };
    for (const Case& c : cases) {
        UseMap(c.values);
        CSearchUsbPort search;
        EXPECT_EQ(search.SearchPorts(), static_cast<int>(c.ports.size())) << c.what;
        EXPECT_EQ(search.Ports(), c.ports) << c.what;
    }
}

TEST_F(SerialPortTest, FindDeviceComPortTakesTheFirstAndStoresIt)
{
    UseMap(Values{{"\\Device\\USBSER000", "COM3"}, {"\\Device\\USBSER002", "COM12"}});
    EXPECT_EQ(FindDeviceComPort(), 3);
    EXPECT_EQ(g_nBrelkPort, 3);
    UseMap(std::nullopt);
    EXPECT_EQ(FindDeviceComPort(), 0);
    EXPECT_EQ(g_nBrelkPort, 0);
}

} // namespace
