#include <IspProgrammer.h>
#include <LinkFixture.h>

#include <vector>

using Bytes = std::vector<uint8_t>;

namespace {

class IspProgrammerTest : public LinkFixture {
protected:
    void SetUp() override
    {
        LinkFixture::SetUp();
        rec = &useRecorder();
        lineDriver().EnterProgramming();
        rec->writes.clear();
    }

    // The bytes the chip would clock in: MOSI at every SCK pulse, 8 bits a byte.
    Bytes clocked() const
    {
        Bytes bytes;
        int bits = 0;
        uint8_t byte = 0;
        for (uint8_t w : rec->writes) {
            if (!(w & 0x02))
                continue;
            byte = static_cast<uint8_t>((byte << 1) | ((w & 0x04) ? 1 : 0));
            if (++bits == 8) {
                bytes.push_back(byte);
                bits = 0;
                byte = 0;
            }
        }
        return bytes;
    }

    RecordingBackend* rec = nullptr;
    IspProgrammer isp{lineDriver()};
};

} // namespace

TEST(IspEncodingTest, AddressByteTable)
{
    struct Row {
        uint16_t address;
        uint8_t read, write;
    };
    const Row rows[] = {{0x0000, 0x01, 0x02}, {0x0123, 0x09, 0x0A}, {0x1234, 0x91, 0x92},
                        {0x1FFF, 0xF9, 0xFA}, {0x2000, 0x05, 0x06}, {0x2ABC, 0x55, 0x56},
                        {0x2FFF, 0x7D, 0x7E}, {0x3000, 0x85, 0x86}};
    for (const Row& r : rows) {
        EXPECT_EQ(IspProgrammer::AddressByte(r.address, false), r.read) << std::hex << r.address;
        EXPECT_EQ(IspProgrammer::AddressByte(r.address, true), r.write) << std::hex << r.address;
    }
    EXPECT_EQ(IspProgrammer::AddressByte(0x4123, false), IspProgrammer::AddressByte(0x0123, false));
    EXPECT_EQ(IspProgrammer::AddressByte(0xFFFF, true), IspProgrammer::AddressByte(0x3FFF, true));
}

TEST(IspEncodingTest, LockByteTable)
{
    EXPECT_EQ(IspProgrammer::LockByte(0), 0xE7);
    EXPECT_EQ(IspProgrammer::LockByte(1), 0x67);
    EXPECT_EQ(IspProgrammer::LockByte(2), 0x27);
    EXPECT_EQ(IspProgrammer::LockByte(3), 0x07);
    EXPECT_EQ(IspProgrammer::LockByte(4), 0x07);
    EXPECT_EQ(IspProgrammer::LockByte(255), 0x07);
}

TEST_F(IspProgrammerTest, ProgrammingEnable)
{
    isp.ProgrammingEnable();
    EXPECT_EQ(clocked(), (Bytes{0xAC, 0x53, 0x53}));
}

TEST_F(IspProgrammerTest, ReadSendsTwoBytesThenClocksOneIn)
{
    rec->idleStatus = 0x00; // BUSY high all along: MISO high
    EXPECT_EQ(isp.ReadCodeByte(0x0000), 0xFF);
    EXPECT_EQ(clocked(), (Bytes{0x01, 0x00, 0x00})) << "MOSI rests while the byte comes in";
    EXPECT_EQ(rec->reads, 8);

    rec->writes.clear();
    isp.ReadCodeByte(0x4123);
    EXPECT_EQ(clocked(), (Bytes{0x09, 0x23, 0x00}));
}

TEST_F(IspProgrammerTest, WriteSendsThreeBytes)
{
    isp.WriteCodeByte(0x2FFF, 0x5A);
    EXPECT_EQ(clocked(), (Bytes{0x7E, 0xFF, 0x5A}));
    EXPECT_EQ(rec->reads, 0);
    rec->writes.clear();
    isp.WriteCodeByte(0x3000, 0x00);
    EXPECT_EQ(clocked(), (Bytes{0x86, 0x00, 0x00}));
}

TEST_F(IspProgrammerTest, LockBitsAreAFullThreeByteInstruction)
{
    isp.WriteLockBits(3);
    EXPECT_EQ(clocked(), (Bytes{0xAC, 0x07, 0x00}));
    rec->writes.clear();
    isp.WriteLockBits(0);
    EXPECT_EQ(clocked(), (Bytes{0xAC, 0xE7, 0x00}));
}

TEST_F(IspProgrammerTest, ChipEraseBracketsItself)
{
    const int64_t before = counter.ticks();
    isp.ChipErase();
    ASSERT_GE(rec->writes.size(), 3u);
    EXPECT_EQ(Bytes(rec->writes.begin(), rec->writes.begin() + 3), (Bytes{0x00, 0x01, 0x00}));
    EXPECT_EQ(clocked(), (Bytes{0xAC, 0x53, 0x53, 0xAC, 0x04, 0x04}));
    EXPECT_EQ(Bytes(rec->writes.end() - 4, rec->writes.end()), (Bytes{0x00, 0x04, 0x07, 0xFF}));
    EXPECT_GE(counter.ticks() - before, 63000 + 20000 + 3000);
}
