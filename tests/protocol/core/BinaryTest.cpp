#include "Binary.h"
#include "ByteOrder.h"
#include "ByteText.h"
#include "TempFolder.h"
#include "TraceCapture.h"
#include "TsLog.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace {

// Every test keeps the protocol log (assertions go there) in its own folder.
class BinaryTest : public ::testing::Test {
protected:
    void TearDown() override { binary_testing::FailAllocationsAfter(-1); }
    ScopedDataFolder data;
    TraceCapture trace;
};

TEST_F(BinaryTest, AppendingNothingChangesNothing)
{
    CBinary a = Hex("01 02");
    CBinary shared(a);
    EXPECT_EQ(a.Append(Hex("")), 0);
    EXPECT_EQ(a.Append(CBinary()), 0);
    EXPECT_EQ(a.Append(nullptr, 0), 0);
    EXPECT_EQ(a.Append(a.GetBuffer(), 0), 0);
    EXPECT_EQ(ToHex(a), "01 02");
    EXPECT_TRUE(a.SharesWith(shared)); // not even unshared

    CBinary empty;
    EXPECT_EQ(empty.Append(nullptr, 0), 0);
    EXPECT_EQ(empty.GetBuffer(), nullptr);
}

TEST_F(BinaryTest, BadAppendArgumentsAreRefused)
{
    CBinary a = Hex("01");
    uint8_t b = 7;
    g_binaryLastError = 0;
    EXPECT_EQ(a.Append(&b, -1), BINARY_BAD_ARGUMENT);
    EXPECT_EQ(g_binaryLastError, BINARY_BAD_ARGUMENT);
    EXPECT_EQ(a.Append(nullptr, 3), BINARY_BAD_ARGUMENT);
    EXPECT_EQ(ToHex(a), "01");
}

TEST_F(BinaryTest, PlusLeavesTheLeftOperandAndItsSharersAlone)
{
    CBinary a = Hex("01 02");
    CBinary sharer(a);
    CBinary sum = a + Hex("03");
    EXPECT_EQ(ToHex(sum), "01 02 03");
    EXPECT_EQ(ToHex(a), "01 02");
    EXPECT_EQ(ToHex(sharer), "01 02");
    EXPECT_TRUE(a.SharesWith(sharer));
    EXPECT_FALSE(sum.SharesWith(a));
    EXPECT_EQ(ToHex(CBinary() + a), "01 02");
    EXPECT_EQ(ToHex(a + CBinary()), "01 02");
}

TEST_F(BinaryTest, WritingThroughASharedHandleCopiesFirst)
{
    CBinary y = Hex("AA BB");
    CBinary x;
    x = y;
    EXPECT_EQ(y.GetRefCount(), 2);

    EXPECT_EQ(x.SetAt(0, 0xAA), 0); // the same byte: nothing written
    EXPECT_TRUE(x.SharesWith(y));

    EXPECT_EQ(x.SetAt(0, 0x11), 0);
    EXPECT_EQ(ToHex(x), "11 BB");
    EXPECT_EQ(ToHex(y), "AA BB");
    EXPECT_FALSE(x.SharesWith(y));
    EXPECT_EQ(x.GetRefCount(), 1);
    EXPECT_EQ(y.GetRefCount(), 1);
}

TEST_F(BinaryTest, EveryWritingOperationUnshares)
{
    const CBinary original = Hex("01 02 03");
    struct Case {
        const char* name;
        void (*write)(CBinary&);
        const char* expected;
    };
    const Case cases[] = {
        {"Append", [](CBinary& b) { b.Append(Hex("04")); }, "01 02 03 04"},
        {"Add", [](CBinary& b) { b.Add(0x04); }, "01 02 03 04"},
        {"SetAt", [](CBinary& b) { b.SetAt(2, 0x09); }, "01 02 09"},
        {"RemoveFirst", [](CBinary& b) { b.RemoveFirst(); }, "02 03"},
        {"Empty", [](CBinary& b) { b.Empty(); }, ""},
        {"Assign", [](CBinary& b) { b.Assign("\x07", 1); }, "07"},
        {"Reserve", [](CBinary& b) { b.Reserve(0); }, "01 02 03"},
    };
    for (const Case& c : cases) {
        CBinary copy(original);
        c.write(copy);
        EXPECT_EQ(ToHex(copy), c.expected) << c.name;
        EXPECT_EQ(ToHex(original), "01 02 03") << c.name;
        EXPECT_FALSE(copy.SharesWith(original)) << c.name;
    }
}

