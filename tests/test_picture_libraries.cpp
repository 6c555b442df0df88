// The photo decoders through the picture libraries the program is linked
// with, without a screen: in the Wiz build these are the firmware's libjpeg
// 6b, libpng 1.2 and SDL_image, reached through Korvo's own declarations of
// their interfaces, so a layout or calling mismatch shows here as wrong
// sizes, wrong colours or a crash on the error paths.
#include "explorer/picture_decode.h"
#include "photo_files.h"

#include <gtest/gtest.h>

#include <SDL.h>
#include <SDL_image.h>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

namespace {

namespace fs = std::filesystem;

// Four flat quarters, red, green, blue and white, which survive JPEG.
void quarters(int w, int h, int x, int y, unsigned char* rgb)
{
    static const unsigned char kColours[4][3] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}};
    const unsigned char* c = kColours[(x >= w / 2 ? 1 : 0) + (y >= h / 2 ? 2 : 0)];
    rgb[0] = c[0];
    rgb[1] = c[1];
    rgb[2] = c[2];
}

PhotoPixel quarters_of(int w, int h)
{
    return [w, h](int x, int y, unsigned char* rgb) { quarters(w, h, x, y, rgb); };
}

class PictureLibraries : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/korvo-pictures-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir = pattern;
    }
    void TearDown() override
    {
        std::error_code ignored;
        fs::remove_all(dir, ignored);
    }

    // The colour at the middle of each quarter of image, as expected within
    // tolerance.
    static void expect_quarters(SDL_Surface* image, int tolerance)
    {
        static const int kExpected[4][3] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}};
        SDL_LockSurface(image);
        for (int q = 0; q < 4; ++q) {
            int x = image->w / 4 + (q % 2) * image->w / 2;
            int y = image->h / 4 + (q / 2) * image->h / 2;
            Uint32 pixel = 0;
            const Uint8* at = static_cast<const Uint8*>(image->pixels) + y * image->pitch +
                              x * image->format->BytesPerPixel;
            std::memcpy(&pixel, at, image->format->BytesPerPixel);
            Uint8 rgb[3];
            SDL_GetRGB(pixel, image->format, &rgb[0], &rgb[1], &rgb[2]);
            for (int c = 0; c < 3; ++c)
                EXPECT_NEAR(rgb[c], kExpected[q][c], tolerance) << "quarter " << q << " channel " << c;
        }
        SDL_UnlockSurface(image);
    }

    static void cut_in_half(const std::string& path)
    {
        fs::resize_file(path, fs::file_size(path) / 2);
    }

    std::string dir;
};

TEST_F(PictureLibraries, JpegIsDecodedWholeAndShrunkAndACutOneIsRefused)
{
    for (bool progressive : {false, true}) {
        std::string path = dir + (progressive ? "/progressive.jpg" : "/plain.jpg");
        ASSERT_TRUE(write_photo_jpeg(path, 320, 240, quarters_of(320, 240), progressive));
        PictureHeader header{};
        PictureError error = PictureError::Failed;
        SDL_Surface* whole = load_picture(path.c_str(), 320, 240, header, error);
        ASSERT_NE(whole, nullptr) << path;
        EXPECT_EQ(error, PictureError::None);
        EXPECT_EQ(header.kind, PictureKind::Jpeg);
        EXPECT_EQ(whole->w, 320);
        EXPECT_EQ(whole->h, 240);
        expect_quarters(whole, 40);
        SDL_FreeSurface(whole);

        // A quarter of each side: libjpeg's scaled decoding gives exactly that.
        SDL_Surface* small = load_picture(path.c_str(), 80, 60, header, error);
        ASSERT_NE(small, nullptr) << path;
        EXPECT_EQ(small->w, 80);
        EXPECT_EQ(small->h, 60);
        expect_quarters(small, 40);
        SDL_FreeSurface(small);

        cut_in_half(path);
        EXPECT_EQ(load_picture(path.c_str(), 80, 60, header, error), nullptr) << path;
        EXPECT_EQ(error, PictureError::Failed);
    }
}

TEST_F(PictureLibraries, LargePngIsReadRowByRowPlainAndInterlaced)
{
    // Over a megapixel, so the decoder reads it row by row rather than whole.
    const int w = 1100, h = 1000;
    for (bool interlaced : {false, true}) {
        std::string path = dir + (interlaced ? "/interlaced.png" : "/plain.png");
        ASSERT_TRUE(write_photo_png(path, w, h, quarters_of(w, h), interlaced));
        PictureHeader header{};
        PictureError error = PictureError::Failed;
        SDL_Surface* image = load_picture(path.c_str(), 220, 200, header, error);
        ASSERT_NE(image, nullptr) << path;
        EXPECT_EQ(error, PictureError::None);
        EXPECT_EQ(header.kind, PictureKind::Png);
        EXPECT_EQ(header.w, w);
        EXPECT_EQ(header.h, h);
        EXPECT_GE(image->w, 220);
        EXPECT_LE(image->w, w);
        EXPECT_EQ(image->w * h, image->h * w);
        expect_quarters(image, 8);
        SDL_FreeSurface(image);

        cut_in_half(path);
        EXPECT_EQ(load_picture(path.c_str(), 220, 200, header, error), nullptr) << path;
        EXPECT_EQ(error, PictureError::Failed);
    }
}

TEST_F(PictureLibraries, SdlImageReadsPngs)
{
    std::string path = dir + "/small.png";
    ASSERT_TRUE(write_photo_png(path, 40, 30, quarters_of(40, 30)));
    SDL_Surface* image = IMG_Load(path.c_str());
    ASSERT_NE(image, nullptr) << IMG_GetError();
    EXPECT_EQ(image->w, 40);
    EXPECT_EQ(image->h, 30);
    expect_quarters(image, 0);
    SDL_FreeSurface(image);
    std::string junk = dir + "/junk.png";
    ASSERT_TRUE(write_photo_png(junk, 40, 30));
    cut_in_half(junk);
    SDL_Surface* cut = IMG_Load(junk.c_str());
    SDL_FreeSurface(cut);   // refused or partly read, but never a crash
}

} // namespace
