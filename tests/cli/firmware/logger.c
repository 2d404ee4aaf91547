/* A data logger for the AT89S51/52 on P1 and P3: it samples P3, looks each
 * sample up in a calibration table and sends the result out on P1, with a
 * checksum of the table at start-up so a damaged chip shows. Built with
 * `sdcc -mmcs51 -DTABLE_BLOCKS=n` as real firmware filling most of the
 * chip: 14 blocks of 256 bytes for the AT89S51's 4 KB, 30 for the
 * AT89S52's 8 KB. */
#include <8051.h>

#ifndef TABLE_BLOCKS
#define TABLE_BLOCKS 14
#endif

/* A calibration curve: every entry a different function of its index, so
 * that a misplaced or lost page of the table shows. */
#define E(i) (unsigned char)((((unsigned long)(i) * 73u) ^ ((i) >> 3) ^ (((i) >> 8) * 29u)) + 7u)
#define X4(i) E(i), E((i) + 1), E((i) + 2), E((i) + 3)
#define X16(i) X4(i), X4((i) + 4), X4((i) + 8), X4((i) + 12)
#define X64(i) X16(i), X16((i) + 16), X16((i) + 32), X16((i) + 48)
#define X256(i) X64(i), X64((i) + 64), X64((i) + 128), X64((i) + 192)

static __code const unsigned char calibration[TABLE_BLOCKS * 256] = {
    X256(0)
#if TABLE_BLOCKS > 1
    , X256(256)
#endif
#if TABLE_BLOCKS > 2
    , X256(512)
#endif
#if TABLE_BLOCKS > 3
    , X256(768)
#endif
#if TABLE_BLOCKS > 4
    , X256(1024)
#endif
#if TABLE_BLOCKS > 5
    , X256(1280)
#endif
#if TABLE_BLOCKS > 6
    , X256(1536)
#endif
#if TABLE_BLOCKS > 7
    , X256(1792)
#endif
#if TABLE_BLOCKS > 8
    , X256(2048)
#endif
#if TABLE_BLOCKS > 9
    , X256(2304)
#endif
#if TABLE_BLOCKS > 10
    , X256(2560)
#endif
#if TABLE_BLOCKS > 11
    , X256(2816)
#endif
#if TABLE_BLOCKS > 12
    , X256(3072)
#endif
#if TABLE_BLOCKS > 13
    , X256(3328)
#endif
#if TABLE_BLOCKS > 14
    , X256(3584)
#endif
#if TABLE_BLOCKS > 15
    , X256(3840)
#endif
#if TABLE_BLOCKS > 16
    , X256(4096)
#endif
#if TABLE_BLOCKS > 17
    , X256(4352)
#endif
#if TABLE_BLOCKS > 18
    , X256(4608)
#endif
#if TABLE_BLOCKS > 19
    , X256(4864)
#endif
#if TABLE_BLOCKS > 20
    , X256(5120)
#endif
#if TABLE_BLOCKS > 21
    , X256(5376)
#endif
#if TABLE_BLOCKS > 22
    , X256(5632)
#endif
#if TABLE_BLOCKS > 23
    , X256(5888)
#endif
#if TABLE_BLOCKS > 24
    , X256(6144)
#endif
#if TABLE_BLOCKS > 25
    , X256(6400)
#endif
#if TABLE_BLOCKS > 26
    , X256(6656)
#endif
#if TABLE_BLOCKS > 27
    , X256(6912)
#endif
#if TABLE_BLOCKS > 28
    , X256(7168)
#endif
#if TABLE_BLOCKS > 29
    , X256(7424)
#endif
};

static unsigned char table_checksum(void)
{
    unsigned char sum = 0;
    unsigned int i;
    for (i = 0; i < sizeof calibration; ++i)
        sum += calibration[i];
    return sum;
}

static void pause(unsigned char ticks)
{
    while (ticks != 0) {
        volatile unsigned char inner = 200;
        while (inner != 0)
            --inner;
        --ticks;
    }
}

void main(void)
{
    unsigned int offset = 0;
    /* The table's checksum blinks once on P1 at start-up. */
    P1 = table_checksum();
    pause(250);
    for (;;) {
        const unsigned char sample = P3;
        offset = (offset + sample + 1) % sizeof calibration;
        P1 = calibration[offset];
        pause(sample | 1);
    }
}