TEST_F(BinaryTest, SetAtOutsideTheBytesWritesNothing)
{
    CBinary a = Hex("10 20");
    EXPECT_EQ(a.SetAt(2, 0x55), BINARY_BAD_POSITION);
    EXPECT_EQ(g_binaryLastError, BINARY_BAD_POSITION);
    EXPECT_EQ(a.SetAt(-1, 0x55), BINARY_BAD_POSITION);
    EXPECT_EQ(ToHex(a), "10 20");
    CBinary empty;
    EXPECT_EQ(empty.SetAt(0, 1), BINARY_BAD_POSITION);
    EXPECT_TRUE(empty.IsEmpty());

    EXPECT_EQ(a.SetAt(1, 0x21), 0);
    EXPECT_EQ(g_binaryLastError, 0); // every SetAt stores its result
}

TEST_F(BinaryTest, PositionsOutsideTheBytesAreReportedAndNeverAbort)
{
    CBinary a = Hex("10 20");
    EXPECT_EQ(a.GetAt(2), 0);
    EXPECT_TRUE(trace.Contains({"[ERROR]", "iPosition<GetSize()", "Binary.cpp", "line "}));
    EXPECT_FALSE(trace.Contains({"iPosition>=0"}));

    trace.Clear();
    EXPECT_EQ(a.GetAt(-3), 0);
    EXPECT_TRUE(trace.Contains({"[ERROR]", "iPosition>=0", "Binary.cpp"}));

    trace.Clear();
    a.SetAt(5, 1);
    EXPECT_TRUE(trace.Contains({"[ERROR]", "iPosition<GetSize()"}));

    trace.Clear();
    EXPECT_EQ(a.GetAt(1), 0x20);
    EXPECT_TRUE(trace.Lines().empty());

    // The same report reaches the protocol log file.
    std::string log = data.Folder().Read("log/Log.txt");
    EXPECT_NE(log.find("[ERROR] Assertion failed: iPosition>=0, file Binary.cpp, line "), std::string::npos) << log;
}

TEST_F(BinaryTest, CompareOrdersUnsignedBytesThenLength)
{
    struct Case {
        const char* a;
        const char* b;
        int expected;
    } cases[] = {
        {"01 02", "01 02 00", -1},
        {"02", "01 FF", 1},
        {"", "", 0},
        {"", "00", -1},
        {"80", "7F", 1}, // unsigned
        {"01 02 03", "01 02 03", 0},
        {"01 02 04", "01 02 03 FF", 1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CBinary::Compare(Hex(c.a), Hex(c.b)), c.expected) << c.a << " vs " << c.b;
        EXPECT_EQ(CBinary::Compare(Hex(c.b), Hex(c.a)), -c.expected) << c.b << " vs " << c.a;
    }
    EXPECT_EQ(CBinary::Compare(CBinary(), Hex("")), 0);
}

TEST_F(BinaryTest, RemoveFirst)
{
    CBinary empty;
    EXPECT_EQ(empty.RemoveFirst(), BINARY_BAD_ARGUMENT);
    CBinary one = Hex("AA");
    EXPECT_EQ(one.RemoveFirst(), 0);
    EXPECT_EQ(one.GetSize(), 0);
    EXPECT_TRUE(one.IsEmpty());
    EXPECT_NE(one.GetBuffer(), nullptr); // an empty buffer, not an empty handle
    EXPECT_EQ(one.RemoveFirst(), BINARY_BAD_ARGUMENT);
    CBinary three = Hex("01 02 03");
    EXPECT_EQ(three.RemoveFirst(), 0);
    EXPECT_EQ(ToHex(three), "02 03");
}

TEST_F(BinaryTest, CapacityGrowsInStepsOfEight)
{
    std::vector<uint8_t> nine(9, 0x33);
    CBinary a(nine.data(), 9);
    EXPECT_EQ(a.GetCapacity(), 16);
    a.Append(nine.data(), 7);
    EXPECT_EQ(a.GetCapacity(), 16);
    a.Add(1);
    EXPECT_EQ(a.GetCapacity(), 24);
    EXPECT_EQ(a.GetSize(), 17);

    CBinary b;
    EXPECT_EQ(b.Reserve(0), 0);
    EXPECT_EQ(b.GetBuffer(), nullptr); // nothing allocated for nothing
    EXPECT_EQ(b.Reserve(1), 0);
    EXPECT_EQ(b.GetCapacity(), 8);
    EXPECT_EQ(b.GetSize(), 0);
}

