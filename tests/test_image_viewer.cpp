// The image viewer and the slide show. Pictures are solid red on a black
// frame, so the red pixels on the screen tell where and how large a picture
// was drawn.
#include "explorer_fixture.h"

#include "explorer/image_viewer.h"
#include "frames.h"
#include "gfx/image.h"
#include "photo_files.h"
#include "platform/pc_console.h"
#include "platform/platform.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

class ImageViewer : public GroupNeeding<Needs::nothing, ExplorerTest> {
protected:
    void SetUp() override
    {
        ExplorerTest::SetUp();
        std::filesystem::create_directories(card + "pics");
        save_picture("resources/skin/Blue/imgwin.png", 280, 200, 0);
    }

    void TearDown() override
    {
        if (scripted) {
            unsetenv("KORVO_EMU_DIR");
            unsetenv("KORVO_EMU_SCRIPT");
            pc_emu_load();
            pc_emu_display_reset();
        }
        ExplorerTest::TearDown();
    }

    // From here on the input comes from an emulator script, as a person
    // holding and releasing buttons gives it.
    void use_script(const std::string& text)
    {
        std::string emu = work_dir + "/emu";
        std::filesystem::create_directories(emu + "/state");
        write_file(emu + "/script", text);
        setenv("KORVO_EMU_DIR", emu.c_str(), 1);
        setenv("KORVO_EMU_SCRIPT", (emu + "/script").c_str(), 1);
        scripted = true;
        pc_emu_load();
        pc_emu_display_reset();
        screen = platform_open_display();
        ASSERT_NE(screen, nullptr);
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

    // Names the colour at (x, y) when it is one of the quarters' colours.
    static std::string quarter_at(int x, int y)
    {
        SDL_Color c = colour(x, y);
        bool r = c.r > 200, g = c.g > 200, b = c.b > 200;
        bool r0 = c.r < 40, g0 = c.g < 40, b0 = c.b < 40;
        if (r && g0 && b0)
            return "red";
        if (r0 && g && b0)
            return "green";
        if (r0 && g0 && b)
            return "blue";
        if (r && g && b)
            return "white";
        if (r0 && g0 && b0)
            return "black";
        return "other";
    }

    // Red top left, green top right, blue bottom left, white bottom right.
    static void quarters(int w, int h, int x, int y, unsigned char* rgb)
    {
        bool right = x >= w / 2, bottom = y >= h / 2;
        rgb[0] = right == bottom ? 255 : 0;
        rgb[1] = right ? 255 : 0;
        rgb[2] = bottom ? 255 : 0;
    }

    static PhotoPixel quarters_of(int w, int h)
    {
        return [w, h](int x, int y, unsigned char* rgb) { quarters(w, h, x, y, rgb); };
    }

    // The four colours at the corners (inset by 5) of the rectangle x, y, w, h:
    // top left, top right, bottom left, bottom right.
    static std::vector<std::string> corners(int x, int y, int w, int h)
    {
        return {quarter_at(x + 5, y + 5), quarter_at(x + w - 6, y + 5), quarter_at(x + 5, y + h - 6),
                quarter_at(x + w - 6, y + h - 6)};
    }

    // Runs the viewer on path, which it cannot show; button 13 answers the notice.
    void view_refused(const std::string& path)
    {
        push_button(13);
        SDL_FillRect(screen, nullptr, 0);
        image_viewer(screen, (card + "pics/").c_str(), path.c_str(), skin_name);
    }

    static std::string read_bytes(const std::string& path)
    {
        std::ifstream file(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    }

    static int open_files()
    {
        int n = 0;
        for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd"))
            ++n;
        return n;
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

    bool scripted = false;
};

using Box = std::vector<int>;

const std::vector<std::string> kUpright = {"red", "green", "blue", "white"};
// A quarter turn to the left: the top-left corner comes to the bottom left.
const std::vector<std::string> kTurnedLeft = {"green", "white", "red", "blue"};

// Opening a FIFO for reading waits for a writer. While the watch lives, a
// writer comes after a while to end any such wait, and tells whether a
// reader was waiting then.
class FifoWatch {
public:
    explicit FifoWatch(const std::string& path)
        : writer([this, path] {
              for (int i = 0; i < 300 && !done; ++i)
                  SDL_Delay(10);
              // With no reader, a writer's non-blocking open fails.
              int fd = open(path.c_str(), O_WRONLY | O_NONBLOCK);
              if (fd >= 0) {
                  reader_waited = !done;
                  close(fd);
              }
          })
    {
    }
    ~FifoWatch() { stop(); }
    // False when a reader was found waiting.
    bool stop()
    {
        done = true;
        if (writer.joinable())
            writer.join();
        return !reader_waited;
    }

private:
    std::atomic<bool> done{false};
    std::atomic<bool> reader_waited{false};
    std::thread writer;
};

} // namespace

TEST_F(ImageViewer, PicturesAreFittedAndSmallOnesZoomWhileTheyFit)
{
    TEST_NEEDS(Needs::display);
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
    TEST_NEEDS(Needs::display);
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
    TEST_NEEDS(Needs::display);
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

TEST_F(ImageViewer, PhotosAreFittedAndCentredAsSmallPicturesAre)
{
    TEST_NEEDS(Needs::display);
    std::string jpeg = card + "pics/photo.jpg";
    ASSERT_TRUE(write_photo_jpeg(jpeg, 1600, 1200, [](int, int, unsigned char* rgb) {
        rgb[0] = 255, rgb[1] = 0, rgb[2] = 0;
    }));
    view(jpeg, {});
    EXPECT_EQ(red_box(), (Box{67, 47, 187, 140})) << "as the 640 x 480 picture of the same shape";
    view(jpeg, {12});
    EXPECT_EQ(red_box(), (Box{67, 47, 187, 140})) << "too large to zoom in";

    // Larger PNGs are read row by row, interlaced ones pass by pass.
    for (bool interlaced : {false, true}) {
        std::string png = card + (interlaced ? "pics/interlaced.png" : "pics/plain.png");
        ASSERT_TRUE(write_photo_png(png, 1600, 1200, quarters_of(1600, 1200), interlaced));
        view(png, {});
        EXPECT_EQ(corners(67, 47, 187, 140), (std::vector<std::string>{"red", "green", "blue", "white"}))
            << png;
        EXPECT_EQ(quarter_at(66, 100), "black") << png;
        EXPECT_EQ(quarter_at(67 + 187, 100), "black") << png;
        view(png, {15});
        EXPECT_EQ(corners(27, 45, 266, 144), (std::vector<std::string>{"red", "red", "red", "red"}))
            << png << ": the top-left corner at its own size";
    }
}

TEST_F(ImageViewer, SlidesTurnSmallPicturesAndPhotosAlike)
{
    TEST_NEEDS(Needs::display);
    std::string small = card + "pics/small.bmp";
    SDL_Surface* s = SDL_CreateRGBSurface(SDL_SWSURFACE, 200, 100, 24, 0xFF0000, 0xFF00, 0xFF, 0);
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 200; ++x) {
            unsigned char rgb[3];
            quarters(200, 100, x, y, rgb);
            SDL_Rect dot = {static_cast<Sint16>(x), static_cast<Sint16>(y), 1, 1};
            SDL_FillRect(s, &dot, SDL_MapRGB(s->format, rgb[0], rgb[1], rgb[2]));
        }
    SDL_SaveBMP(s, small.c_str());
    SDL_FreeSurface(s);
    std::string photo = card + "pics/photo.png";
    ASSERT_TRUE(write_photo_png(photo, 1600, 1200, quarters_of(1600, 1200)));

    // A quarter turn to the left: the top-left corner comes to the bottom left.
    const std::vector<std::string> turned = {"green", "white", "red", "blue"};
    slide_angle = 0;
    view(small, {11, 10});
    EXPECT_EQ(corners(110, 20, 100, 200), turned) << "100 x 200, small enough to stay unscaled";
    EXPECT_EQ(quarter_at(109, 120), "black");
    EXPECT_EQ(quarter_at(210, 120), "black");
    view(photo, {11, 10});
    EXPECT_EQ(corners(70, 0, 180, 240), turned) << "1200 x 1600 fitted to 180 x 240";
    EXPECT_EQ(quarter_at(69, 120), "black");
    EXPECT_EQ(quarter_at(250, 120), "black");
    view(photo, {11, 10, 10});
    EXPECT_EQ(corners(0, 0, 320, 240), (std::vector<std::string>{"white", "blue", "green", "red"}))
        << "half a turn, fitted to the whole screen";
}

TEST_F(ImageViewer, KeyColourLetsTheFrameThroughInTheViewAndTheSlides)
{
    TEST_NEEDS(Needs::display);
    // A palette PNG whose left half is the transparent entry (green).
    std::string keyed = card + "pics/keyed.png";
    std::FILE* file = std::fopen(keyed.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_init_io(png, file);
    png_set_IHDR(png, info, 100, 50, 8, PNG_COLOR_TYPE_PALETTE, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_color palette[2] = {{0, 255, 0}, {255, 0, 0}};
    png_set_PLTE(png, info, palette, 2);
    png_byte transparent[1] = {0};
    png_set_tRNS(png, info, transparent, 1, nullptr);
    png_write_info(png, info);
    std::vector<png_byte> row(100);
    for (int x = 0; x < 100; ++x)
        row[static_cast<size_t>(x)] = x < 50 ? 0 : 1;
    for (int y = 0; y < 50; ++y)
        png_write_row(png, row.data());
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    ASSERT_EQ(std::fclose(file), 0);

    view(keyed, {});
    EXPECT_EQ(red_box(), (Box{160, 92, 50, 50}));
    EXPECT_EQ(quarter_at(130, 110), "black") << "the frame through the keyed half";
    view(keyed, {12});
    EXPECT_EQ(red_box(), (Box{160, 67, 100, 100}));
    EXPECT_EQ(quarter_at(100, 110), "black");
    slide_angle = 0;
    view(keyed, {11, 11});
    EXPECT_EQ(red_box(), (Box{135, 120, 50, 50})) << "a quarter turn to the right: the keyed half on top";
    EXPECT_EQ(quarter_at(160, 95), "black");
}

TEST_F(ImageViewer, PicturesThatCannotBeShownGiveANoticeAndLeaveNothingOpen)
{
    int files_before = open_files();

    // Only the header of a 20000 x 20000 BMP, which is decoded whole: it is
    // refused on its size alone, before anything is decoded (the rest would
    // not decode); so is a 20000 x 10 one, few bytes but a side too long.
    std::string huge = card + "pics/huge.bmp";
    const unsigned char bmp[30] = {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0, 40, 0, 0, 0,
                                   0x20, 0x4E, 0, 0, 0x20, 0x4E, 0, 0, 1, 0, 24, 0};
    std::string bmp_header(reinterpret_cast<const char*>(bmp), sizeof bmp);
    write_file(huge, bmp_header);
    view_refused(huge);
    EXPECT_TRUE(box_shows("Picture too large!"));
    bmp_header[22] = 10, bmp_header[23] = 0;
    write_file(huge, bmp_header);
    view_refused(huge);
    EXPECT_TRUE(box_shows("Picture too large!"));

    // A PNG of any size is read row by row at the size shown: a header
    // alone is a file cut short.
    std::string cut_png = card + "pics/header-only.png";
    const unsigned char png_header[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13, 'I', 'H', 'D', 'R',
                                        0, 0, 0x4E, 0x20, 0, 0, 0x4E, 0x20, 8, 2, 0, 0, 0};
    write_file(cut_png, std::string(reinterpret_cast<const char*>(png_header), sizeof png_header));
    view_refused(cut_png);
    EXPECT_TRUE(box_shows("Load failed!"));
    std::filesystem::remove(cut_png);

    // A progressive JPEG keeps all its coefficients while it is decoded,
    // whatever size it is shown at: 36 MB for 12 megapixels.
    std::string progressive = card + "pics/progressive.jpg";
    ASSERT_TRUE(write_photo_jpeg(progressive, 4000, 3000, photo_pattern, true));
    view_refused(progressive);
    EXPECT_TRUE(box_shows("Picture too large!"));
    std::filesystem::remove(progressive);

    std::string photo = card + "pics/photo.jpg";
    ASSERT_TRUE(write_photo_jpeg(photo, 800, 600));
    std::string cut = card + "pics/cut.jpg";
    std::string bytes = read_bytes(photo);
    write_file(cut, bytes.substr(0, bytes.size() / 2));
    view_refused(cut);
    EXPECT_TRUE(box_shows("Load failed!")) << "a JPEG cut short";

    std::string big = card + "pics/big.png";
    ASSERT_TRUE(write_photo_png(big, 1600, 1200));
    std::string png = read_bytes(big);
    for (size_t i = png.size() / 2; i < png.size(); i += 7)
        png[i] = static_cast<char>(png[i] ^ 0x5A);
    write_file(big, png);
    view_refused(big);
    EXPECT_TRUE(box_shows("Load failed!")) << "a PNG read row by row, corrupt halfway";

    write_file(card + "pics/text.jpg", "not a picture");
    view_refused(card + "pics/text.jpg");
    EXPECT_TRUE(box_shows("Load failed!"));

    // In the slide show the refused picture ends the show.
    slide_angle = 0;
    ASSERT_TRUE(write_photo_jpeg(photo, 800, 600, [](int, int, unsigned char* rgb) {
        rgb[0] = 255, rgb[1] = 0, rgb[2] = 0;
    }));
    std::filesystem::remove(cut);
    std::filesystem::remove(big);
    std::filesystem::remove(card + "pics/text.jpg");
    push_button(11);
    push_button(6);
    push_button(13);
    SDL_FillRect(screen, nullptr, 0);
    image_viewer(screen, (card + "pics/").c_str(), photo.c_str(), skin_name);
    EXPECT_TRUE(box_shows("Picture too large!"));
    EXPECT_TRUE(all_read()) << "the show ended with the notice";

    EXPECT_EQ(open_files(), files_before);
}

TEST_F(ImageViewer, AStripLongerThanASurfaceIsShownInEveryWay)
{
    TEST_NEEDS(Needs::display);
    auto red = [](int, int, unsigned char* rgb) { rgb[0] = 255, rgb[1] = 0, rgb[2] = 0; };
    std::string png = card + "pics/strip.png", jpeg = card + "pics/strip.jpg";
    ASSERT_TRUE(write_photo_png(png, 1, 20000, red));
    ASSERT_TRUE(write_photo_jpeg(jpeg, 1, 20000, red));
    for (const std::string& strip : {png, jpeg}) {
        view(strip, {});
        EXPECT_EQ(red_box(), (Box{160, 47, 1, 140})) << strip << ": fitted, a line 140 high";
        view(strip, {12, 13});
        EXPECT_EQ(red_box(), (Box{160, 47, 1, 140})) << strip << ": neither zoom can change it";
        view(strip, {15});
        EXPECT_EQ(red_box(), (Box{160, 45, 1, 144})) << strip << ": actual size, as tall as the view";
        std::vector<int> down_39_times(40, 4);
        down_39_times[0] = 15;
        view(strip, down_39_times);
        EXPECT_EQ(red_box(), (Box{160, 45, 1, 144})) << strip << ": panned down";
        slide_angle = 0;
        view(strip, {11});
        EXPECT_EQ(red_box(), (Box{160, 0, 1, 240})) << strip << ": a slide";
        view(strip, {11, 10});
        EXPECT_EQ(red_box(), (Box{0, 120, 320, 1})) << strip << ": a turned slide";
    }
}

TEST_F(ImageViewer, APanoramaIsFittedShownAsASlideAndAtTheLargestSizeThatFits)
{
    TEST_NEEDS(Needs::display);
    std::string png = card + "pics/panorama.png", jpeg = card + "pics/panorama.jpg";
    ASSERT_TRUE(write_photo_png(png, 30000, 4000, quarters_of(30000, 4000)));
    ASSERT_TRUE(write_photo_jpeg(jpeg, 30000, 4000, quarters_of(30000, 4000)));
    for (const std::string& panorama : {png, jpeg}) {
        view(panorama, {});
        EXPECT_EQ(corners(40, 101, 240, 32), kUpright) << panorama << ": fitted to 240 x 32";
        EXPECT_EQ(quarter_at(39, 117), "black") << panorama;
        EXPECT_EQ(quarter_at(280, 117), "black") << panorama;
        EXPECT_EQ(quarter_at(160, 100), "black") << panorama;
        EXPECT_EQ(quarter_at(160, 133), "black") << panorama;

        ASSERT_EQ(show_slide(screen, panorama.c_str(), skin_name, 0), 1) << panorama;
        EXPECT_EQ(corners(0, 99, 320, 43), kUpright) << panorama << ": a slide of 320 x 43";
        EXPECT_EQ(quarter_at(160, 98), "black") << panorama;
        EXPECT_EQ(quarter_at(160, 142), "black") << panorama;
        ASSERT_EQ(show_slide(screen, panorama.c_str(), skin_name, 90), 1) << panorama;
        EXPECT_EQ(corners(144, 0, 32, 240), kTurnedLeft) << panorama << ": turned, 32 x 240";
        EXPECT_EQ(quarter_at(143, 120), "black") << panorama;
        EXPECT_EQ(quarter_at(176, 120), "black") << panorama;

        // Its own size would take 229 MB as 16 bits; the largest copy of its
        // shape within the limit is shown from its top-left corner instead.
        view(panorama, {15});
        EXPECT_EQ(corners(27, 45, 266, 144), (std::vector<std::string>{"red", "red", "red", "red"})) << panorama;
    }
}

// The input comes from an emulator script: a button held down stays down
// until the script releases it, with no event in between.
TEST_F(ImageViewer, AHeldZoomButtonZoomsUntilItsLimitOrItsRelease)
{
    TEST_NEEDS(Needs::display);   // the emulator's window
    std::string small = picture("small.bmp", 10, 5);
    std::vector<Box> shown;
    use_script("wait 50\n"
               "hold a\n"           // zoom in, held past the zoom's limit
               "wait 400\n"
               "release a\n"
               "wait 200\n"
               "hold a\n"           // at the limit already
               "release a\n"
               "press b\n"          // zoom out: one step, released at once
               "wait 200\n"
               "press x\n");
    {
        FrameWatch frames([&](SDL_Surface*) { shown.push_back(red_box()); });
        SDL_FillRect(screen, nullptr, 0);
        image_viewer(screen, (card + "pics/").c_str(), small.c_str(), skin_name);
    }
    EXPECT_EQ(shown, (std::vector<Box>{
                         {},                    // the loading notice
                         {155, 115, 10, 5}, {150, 112, 20, 10}, {140, 107, 40, 20}, {120, 97, 80, 40},
                         {80, 77, 160, 80},     // the limit: no frame more while it is held
                         {80, 77, 160, 80},     // the release
                         {80, 77, 160, 80},     // held at the limit: nothing to repeat
                         {80, 77, 160, 80},     // its release
                         {120, 97, 80, 40},     // zoom out
                         {120, 97, 80, 40},     // its release: the viewer waits again
                     }));
}

TEST_F(ImageViewer, AFifoNamedLikeAPictureIsNeverOpened)
{
    TEST_NEEDS(Needs::threads);
    std::string fifo = card + "pics/pipe.png";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    {
        FifoWatch watch(fifo);
        view_refused(fifo);
        EXPECT_TRUE(watch.stop()) << "the viewer waited in open";
    }
    EXPECT_TRUE(box_shows("Load failed!"));
    {
        FifoWatch watch(fifo);
        EXPECT_EQ(load_image(fifo.c_str()), nullptr);
        EXPECT_TRUE(watch.stop()) << "the picture loader waited in open";
    }

    // The slide show leaves it out: after the one picture comes that one
    // again (button 13 would answer a notice, and end the show early).
    std::string square = picture("square.bmp", 400, 400);
    {
        FifoWatch watch(fifo);
        view(square, {11, 6, 13});
        EXPECT_TRUE(watch.stop()) << "the slide show waited in open";
    }
    EXPECT_FALSE(box_shows("Load failed!"));
    EXPECT_EQ(red_box(), (Box{40, 0, 240, 240}));
    EXPECT_TRUE(all_read());
}
