#include "Clock.h"
#include "DeviceMap.h"
#include "SerialDevice.h"
#include "TempFolder.h"
#include "WakeEvent.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

// A pseudo-terminal pair; the slave stands in for the USB serial device.
struct Pty {
    Pty()
    {
        master = ::posix_openpt(O_RDWR | O_NOCTTY);
        ::grantpt(master);
        ::unlockpt(master);
        slave = ::ptsname(master);
        // Hold a slave descriptor so the pair survives the device's close.
        hold = ::open(slave.c_str(), O_RDWR | O_NOCTTY);
        termios t{};
        ::tcgetattr(hold, &t);
        ::cfmakeraw(&t);
        ::tcsetattr(hold, TCSANOW, &t);
    }
    ~Pty()
    {
        if (hold >= 0)
            ::close(hold);
        if (master >= 0)
            ::close(master);
    }
    void CloseMaster()
    {
        ::close(master);
        master = -1;
    }
    int master = -1;
    int hold = -1;
    std::string slave;
};

TEST(TermiosDevice, ReadsOnlyWhatIsQueuedAndWritesThrough)
{
    Pty pty;
    int err = 0;
    auto dev = OpenTermiosDevice(pty.slave, &err);
    ASSERT_TRUE(dev) << err;
    ASSERT_TRUE(dev->Configure(57600));
    uint8_t buf[16];
    EXPECT_EQ(dev->Queued(), 0);
    EXPECT_EQ(dev->Read(buf, sizeof buf), 0);

    ASSERT_EQ(::write(pty.master, "\xB4\x96\x00\x01", 4), 4);
    ASSERT_EQ(dev->WaitReadable(1000, nullptr), DeviceWait::Ready);
    int n = 0;
    for (int i = 0; i < 100 && n < 4; ++i) {
        int r = dev->Read(buf + n, sizeof buf - n);
        ASSERT_GE(r, 0);
        n += r;
        if (n < 4)
            dev->WaitReadable(10, nullptr);
    }
    EXPECT_EQ(n, 4);
    EXPECT_EQ(buf[0], 0xB4);
    EXPECT_EQ(buf[3], 0x01);

    const uint8_t out[3] = {0xAA, 0x55, 0xF5};
    EXPECT_EQ(dev->Write(out, 3, nullptr), 3);
    char got[3];
    ASSERT_EQ(::read(pty.master, got, 3), 3);
    EXPECT_EQ(static_cast<uint8_t>(got[2]), 0xF5);
}

TEST(TermiosDevice, IsExclusive)
{
    Pty pty;
    int err = 0;
    auto first = OpenTermiosDevice(pty.slave, &err);
    ASSERT_TRUE(first);
    auto second = OpenTermiosDevice(pty.slave, &err);
    EXPECT_FALSE(second);
    EXPECT_EQ(err, EBUSY);
    first->Close();
    auto third = OpenTermiosDevice(pty.slave, &err);
    EXPECT_TRUE(third);
}

TEST(TermiosDevice, HangUpReadsAsFailure)
{
    Pty pty;
    int err = 0;
    auto dev = OpenTermiosDevice(pty.slave, &err);
    ASSERT_TRUE(dev);
    pty.CloseMaster();
    uint8_t buf[4];
    EXPECT_EQ(dev->WaitReadable(100, nullptr), DeviceWait::Ready);
    EXPECT_EQ(dev->Queued(), -1);
    EXPECT_EQ(dev->Read(buf, 4), -1);
}

TEST(TermiosDevice, ClosingPutsTheLineBackAsItWas)
{
    Pty pty;
    // The line as another program left it: 9600 baud, a terminal's cooked mode.
    termios before{};
    ASSERT_EQ(::tcgetattr(pty.hold, &before), 0);
    before.c_lflag |= ICANON | ECHO;
    before.c_iflag |= ICRNL;
    ::cfsetispeed(&before, B9600);
    ::cfsetospeed(&before, B9600);
    ASSERT_EQ(::tcsetattr(pty.hold, TCSANOW, &before), 0);

    int err = 0;
    auto dev = OpenTermiosDevice(pty.slave, &err);
    ASSERT_TRUE(dev) << err;
    ASSERT_TRUE(dev->Configure(57600));
    termios during{};
    ASSERT_EQ(::tcgetattr(pty.hold, &during), 0);
    EXPECT_EQ(::cfgetospeed(&during), B57600);
    EXPECT_EQ(during.c_lflag & (ICANON | ECHO), 0u);

    ASSERT_TRUE(dev->Close());
    termios after{};
    ASSERT_EQ(::tcgetattr(pty.hold, &after), 0);
    EXPECT_EQ(::cfgetospeed(&after), B9600);
    EXPECT_EQ(::cfgetispeed(&after), B9600);
    EXPECT_EQ(after.c_lflag, before.c_lflag);
    EXPECT_EQ(after.c_iflag, before.c_iflag);
    EXPECT_EQ(after.c_oflag, before.c_oflag);
    EXPECT_EQ(after.c_cflag, before.c_cflag);
}