TEST_F(BinaryTest, EmptyKeepsTheAllocationOfASoleOwnerAndDetachesASharer)
{
    CBinary a = Hex("01 02 03");
    const uint8_t* block = a.GetBuffer();
    a.Empty();
    EXPECT_TRUE(a.IsEmpty());
    EXPECT_EQ(a.GetBuffer(), block);
    EXPECT_EQ(a.GetCapacity(), 8);

    CBinary b = Hex("04 05");
    CBinary c(b);
    c.Empty();
    EXPECT_EQ(c.GetBuffer(), nullptr);
    EXPECT_EQ(ToHex(b), "04 05");
    EXPECT_EQ(b.GetRefCount(), 1);
}

TEST_F(BinaryTest, AssignReplacesTheBytesAndReturnsOne)
{
    CBinary a = Hex("01 02 03");
    EXPECT_EQ(a.Assign("\x09\x08", 2), 1);
    EXPECT_EQ(ToHex(a), "09 08");
    // Its own bytes, shifted, are fine too.
    EXPECT_EQ(a.Assign(a.GetBuffer() + 1, 1), 1);
    EXPECT_EQ(ToHex(a), "08");
}

TEST_F(BinaryTest, AppendingItselfDoublesTheBytes)
{
    CBinary a = Hex("01 02 03 04 05 06 07 08");
    a.Append(a);
    EXPECT_EQ(ToHex(a), "01 02 03 04 05 06 07 08 01 02 03 04 05 06 07 08");
    a.Append(a.GetBuffer(), 4); // through a raw pointer into a block that must grow
    EXPECT_EQ(a.GetSize(), 20);
    EXPECT_EQ(ToHex(CBinary(a.GetBuffer() + 16, 4)), "01 02 03 04");
}

TEST_F(BinaryTest, NoBufferPasses32767Bytes)
{
    std::vector<uint8_t> big(BINARY_MAX_SIZE, 0x5A);
    CBinary a(big.data(), BINARY_MAX_SIZE);
    ASSERT_EQ(a.GetSize(), BINARY_MAX_SIZE);
    EXPECT_EQ(a.GetCapacity(), BINARY_MAX_SIZE);

    g_binaryLastError = 0;
    EXPECT_EQ(a.Add(1), BINARY_NO_MEMORY);
    EXPECT_EQ(g_binaryLastError, BINARY_NO_MEMORY);
    EXPECT_EQ(a.Append(big.data(), 1), BINARY_NO_MEMORY);
    EXPECT_EQ(a.GetSize(), BINARY_MAX_SIZE);

    CBinary b = Hex("01");
    EXPECT_EQ(b.Reserve(BINARY_MAX_SIZE + 1), BINARY_NO_MEMORY);
    EXPECT_EQ(b.Append(big.data(), BINARY_MAX_SIZE), BINARY_NO_MEMORY);
    EXPECT_EQ(ToHex(b), "01");
    EXPECT_EQ(b.GetCapacity(), 8);

    CBinary c;
    EXPECT_EQ(c.Reserve(40000), BINARY_NO_MEMORY);
    EXPECT_EQ(c.GetBuffer(), nullptr);
}

TEST_F(BinaryTest, FailedAllocationLeavesTheHandleAsItWas)
{
    CBinary a = Hex("01 02 03 04 05 06 07 08"); // full: the next byte needs a new block
    CBinary shared(a);
    binary_testing::FailAllocationsAfter(0);
    g_binaryLastError = 0;
    EXPECT_EQ(a.Add(9), BINARY_NO_MEMORY);
    EXPECT_EQ(g_binaryLastError, BINARY_NO_MEMORY);
    EXPECT_EQ(a.SetAt(0, 0x77), BINARY_NO_MEMORY); // the unsharing copy fails
    EXPECT_EQ(a.RemoveFirst(), BINARY_NO_MEMORY);
    EXPECT_EQ(ToHex(a), "01 02 03 04 05 06 07 08");
    EXPECT_TRUE(a.SharesWith(shared));
    CBinary fresh;
    EXPECT_EQ(fresh.Add(1), BINARY_NO_MEMORY);
    EXPECT_EQ(fresh.GetBuffer(), nullptr);

    // One allocation left: a header for the unsharing copy, but no block.
    binary_testing::FailAllocationsAfter(1);
    EXPECT_EQ(a.SetAt(0, 0x77), BINARY_NO_MEMORY);
    EXPECT_TRUE(a.SharesWith(shared));
    binary_testing::FailAllocationsAfter(-1);
    EXPECT_EQ(a.SetAt(0, 0x77), 0);
    EXPECT_EQ(ToHex(shared), "01 02 03 04 05 06 07 08");
}

