// The Brelk's loader commands alone, against the simulated Brelk's loader on
// the virtual clock: what the link does without the upgrade around it.
#include "BrelkLoader.h"
#include "DeviceMap.h"
#include "SerialPort.h"
#include "SimBrelk.h"
#include "VirtualClock.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// Bytes that no two blocks share.
std::vector<uint8_t> ImageOf(size_t size)
{
    std::vector<uint8_t> image(size);
    for (size_t i = 0; i < size; ++i)
        image[i] = static_cast<uint8_t>((i * 7 + i / 2048 * 13 + 3) & 0xFF);
    return image;
}

class BrelkLoaderTest : public ::testing::Test {
protected:
    // The Brelk is found as COM3, after each restart too.
    void SetUp() override
    {
        DeviceMap::SetSource([] {
            return std::optional<std::vector<DeviceMapEntry>>(
                std::vector<DeviceMapEntry>{{"\\Device\\USBSER000", "COM3", "/dev/null"}});
        });
    }
    void TearDown() override
    {
        g_bDeviceRemoved = 0;
        DeviceMap::SetSource({});
    }

    VirtualClock clock;
    SimBrelk brelk;
};

TEST_F(BrelkLoaderTest, AnImageGoesIntoTheFlashThroughTheLoaderSteps)
{
    EXPECT_FALSE(BrelkIsInLoader()); // the firmware runs: identify goes unanswered
    ASSERT_TRUE(EnterLoader(nullptr));
    ASSERT_TRUE(AwaitLoader());
    EXPECT_TRUE(brelk.loader.InLoader());
    EXPECT_TRUE(LoaderIdentifies());
    EXPECT_TRUE(LoaderExchange(nullptr));
    EXPECT_TRUE(LoaderPrepare(nullptr));

    // Two full blocks and one of a single byte.
    const std::vector<uint8_t> image = ImageOf(2 * 0x800 + 1);
    const std::vector<UpgradeBlock> blocks = SplitIntoBlocks(image.size());
    ASSERT_EQ(blocks.size(), 3u);
    for (size_t i = 0; i < blocks.size(); ++i)
        ASSERT_TRUE(LoaderWriteBlock(image.data(), blocks[i], i, nullptr)) << i;
    const std::vector<SimBrelkLoader::Header> headers = brelk.loader.Headers();
    ASSERT_EQ(headers.size(), 3u);
    const uint32_t addresses[] = {0x08004000, 0x08004800, 0x08005000};
    const uint16_t lengths[] = {0x806, 0x806, 7};
    for (size_t i = 0; i < headers.size(); ++i) {
        EXPECT_EQ(headers[i].address, addresses[i]) << i;
        EXPECT_EQ(headers[i].frameLength, lengths[i]) << i;
    }
    EXPECT_EQ(brelk.loader.Flash(), image);

    EXPECT_FALSE(LoaderFinishRefused(nullptr));
    EXPECT_TRUE(LoaderRestart());
    EXPECT_FALSE(brelk.loader.InLoader());
}

TEST_F(BrelkLoaderTest, ABlockIsTakenOnlyWhenItsDataIsAnswered)
{
    brelk.loader.StartInLoader();
    EXPECT_TRUE(BrelkIsInLoader());
    ASSERT_TRUE(LoaderPrepare(nullptr));
    const std::vector<uint8_t> image = ImageOf(0x800);
    const UpgradeBlock block = SplitIntoBlocks(image.size()).at(0);

    // Refused twice, taken at the third try; refused three times, not taken.
    brelk.loader.FailBlockData(0, 2);
    EXPECT_TRUE(LoaderWriteBlock(image.data(), block, 0, nullptr));
    EXPECT_EQ(brelk.loader.DataFramesRefused(), 2);
    brelk.loader.FailBlockData(0, 3);
    EXPECT_FALSE(LoaderWriteBlock(image.data(), block, 0, nullptr));
    EXPECT_EQ(brelk.loader.DataFramesRefused(), 5);

    // A header answered with another code is not tried again.
    const size_t headersBefore = brelk.loader.Headers().size();
    brelk.loader.SetHeaderReply(0x83);
    EXPECT_FALSE(LoaderWriteBlock(image.data(), block, 0, nullptr));
    EXPECT_EQ(brelk.loader.Headers().size(), headersBefore + 1);
    EXPECT_EQ(brelk.loader.DataFramesRefused(), 5);
}

TEST_F(BrelkLoaderTest, AnUnpluggedBrelkIsNotTakenForItsLoader)
{
    brelk.loader.StartInLoader();
    g_bDeviceRemoved = 1;
    EXPECT_FALSE(BrelkIsInLoader());
    EXPECT_FALSE(EnterLoader(nullptr));
    EXPECT_FALSE(LoaderPrepare(nullptr));
    const std::vector<uint8_t> image = ImageOf(16);
    EXPECT_FALSE(LoaderWriteBlock(image.data(), SplitIntoBlocks(image.size()).at(0), 0, nullptr));
}

} // namespace