TEST(TermiosDevice, AWaitEndsWithInputOrTheEventOrItsTime)
{
    using Steady = std::chrono::steady_clock;
    Pty pty;
    int err = 0;
    auto dev = OpenTermiosDevice(pty.slave, &err);
    ASSERT_TRUE(dev) << err;
    ASSERT_TRUE(dev->Configure(57600));
    WakeEvent stop;

    auto t0 = Steady::now();
    EXPECT_EQ(dev->WaitReadable(30, &stop), DeviceWait::TimedOut);
    EXPECT_GE(Steady::now() - t0, std::chrono::milliseconds(30));

    // Set from another thread in the middle of a long wait.
    std::thread setter([&stop] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        stop.Set();
    });
    t0 = Steady::now();
    EXPECT_EQ(dev->WaitReadable(10000, &stop), DeviceWait::Woken);
    EXPECT_LT(Steady::now() - t0, std::chrono::seconds(5));
    setter.join();
    // Still set: the next wait ends at once, until it is cleared.
    EXPECT_EQ(dev->WaitReadable(10000, &stop), DeviceWait::Woken);
    EXPECT_EQ(dev->WaitWritable(10000, &stop), DeviceWait::Woken);
    stop.Clear();
    EXPECT_FALSE(stop.IsSet());
    EXPECT_EQ(dev->WaitWritable(1000, &stop), DeviceWait::Ready);

    ASSERT_EQ(::write(pty.master, "x", 1), 1);
    EXPECT_EQ(dev->WaitReadable(10000, &stop), DeviceWait::Ready);
}

TEST(TermiosDevice, AWriteToAStalledLineEndsWhenTheEventIsSet)
{
    using Steady = std::chrono::steady_clock;
    Pty pty; // the master side never reads: the line fills and stalls
    int err = 0;
    auto dev = OpenTermiosDevice(pty.slave, &err);
    ASSERT_TRUE(dev) << err;
    ASSERT_TRUE(dev->Configure(57600));
    // A millisecond a byte: the write would wait for room for some 17 minutes.
    ASSERT_TRUE(dev->SetWriteTimeout(1, 0));
    const std::vector<uint8_t> big(1 << 20, 0x5A);
    WakeEvent stop;
    std::thread setter([&stop] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        stop.Set();
    });
    auto t0 = Steady::now();
    const int written = dev->Write(big.data(), static_cast<int>(big.size()), &stop);
    EXPECT_LT(Steady::now() - t0, std::chrono::seconds(5));
    setter.join();
    EXPECT_GT(written, 0); // what the line took before it stalled
    EXPECT_LT(written, static_cast<int>(big.size()));

    // Still set: a write that finds no room returns at once.
    t0 = Steady::now();
    EXPECT_EQ(dev->Write(big.data(), static_cast<int>(big.size()), &stop), 0);
    EXPECT_LT(Steady::now() - t0, std::chrono::seconds(1));
}

TEST(WakeEventTest, SetWakesAPollUntilCleared)
{
    WakeEvent event;
    ASSERT_GE(event.Fd(), 0);
    EXPECT_FALSE(PollEvents(10, EventsOf({&event, nullptr})));
    event.Set();
    event.Set(); // twice is once
    EXPECT_TRUE(event.IsSet());
    EXPECT_TRUE(PollEvents(10000, EventsOf({nullptr, &event})));
    event.Clear();
    EXPECT_FALSE(event.IsSet());
    EXPECT_FALSE(PollEvents(0, EventsOf({&event})));
    event.Clear(); // twice is once
    event.Set();
    EXPECT_TRUE(SleepUnlessSet(10000, &event)); // on the system clock
}

TEST(TermiosDevice, MissingOrNonTerminalDevicesDoNotOpen)
{
    TempFolder tmp;
    tmp.Write("plain", "x");
    int err = 0;
    EXPECT_FALSE(OpenTermiosDevice(tmp.File("missing"), &err));
    EXPECT_EQ(err, ENOENT);
    EXPECT_FALSE(OpenTermiosDevice(tmp.File("plain"), &err));
    EXPECT_EQ(err, ENOTTY);
}

TEST(DeviceMapLinks, LinkedDevicesBecomeComPorts)
{
    TempFolder links;
    ScopedEnv env("BRELK_PORTS_DIR", links.Path());
    Pty a, b;
    ASSERT_EQ(::symlink(a.slave.c_str(), links.File("com12").c_str()), 0);
    ASSERT_EQ(::symlink(b.slave.c_str(), links.File("COM4").c_str()), 0);
    // Not ports: a dangling link, a file, a bad number.
    ASSERT_EQ(::symlink("/nonexistent", links.File("com5").c_str()), 0);
    links.Write("com6", "x");
    ASSERT_EQ(::symlink(a.slave.c_str(), links.File("com0").c_str()), 0);
    ASSERT_EQ(::symlink(a.slave.c_str(), links.File("comx").c_str()), 0);

    auto map = DeviceMap::ReadSystem();
    // Only the links count here (this machine's real USB ttys, if any, come first).
    std::vector<std::string> linked;
    for (const auto& e : map)
        if (e.devicePath.rfind(links.Path(), 0) == 0)
            linked.push_back(e.portName);
    EXPECT_EQ(linked, (std::vector<std::string>{"COM4", "COM12"}));
    for (size_t i = 0; i < map.size(); ++i) {
        char name[48];
        std::snprintf(name, sizeof name, "\\Device\\USBSER%03u", static_cast<unsigned>(i));
        EXPECT_EQ(map[i].valueName, name);
    }
    EXPECT_EQ(DeviceMap::DevicePathOf(12), links.File("com12"));
    EXPECT_EQ(DeviceMap::DevicePathOf(5), "");

    int err = 0;
    auto dev = OpenSerialDevice(4, &err);
    EXPECT_TRUE(dev);
    EXPECT_FALSE(OpenSerialDevice(5, &err));
}

} // namespace
