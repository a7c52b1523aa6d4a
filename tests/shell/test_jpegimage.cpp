#include <gtest/gtest.h>

#include <string>

#include "U_Form_Splash.h"
#include "U_JPEGImage.h"

namespace {
TJPEGImage DecodeText(const std::string& bytes) {
    return TJPEGImage::Decode(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}
}  // namespace

TEST(JPEGImage, TheSplashPictureIsABaselineJFIFOf548By149InThreeComponents) {
    const std::string jpeg(TForm_Splash::PictureJpeg());
    EXPECT_LT(jpeg.size(), 60u * 1024);
    ASSERT_GT(jpeg.size(), 20u);
    EXPECT_EQ(jpeg.substr(0, 2), "\xFF\xD8");
    EXPECT_EQ(jpeg.substr(6, 5), std::string("JFIF\0", 5));
    TJPEGImage img = DecodeText(jpeg);
    EXPECT_EQ(img.Width, 548);
    EXPECT_EQ(img.Height, 149);
    EXPECT_EQ(img.Components, 3);
    EXPECT_FALSE(img.Progressive);
    ASSERT_EQ(img.Pixels.size(), 548u * 149u * 3u);
    // the ground is white, the name dark
    EXPECT_GE(img.Pixels[(140 * 548 + 540) * 3], 0xF0);
    QImage q = img.ToQImage();
    EXPECT_EQ(q.size(), QSize(548, 149));
    EXPECT_EQ(q.pixelColor(540, 140), QColor(img.Pixels[(140 * 548 + 540) * 3], img.Pixels[(140 * 548 + 540) * 3 + 1],
                                             img.Pixels[(140 * 548 + 540) * 3 + 2]));
}

TEST(JPEGImage, DamagedPicturesGiveAClearError) {
    const std::string jpeg(TForm_Splash::PictureJpeg());
    struct Case {
        const char* name;
        std::string bytes;
        std::string reason;  // what the message says after its fixed beginning
    } cases[] = {
        {"no data", "", "データがありません"},
        {"not a JPEG", "GIF89a....", "Not a JPEG file: starts with 0x47 0x49"},
        {"start marker only", "\xFF\xD8", ""},
        {"cut in the headers", jpeg.substr(0, 100), ""},
        {"cut in the middle", jpeg.substr(0, jpeg.size() / 2), "Premature end of JPEG file"},
        {"end marker missing", jpeg.substr(0, jpeg.size() - 2), "Premature end of JPEG file"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        try {
            DecodeText(c.bytes);
            ADD_FAILURE() << "decoded";
        } catch (const EJPEG& e) {
            const std::string head = "JPEG画像を読み込めません：";
            EXPECT_EQ(e.Message.substr(0, head.size()), head);
            EXPECT_GT(e.Message.size(), head.size());
            if (!c.reason.empty()) {
                EXPECT_EQ(e.Message.substr(head.size()), c.reason);
            }
            EXPECT_STREQ(e.ClassName(), "EJPEG");
        }
    }
}
