// Sizes read from the headers of formats decoded at open, before their decoders run:
// each field is hostile, and a size the reader cannot find must not be guessed.
#include <gtest/gtest.h>

#include <string>

#include "HeaderPeek.h"
#include "HostileFiles.h"

namespace tilesweep::test {
namespace {

bool peekHeif(const Bytes& bytes, PeekedFrame& frame) {
    return peekHeifFrame(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), frame);
}

Bytes ftypBox() { return isoBox("ftyp", Bytes("heic", 4) + Bytes(4, '\0') + "mif1"); }

Bytes metaAround(const Bytes& ipcoBody) {
    return isoBox("meta", Bytes(4, '\0') + isoBox("hdlr", Bytes(24, '\0')) + isoBox("iprp", isoBox("ipco", ipcoBody)));
}

struct HeifCase {
    const char* name;
    Bytes bytes;
    bool found;
    int32_t width;
    int32_t height;
};

TEST(HeaderPeek, HeifExtents) {
    const Bytes whole = heifClaiming(6000, 4000);
    // A box of 64-bit size: size field 1, then the size after the type.
    Bytes largeIspe = Bytes("\0\0\0\1ispe", 8) + Bytes("\0\0\0\0\0\0\0\x1c", 8) + Bytes(4, '\0') +
                      Bytes("\0\0\x1f\x40\0\0\x0f\xa0", 8);  // 8000 x 4000
    const HeifCase cases[] = {
        {"Nominal", whole, true, 6000, 4000},
        {"Avif", heifClaiming(300, 200, "avif"), true, 300, 200},
        {"LargestOfSeveral",
         ftypBox() + metaAround(ispeBox(160, 120) + isoBox("colr", Bytes(8, '\0')) + ispeBox(4032, 3024)), true, 4032,
         3024},
        {"LargeSizeBox", ftypBox() + metaAround(largeIspe), true, 8000, 4000},
        {"WidestAndTallestApart", ftypBox() + metaAround(ispeBox(9000, 10) + ispeBox(10, 7000)), true, 9000, 7000},
        {"BeyondInt32", ftypBox() + metaAround(ispeBox(0xffffffffu, 2)), true, INT32_MAX, 2},
        {"CutShort", whole.substr(0, whole.size() - 40), false, 0, 0},
        {"NoExtent", ftypBox() + metaAround(isoBox("colr", Bytes(8, '\0'))), false, 0, 0},
        {"ExtentTooShort", ftypBox() + metaAround(isoBox("ispe", Bytes(8, '\0'))), false, 0, 0},
        {"NoFileType", whole.substr(whole.find("meta") - 4), false, 0, 0},
        {"Mp4", isoBox("ftyp", "isom" + Bytes(4, '\0')) + isoBox("moov", Bytes(32, '\0')), false, 0, 0},
        {"SizeBeyondTheFile", Bytes("\0\0\0\x14""ftyp", 8) + Bytes("\x7f\xff\xff\xff""meta", 8) + Bytes(40, '\0'),
         false, 0, 0},
        {"SizeBelowItsHeader", ftypBox() + Bytes("\0\0\0\4meta", 8) + Bytes(64, '\0'), false, 0, 0},
        {"Empty", Bytes(), false, 0, 0},
    };
    for (const HeifCase& c : cases) {
        PeekedFrame frame;
        EXPECT_EQ(peekHeif(c.bytes, frame), c.found) << c.name;
        if (!c.found) continue;
        EXPECT_EQ(frame.width, c.width) << c.name;
        EXPECT_EQ(frame.height, c.height) << c.name;
    }
}

// A box whose size is 0 runs to the end of its parent, here the file.
TEST(HeaderPeek, HeifBoxOfSizeZeroRunsToTheEnd) {
    Bytes meta = metaAround(ispeBox(1920, 1080));
    meta.replace(0, 4, Bytes(4, '\0'));
    PeekedFrame frame;
    ASSERT_TRUE(peekHeif(ftypBox() + meta, frame));
    EXPECT_EQ(frame.width, 1920);
    EXPECT_EQ(frame.height, 1080);
}

}  // namespace
}  // namespace tilesweep::test
