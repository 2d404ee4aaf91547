// vorlane-cli end to end: each command as a separate process on the
// simulated chip kept in a file, with no display and no Qt platform.
#include "CliFixture.h"

#include <cstdio>
#include <regex>

namespace {

std::string Hex2(uint8_t value)
{
    char text[4];
    std::snprintf(text, sizeof text, "%02X", value);
    return text;
}

class CliJobsTest : public CliFixture {
protected:
    // srec_cat's own reading of an Intel HEX file, checksums checked, as a
    // 12 KB binary with erased bytes where the file has none.
    // SDCC writes its records out of address order, which srec_cat would
    // warn about; ours must give it nothing to say.
    Bytes srecBinary(const std::string& hex, bool sdcc = false)
    {
        const std::string bin = path("srec.bin");
        std::vector<std::string> command = {SREC_CAT, hex, "-intel", "-fill", "0xFF", "0", "0x3000", "-o", bin, "-binary"};
        if (sdcc)
            command.insert(command.begin() + 1, "-disable-sequence-warnings");
        const auto r = CliProcess::Run(command, {});
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.err, "") << "srec_cat warned";
        return read(bin);
    }
};

} // namespace

TEST_F(CliJobsTest, SdccFirmwareRoundTripsThroughTheChip)
{
    const Bytes firmware = srecBinary(VORLANE_TEST_FIRMWARE, true);
    ASSERT_EQ(firmware.size(), 12288u);

    auto r = cli({"write", VORLANE_TEST_FIRMWARE, simPort()});
    ASSERT_EQ(r.status, 0) << r.err;
    // A log hears of each tenth of the way once a second has passed.
    const std::regex written("write: .*blinker\\.ihx, [0-9,]+ bytes in 0x0000-0x0[0-9A-F]{3}\n"
                             "(write: [0-9]{1,2}%, 0x0[0-9A-F]{3}, [0-9]+\\.[0-9] s\n)+"
                             "wrote [0-9,]+ bytes, skipped [0-9,]+ already on the chip, "
                             "0x0000-0x0[0-9A-F]{3}, [0-9]+\\.[0-9] s\n");
    EXPECT_TRUE(std::regex_match(r.err, written)) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(chip(), firmware);

    r = cli({"read", path("back.hex"), simPort()});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(std::regex_match(r.err, std::regex("read: 0x0000-0x2FFF into .*back\\.hex\n"
                                                   "(read: [0-9]{1,2}%, 0x[0-9A-F]{4}, [0-9.]+ s\n)*"
                                                   "read 12,288 bytes, 0x0000-0x2FFF, [0-9.]+ s, into .*\n")))
        << r.err;
    EXPECT_EQ(srecBinary(path("back.hex")), firmware);
    const Bytes hex = read(path("back.hex"));
    const std::string text(hex.begin(), hex.end());
    EXPECT_EQ(text.substr(0, 45), HexRecord(0, Bytes(firmware.begin(), firmware.begin() + 16)));
    EXPECT_EQ(text.size(), 768 * 45 + 13u) << "768 records of 16 bytes and the end-of-file record";
    EXPECT_TRUE(text.ends_with(HexRecord(0x2FF0, Bytes(16, 0xFF)) + ":00000001FF\r\n"));

    r = cli({"verify", VORLANE_TEST_FIRMWARE, simPort()});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(std::regex_search(r.err, std::regex("\nverified [0-9,]+ bytes of .*blinker\\.ihx, all match, ")))
        << r.err;
}

