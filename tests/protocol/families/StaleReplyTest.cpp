// A sensor whose reply to one request comes late, after the exchange gave up
// on it, at every step of a V4 programming run in turn (search, reads, erase,
// block writes, checks, configuration, end of the link). The late reply must
// never pass for the answer to a later request: each run either succeeds on
// the exchanges' own attempts, with the sensor holding the image and its new
// id, or fails; it never shows success for a sensor that is not right.
#include "ProtocolText.h"
#include "SerialPort.h"
#include "SimFrameHandler.h"
#include "V4ProgramFixture.h"

#include <cstdio>

namespace {

constexpr int kIndex = 0xA3;
constexpr uint32_t kNewId = 0x00ABCDEF;
constexpr size_t kImageBytes = 0x1000;
// The LF trigger, the sensor's wake-up and its radio answer.
constexpr uint32_t kRoundTripMs = 30;

class StaleReplyTest : public V4ProgramFixture {
protected:
    struct Outcome {
        bool success = false;
        bool right = false; // the sensor holds the image, its CRC table and the new id
    };

    // One whole run, search to end of link, against a blank sensor; `late`
    // gives the extra delay of each answer.
    Outcome Run(const V4ImageSpec& spec, BrelkSimulator::AnswerDelay late)
    {
        brelk.frames.ClearSensors();
        auto sensor = AddSensor(0x1234);
        sensor->SetIdentity("PSN-0123456789AB");
        brelk.sim.SetAnswerDelay(std::move(late));
        Outcome outcome;
        {
            CTsF7V4Program program(0, 0);
            SensorIdSet found;
            program.SearchSensorCount(found);
            outcome.success = found == SensorIdSet{0x1234} &&
                              program.ProgramSensor(SensorIdMap{{0x1234, kNewId}}, Hex("00 A3")) &&
                              program.m_setWrittenIds == SensorIdSet{kNewId};
        }
        const std::vector<uint8_t> config = sensor->ReadFlash(SIM_V4_CONFIG, 64);
        outcome.right = sensor->ReadFlash(SIM_V4_IMAGE_START, kImageBytes) ==
                            FlashOfBlocks(spec.blocks, SIM_V4_IMAGE_START, kImageBytes) &&
                        ReadBe32(config.data() + 7) == kNewId;
        brelk.sim.SetAnswerDelay(nullptr);
        clock.Advance(5000); // whatever was still on its way has come and gone
        SerialClose();
        return outcome;
    }

    static uint32_t ReadBe32(const uint8_t* p)
    {
        return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
    }
};

TEST_F(StaleReplyTest, ALateReplyAtAnyStepOfAV4RunNeverAnswersAnotherRequest)
{
    V4ImageSpec spec = SampleV4Image(TS_TYPE_F7V4, kImageBytes, 3);
    WriteImage(TS_TYPE_F7V4, kIndex, BuildV4Image(spec));

    // Every answer takes the time of the radio round trip; the run as it goes
    // without a late reply tells how many answers it takes.
    size_t answers = 0;
    const Outcome clean = Run(spec, [&answers](size_t, const uint8_t*, size_t) {
        ++answers;
        return kRoundTripMs;
    });
    ASSERT_TRUE(clean.success);
    ASSERT_TRUE(clean.right);
    ASSERT_GT(answers, 50u);

    // Late by a little (the reply lands in the window of the retry of its own
    // request), by more (in the window of the request after it, before that
    // one's own answer) and by a second (in a later window, or in the port
    // between two exchanges).
    struct Lateness {
        const char* name;
        uint32_t pastTimeOutMs;
    } latenesses[] = {{"5 ms", 5}, {"45 ms", kRoundTripMs + 15}, {"1 s", 1000}};
    for (const Lateness& l : latenesses) {
        int successes = 0;
        int failures = 0;
        for (size_t step = 0; step < answers; ++step) {
            const Outcome outcome = Run(spec, [step, &l](size_t answer, const uint8_t* command, size_t length) {
                if (answer != step)
                    return kRoundTripMs;
                SimRequest request;
                std::string error;
                SimFrameHandler::ParseCommandFrame(command, length, 0, request, error);
                return (request.lf.durationTm & 0x7FFFFFFFu) + l.pastTimeOutMs;
            });
            EXPECT_TRUE(!outcome.success || outcome.right) << l.name << " late: step " << step << " shows success";
            (outcome.success ? successes : failures) += 1;
        }
        std::printf("a reply %s after its time-out: %zu steps, %d runs succeeded on their own attempts, "
                    "%d failed, none showed a wrong sensor as programmed\n",
                    l.name, answers, successes, failures);
    }
}

} // namespace