TEST_F(BinaryTest, AFullReferenceCountGivesTheNextCopyItsOwnBytes)
{
    CBinary a = Hex("C0 FF EE");
    std::vector<CBinary> copies(32766, a);
    EXPECT_EQ(a.GetRefCount(), 32767);
    CBinary extra(a);
    EXPECT_FALSE(extra.SharesWith(a));
    EXPECT_EQ(ToHex(extra), "C0 FF EE");
    CBinary assigned;
    assigned = a;
    EXPECT_FALSE(assigned.SharesWith(a));
    copies.clear();
    EXPECT_EQ(a.GetRefCount(), 1);
}

TEST_F(BinaryTest, HandlesOfOneBufferLiveOnSeveralThreads)
{
    // Two threads copy one buffer at once, write through their copies and let
    // them go, as the UI thread and a worker do with the buffers they pass;
    // under ThreadSanitizer this shows the count and the copy-on-write clean.
    const CBinary shared = Hex("01 02 03 04 05 06 07 08 09");
    constexpr int kRounds = 20000;
    std::atomic<int> wrong{0};
    auto work = [&](uint8_t mark) {
        for (int i = 0; i < kRounds; ++i) {
            CBinary copy(shared);
            CBinary other;
            other = copy;
            if (i % 3 == 0)
                copy.SetAt(0, mark); // takes its own bytes
            if (i % 5 == 0)
                other.Add(mark);
            if (shared.GetAt(0) != 0x01 || other.GetAt(8) != 0x09)
                ++wrong;
        }
    };
    std::thread a(work, 0xAA);
    std::thread b(work, 0xBB);
    a.join();
    b.join();
    EXPECT_EQ(wrong.load(), 0);
    EXPECT_EQ(shared.GetRefCount(), 1);
    EXPECT_EQ(ToHex(shared), "01 02 03 04 05 06 07 08 09");
}

TEST_F(BinaryTest, ToInteger)
{
    EXPECT_EQ(CBinary().ToInteger(), 0u);
    EXPECT_EQ(Hex("12 34").ToInteger(), 0x1234u);
    EXPECT_EQ(Hex("01 02 03 04 05").ToInteger(), 0x02030405u); // only the last four count
}

TEST_F(BinaryTest, GroupElementsShareWithTheirSources)
{
    CBinaryGroup group;
    CBinary a = Hex("01 02");
    EXPECT_EQ(group.Add(a), 0);
    group.Add(Hex("03"));
    ASSERT_EQ(group.m_aContain.size(), 2u);
    EXPECT_TRUE(group.GetAt(0).SharesWith(a));
    EXPECT_EQ(ToHex(group.GetAt(1)), "03");

    CBinaryGroup copy(group);
    EXPECT_TRUE(copy.GetAt(0).SharesWith(a));
    copy.m_aContain[0].SetAt(0, 0x55);
    EXPECT_EQ(ToHex(group.GetAt(0)), "01 02");
}

TEST_F(BinaryTest, GroupIndexOutsideTheListIsReported)
{
    CBinaryGroup group;
    group.Add(Hex("01"));
    EXPECT_TRUE(group.GetAt(1).IsEmpty());
    EXPECT_TRUE(trace.Contains({"[ERROR]", "iSequence<m_aContain.size()"}));
    trace.Clear();
    EXPECT_TRUE(group.GetAt(-1).IsEmpty());
    EXPECT_TRUE(trace.Contains({"iSequence<m_aContain.size()"}));
}

// The bounded readers take a value only when all of its bytes are inside.
TEST(ByteOrderTest, BoundedReadersStayInsideTheBuffer)
{
    const CBinary bytes = Hex("12 34 56 78 9A");
    struct Case {
        int at;
        std::optional<uint16_t> be16;
        std::optional<uint32_t> be32;
    };
    const Case cases[] = {
        {0, 0x1234, 0x12345678u},        {1, 0x3456, 0x3456789Au},         {3, 0x789A, std::nullopt},
        {4, std::nullopt, std::nullopt}, {-1, std::nullopt, std::nullopt}, {1 << 30, std::nullopt, std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ReadBe16At(bytes, c.at), c.be16) << "at " << c.at;
        EXPECT_EQ(ReadBe32At(bytes, c.at), c.be32) << "at " << c.at;
    }
    EXPECT_EQ(ReadBe16At(CBinary(), 0), std::nullopt);
}

} // namespace
