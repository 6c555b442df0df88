// The image viewer and the slide show. Pictures are solid red on a black
// frame, so the red pixels on the screen tell where and how large a picture
// was drawn.
#include "explorer_fixture.h"

#include "explorer/image_viewer.h"

#include <algorithm>
#include <filesystem>
#include <vector>

namespace {

class ImageViewer : public ExplorerTest {
protected:
    void SetUp() override
    {
        ExplorerTest::SetUp();
        std::filesystem::create_directories(card + "pics");
        save_picture("resources/skin/Blue/imgwin.png", 280, 200, 0);
    }

    // A w x h BMP, red or blue, with an optional white column.
    static void save_picture(const std::string& path, int w, int h, Uint32 colour, int white_column = -1)
    {
        write_file(path, "");
        SDL_Surface* s = SDL_CreateRGBSurface(SDL_SWSURFACE, w, h, 24, 0xFF0000, 0xFF00, 0xFF, 0);
        SDL_FillRect(s, nullptr, colour);
        SDL_Rect column = {static_cast<Sint16>(white_column), 0, 1, static_cast<Uint16>(h)};
        if (white_column >= 0)
            SDL_FillRect(s, &column, 0xFFFFFF);
        SDL_SaveBMP(s, path.c_str());
        SDL_FreeSurface(s);
    }

    std::string picture(const std::string& name, int w, int h, int white_column = -1)
    {
        save_picture(card + "pics/" + name, w, h, 0xFF0000, white_column);
        return card + "pics/" + name;
    }

    // Runs the viewer on path with the pushed buttons, then button 14.
    void view(const std::string& path, const std::vector<int>& buttons)
    {
        for (int b : buttons)
            push_button(b);
        push_button(14);
        SDL_FillRect(screen, nullptr, 0);
        image_viewer(screen, (card + "pics/").c_str(), path.c_str(), skin_name);
    }

    static bool is_red(int x, int y)
    {
        SDL_Color c = colour(x, y);
        return c.r > 240 && c.g < 16 && c.b < 16;
    }

    // x, y, w, h of the smallest rectangle holding every red pixel.
    static std::vector<int> red_box()
    {
        int left = 320, top = 240, right = -1, bottom = -1;
        for (int y = 0; y < 240; ++y)
            for (int x = 0; x < 320; ++x)
                if (is_red(x, y)) {
                    left = std::min(left, x), right = std::max(right, x);
                    top = std::min(top, y), bottom = std::max(bottom, y);
                }
        return right < 0 ? std::vector<int>{} : std::vector<int>{left, top, right - left + 1, bottom - top + 1};
    }
};

using Box = std::vector<int>;

} // namespace

TEST_F(ImageViewer, PicturesAreFittedAndSmallOnesZoomWhileTheyFit)
{
    std::string small = picture("small.bmp", 100, 50);
    view(small, {});
    EXPECT_EQ(red_box(), (Box{110, 92, 100, 50}));
    view(small, {12, 12});
    EXPECT_EQ(red_box(), (Box{60, 67, 200, 100})) << "a second doubling would not fit";
    view(small, {12, 13});
    EXPECT_EQ(red_box(), (Box{110, 92, 100, 50}));

    view(picture("wide.bmp", 640, 480), {});
    Box wide = red_box();
    ASSERT_EQ(wide.size(), 4u);
    EXPECT_NEAR(wide[2], 187, 1);
    EXPECT_EQ(wide[3], 140);
}

TEST_F(ImageViewer, ActualSizeStartsAtTheViewCornerAndPansToTheEdge)
{
    view(picture("square.bmp", 400, 400), {15});
    EXPECT_EQ(red_box(), (Box{27, 45, 266, 144}));

    std::vector<int> right_100_times(101, 6);
    right_100_times[0] = 15;
    view(picture("wide.bmp", 640, 480, 376), right_100_times);
    EXPECT_FALSE(is_red(27, 60)) << "column 376 at the left edge: pan_x stopped at 376";
    EXPECT_TRUE(is_red(28, 60));
}

TEST_F(ImageViewer, SlideShowStartsWithTheViewedPictureAndWraps)
{
    std::string square = picture("square.bmp", 400, 400);
    save_picture(card + "pics/blue.bmp", 100, 50, 0x0000FF);
    view(square, {11, 2});   // 2 on the first picture: nothing
    EXPECT_EQ(red_box(), (Box{40, 0, 240, 240}));
    view(square, {11, 6});
    EXPECT_EQ(red_box(), Box{}) << "the other picture";
    view(square, {11, 6, 6});
    EXPECT_EQ(red_box(), (Box{40, 0, 240, 240})) << "after the last comes the first";

    slide_angle = 0;
    for (int b : {11, 10, 10, 10, 10})
        push_button(b);
    push_touch(10, 10);
    image_viewer(screen, (card + "pics/").c_str(), square.c_str(), skin_name);
    EXPECT_EQ(slide_angle, 360) << "kept after a touch";
    view(square, {11, 11});
    EXPECT_EQ(slide_angle, 0) << "reset by button 14";
}