TEST_F(CliJobsTest, VerifyTellsEveryPlantedDifferenceInTheFileAndNoneOutsideIt)
{
    Bytes flash = programmed();
    const std::string file = write("fw.hex", HexRecord(0x100, Bytes(flash.begin() + 0x100, flash.begin() + 0x110)) +
                                                 HexRecord(0x200, Bytes(flash.begin() + 0x200, flash.begin() + 0x210)) +
                                                 ":00000001FF\r\n");
    setChip(flash);
    auto r = cli({"verify", file, simPort()});
    EXPECT_EQ(r.status, 0) << r.err << " (the gap 0x110-0x1FF holds no 0xFF on the chip, and is no data of the file)";

    flash[0x105] = 0x00;
    flash[0x20F] = 0xEE;
    flash[0x150] = 0x11; // in the gap
    flash[0x2FFF] = 0x22;
    setChip(flash);
    r = cli({"verify", file, simPort()});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.ends_with("vorlane-cli: " + file + ": 2 of 32 bytes differ from the chip\n"
                                "  0x0105: chip 00, file " + Hex2(programmed()[0x105]) + "\n"
                                "  0x020F: chip EE, file " + Hex2(programmed()[0x20F]) + "\n"))
        << r.err;
    EXPECT_EQ(chip(), flash) << "verify changes nothing";

    r = cli({"verify", file, "--range", "0:1FF", simPort()});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find(": 1 of 16 bytes differ from the chip\n  0x0105"), std::string::npos) << r.err;
}

TEST_F(CliJobsTest, WriteTouchesOnlyTheFilesBytes)
{
    setChip(programmed());
    const std::string file = write("gaps.hex", HexRecord(0x100, Bytes(4, 0x5A)) + HexRecord(0x108, Bytes(2, 0xA5)) +
                                                   HexRecord(0x2FFE, Bytes(2, 0xC3)) + ":00000001FF\r\n");
    auto r = cli({"write", file, "--range", "0:2FFE", simPort()});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(std::regex_search(r.err, std::regex("wrote 7 bytes, skipped 0 already on the chip, 0x0100-0x2FFE, ")))
        << r.err;
    Bytes expected = programmed();
    std::fill_n(expected.begin() + 0x100, 4, 0x5A);
    std::fill_n(expected.begin() + 0x108, 2, 0xA5);
    expected[0x2FFE] = 0xC3;
    EXPECT_EQ(chip(), expected) << "the gap and 0x2FFF, outside --range, keep what the chip held";

    r = cli({"write", file, simPort()});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("wrote 1 byte, skipped 7 already on the chip, 0x0100-0x2FFF"), std::string::npos) << r.err;
}

TEST_F(CliJobsTest, EraseThenWriteWritesOnlyTheProgrammedBytesAndLocks)
{
    setChip(programmed());
    Bytes image(0x40, 0xFF);
    image[0x00] = 0x02;
    image[0x3F] = 0x80;
    const std::string file = write("fw.bin", image);
    auto r = cli({"write", file, "--erase", "--lock", "1", simPort()});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(std::regex_match(r.err, std::regex("erase: the whole chip\n"
                                                   "write: .*fw\\.bin, 64 bytes in 0x0000-0x003F\n"
                                                   "lock: level 1\n"
                                                   "erased the chip, wrote 2 bytes, skipped 62 already on the chip, "
                                                   "0x0000-0x003F, [0-9.]+ s, lock level 1 set\n")))
        << r.err;
    Bytes expected = erased();
    std::copy(image.begin(), image.end(), expected.begin());
    EXPECT_EQ(chip(), Locked(expected, "0x67")) << "LB1 programmed";
}

TEST_F(CliJobsTest, BlankCheckAndErase)
{
    Bytes flash = erased();
    flash[0x2FFF] = 0x7F;
    setChip(flash);
    auto r = cli({"blank-check", simPort()});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.ends_with("\nvorlane-cli: not blank: the byte at 0x2FFF is not 0xFF\n")) << r.err;
    r = cli({"blank-check", "--range", "0:2FFE", simPort()});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(std::regex_search(r.err, std::regex("\nblank: 0x0000-0x2FFE, 12,287 bytes read, all 0xFF, "))) << r.err;

    setChip(programmed());
    r = cli({"erase", simPort()});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(std::regex_match(r.err, std::regex("erase: the whole chip\n"
                                                   "erased: all 12,288 bytes read back 0xFF, [0-9.]+ s\n")))
        << r.err;
    EXPECT_EQ(chip(), erased());
    r = cli({"blank-check", simPort()});
    EXPECT_EQ(r.status, 0) << r.err;
}

