// What qcxsrc negotiates for a camera and its settings: the format, the
// size, a variable frame rate, and buffers of one whole frame.
#include "qcxsrc_test_support.h"

namespace {

class CapsTest : public qcxtest::QcxSrcTest {
protected:
    // "caps, bytes of the first buffer" of `launch`.
    static std::string Negotiate(const std::string& launch) {
        qcxtest::Source source(launch);
        const std::size_t bytes = source.Pull().bytes.size();
        return source.NegotiatedCaps().Text() + ", " + std::to_string(bytes);
    }
};

// An MT9V032 gives whole frames at a variable rate, BGR in its own Bayer
// mode; the mode's group chooses the pixel format, whatever row order the
// mode asks for (the rows come top row first).
TEST_F(CapsTest, Mt9v032GivesWholeFramesInTheFormatOfTheBayerModeGroup) {
    const std::string bgr = "video/x-raw BGR 752x480 0/1, " + std::to_string(752 * 480 * 3);
    const std::string bgrx = "video/x-raw BGRx 752x480 0/1, " + std::to_string(752 * 480 * 4);
    const std::string gray = "video/x-raw GRAY8 752x480 0/1, " + std::to_string(752 * 480);
    EXPECT_EQ(Negotiate("qcxsrc simulate=21"), bgr);
    EXPECT_EQ(Negotiate("qcxsrc simulate=21 bayer-mode=2"), bgr);
    EXPECT_EQ(Negotiate("qcxsrc simulate=21 bayer-mode=8"), bgrx);
    EXPECT_EQ(Negotiate("qcxsrc simulate=21 bayer-mode=13"), bgrx);
    EXPECT_EQ(Negotiate("qcxsrc simulate=21 bayer-mode=16"), gray);
    EXPECT_EQ(Negotiate("qcxsrc simulate=21 bayer-mode=23"), gray);
    // A monochrome camera's frames are grey whatever the mode, also raw.
    EXPECT_EQ(Negotiate("qcxsrc simulate=22"), gray);
    EXPECT_EQ(Negotiate("qcxsrc simulate=22 raw=true"), gray);
}

TEST_F(CapsTest, RawGivesTheMosaicInTheColourOrderOfTheBayerMode) {
    // The MT9V032 colour variants' own orders: BGGR for 21, GBRG for 28.
    EXPECT_EQ(Negotiate("qcxsrc simulate=21 raw=true"),
              "video/x-bayer bggr 752x480 0/1, " + std::to_string(752 * 480));
    EXPECT_EQ(Negotiate("qcxsrc simulate=28 raw=true").substr(0, 19), "video/x-bayer gbrg ");
    EXPECT_EQ(Negotiate("qcxsrc simulate=21 raw=true bayer-mode=13").substr(0, 19), "video/x-bayer grbg ");
    EXPECT_EQ(Negotiate("qcxsrc simulate=21 raw=true bayer-mode=2").substr(0, 19), "video/x-bayer rggb ");
}

TEST_F(CapsTest, FieldOfViewSetsTheSize) {
    EXPECT_EQ(Negotiate("qcxsrc simulate=21 fov=64,32,320,240"),
              "video/x-raw BGR 320x240 0/1, " + std::to_string(320 * 240 * 3));
    EXPECT_EQ(Negotiate("qcxsrc simulate=21 fov=0,0,752,480,1,1"),
              "video/x-raw BGR 376x240 0/1, " + std::to_string(376 * 240 * 3));
}

// The application opened the library and chose 16-bit transfer: the element
// sends the 12-bit samples as GRAY16_LE and leaves the library open.
TEST_F(CapsTest, SixteenBitTransferGivesGray16) {
    setenv("QCX_SIM", "31", 1);
    ASSERT_EQ(QCX_Init(), QCX_STATUS_SUCCESS);
    ASSERT_EQ(QCX_SetData16Bits(0, 1), QCX_STATUS_SUCCESS);
    EXPECT_EQ(Negotiate("qcxsrc"), "video/x-raw GRAY16_LE 2592x1944 0/1, " + std::to_string(2592 * 1944 * 2));
    EXPECT_GE(QCX_DeviceGetCount(), 1);
    QCX_UnInit();
}

}  // namespace
