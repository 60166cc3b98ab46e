// The simulated Brelk's own reading of command frames: what it refuses and
// what it waits for, so tests built on it fail for the right reason.
#include "SimFrameHandler.h"
#include "ByteText.h"
#include "SimV4Sensor.h"

#include <gtest/gtest.h>

namespace {

// LF settings 12 bytes, no data, RF settings 10 bytes, sync 16 bits 55 56 twice.
const char* const GOOD_BODY = "01 00 00 00 00 00 00 00 00 00 00 00 00 00 "
                              "10 02 1A 00 06 90 00 1A 00 06 10 02 55 56 55 56";

std::vector<uint8_t> Frame(const std::string& bodyText, int sumDelta = 0, uint8_t end = 0xFF, int lengthDelta = 0)
{
    const CBinary body = Hex(bodyText);
    std::vector<uint8_t> f = {0xAA, 0x55, 0xF1};
    const int n = body.GetSize() + lengthDelta;
    f.push_back(static_cast<uint8_t>(n));
    f.push_back(static_cast<uint8_t>(n >> 8));
    uint32_t sum = 0;
    for (int i = 0; i < body.GetSize(); ++i) {
        f.push_back(body.GetAt(i));
        sum += body.GetAt(i);
    }
    sum += static_cast<uint32_t>(sumDelta);
    for (int s = 0; s < 32; s += 8)
        f.push_back(static_cast<uint8_t>(sum >> s));
    f.push_back(end);
    return f;
}

TEST(SimFrameHandlerTest, CommandFramesItTakesAndRefuses)
{
    struct Case {
        std::vector<uint8_t> bytes;
        int result; // > 0: taken, 0: waits, -1: refused
        const char* error;
        const char* why;
    } cases[] = {
        {Frame(GOOD_BODY), 40, "", "a whole frame"},
        {[] {
             auto f = Frame(GOOD_BODY);
             f.pop_back();
             return f;
         }(),
         0, "", "the end byte still to come"},
        {Frame(GOOD_BODY, 1), -1, "body sum", "a wrong sum"},
        {Frame(GOOD_BODY, 0, 0xFE), -1, "end byte", "a wrong end byte"},
        {Frame("01 00 00 00 00 00 00 00 00 00 00 00 05 00 10 02 1A 00 06 90 00 1A 00 06 10 02 55 56 55 56"), -1,
         "data length 5 past the body", "a data length the body does not hold"},
        {Frame("01 00 00 00 00 00 00 00 00 00 00 00 00 00 10 02 1A 00 06 90 00 1A 00 06 10 02 55 56 55 57"), -1,
         "sync check is neither", "a sync check that fits no rule"},
        {Frame("01 00 00"), -1, "body length 3", "a body too short for the settings"},
    };
    for (const Case& c : cases) {
        SimRequest request;
        std::string error;
        EXPECT_EQ(SimFrameHandler::ParseCommandFrame(c.bytes.data(), c.bytes.size(), 0, request, error), c.result)
            << c.why;
        EXPECT_EQ(error.substr(0, std::string(c.error).size()), c.error) << c.why;
    }
}

TEST(SimFrameHandlerTest, ABrokenFrameIsDroppedAndTheNextAnswered)
{
    BrelkSimulator sim;
    SimFrameHandler frames(sim);
    frames.AddSensor(std::make_shared<SimV4Sensor>(0x1234));
    std::vector<uint8_t> bytes = Frame(GOOD_BODY, 1);
    const std::vector<uint8_t> good = Frame(GOOD_BODY);
    bytes.insert(bytes.end(), good.begin(), good.end());
    sim.Feed(bytes.data(), bytes.size());
    EXPECT_EQ(frames.RequestCount(), 1u);
    EXPECT_EQ(frames.Errors().front(), "body sum");
    const std::vector<uint8_t> reset = {0xAA, 0x55, 0xF2, 0xFF};
    EXPECT_TRUE(sim.Feed(reset.data(), reset.size()).empty());
    EXPECT_EQ(frames.ResetCount(), 1);
}

TEST(SimFrameHandlerTest, ReplyFrameLayout)
{
    const std::vector<uint8_t> frame = SimFrameHandler::ReplyFrame(0x01, {0x5A, 0xA5});
    EXPECT_EQ(ToHex(CBinary(frame.data(), static_cast<int>(frame.size()))),
              "B4 96 F1 04 00 01 02 5A A5 02 01 00 00 FF");
}

} // namespace