TEST_F(CliJobsTest, ALockedChipFailsAWrite)
{
    setChip(erased());
    auto r = cli({"lock", "2", simPort()});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "lock: level 2\nlock level 2 set (same as 1, and verify is disabled); only an erase clears it\n");

    const std::string file = write("fw.bin", Bytes{0x02, 0x00, 0x30});
    r = cli({"write", file, simPort()});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.ends_with("vorlane-cli: Error programming device\nvorlane-cli: " + file +
                                ": the byte at 0x0000 did not take: writing 02, the chip reads back 00 "
                                "(wrote 0 bytes, skipped 0 already on the chip before it)\n"))
        << r.err;
    EXPECT_EQ(chip(), Locked(erased(), "0x27"));

    r = cli({"verify", file, simPort()});
    EXPECT_EQ(r.status, 1) << "a chip that will not be read is no match";
}

TEST_F(CliJobsTest, MessagesSayWhatHappenedAndWhatToDo)
{
    const std::string s52 = "--port=sim:s52:" + path("s52.bin");
    Bytes programmed52 = programmed();
    programmed52.resize(8192);
    write("s52.bin", programmed52);
    const std::string fw = write("fw.bin", Bytes{0x02, 0x00, 0x30});
    const std::string overlapping = write("overlap.hex", HexRecord(0x10, {1, 2, 3, 4}) + HexRecord(0x12, {9, 9, 9}));
    const struct {
        const char* what;
        std::vector<std::string> arguments;
        int status;
        std::string last; // the end of standard error
    } cases[] = {
        {"a refused write says why, and only that", {"write", fw, "--device", "at89s52", s52}, 1,
         "vorlane-cli: The chip must be erased first: address 0000 holds 00, which cannot become 02 (the AT89S52 "
         "only clears bits when it writes). Nothing was written.\n"},
        {"a Reset Time too short for the chip is named", {"erase", "--device", "at89s52", "--set", "Reset Time=100", s52},
         1,
         "vorlane-cli: No answer from the chip: the Reset Time setting (100 us) is shorter than the 10000 us the chip "
         "needs after reset before it takes an instruction; set it to 10000 or more (the default is 50000)\n"},
        {"records that overlap are told, the later loaded", {"write", overlapping, simPort()}, 0,
         "vorlane-cli: warning: " + overlapping +
             ": records overlap at 2 bytes, the first at 0x0012; the values given last were loaded.\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const auto r = cli(c.arguments);
        EXPECT_EQ(r.status, c.status) << r.err;
        const size_t at = r.err.find(c.last);
        EXPECT_TRUE(at != std::string::npos && (c.status == 0 || at + c.last.size() == r.err.size())) << r.err;
    }
    EXPECT_EQ(read(path("s52.bin")), programmed52);
    const Bytes flash = chip();
    EXPECT_EQ(Bytes(flash.begin() + 0x10, flash.begin() + 0x15), (Bytes{1, 2, 9, 9, 9}));
}

TEST_F(CliJobsTest, ResetPulsesTheResetLine)
{
    const auto r = cli({"reset", simPort(), "--trace", path("trace.txt")});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "reset: the target's reset line\nreset: the target was reset and released\n");
    const Bytes trace = read(path("trace.txt"));
    const std::string text(trace.begin(), trace.end());
    const std::regex write(" W ([0-9A-F]{2})\n");
    std::string writes;
    for (auto it = std::sregex_iterator(text.begin(), text.end(), write); it != std::sregex_iterator(); ++it)
        writes += (*it)[1].str() + " ";
    // Enter (rest, reset away from rest and back), then the release.
    EXPECT_EQ(writes, "00 01 00 00 04 07 FF ");
}
