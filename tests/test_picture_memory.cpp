// The image viewer's memory: every way of looking at a 12-megapixel JPEG and
// at a 4000 x 3000 PNG, and at a 30000 x 4000 panorama of each kind, keeps
// the rise of the peak resident memory within 32 MB. Each view runs in a
// process of its own (korvo_picture_memory), as the peak belongs to the
// whole process.
#include "photo_files.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/wait.h>

namespace fs = std::filesystem;

namespace {

constexpr long kBoundKb = 32 * 1024;

class PictureMemory : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/korvo-photos-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir = pattern;
    }

    void TearDown() override
    {
        std::error_code ignored;
        fs::remove_all(dir, ignored);
    }

    // The rise in kB that one view of picture in mode cost, or -1 when the
    // viewer's process failed.
    static long rise_kb(const std::string& picture, const std::string& mode)
    {
        std::string command = std::string(KORVO_BINARY_DIR) + "/tests/korvo_picture_memory " + picture + " " + mode;
        std::FILE* output = popen(command.c_str(), "r");
        if (!output)
            return -1;
        long kb = -1;
        if (std::fscanf(output, "rise_kb %ld", &kb) != 1)
            kb = -1;
        int status = pclose(output);
        return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? kb : -1;
    }

    // Views picture (alone in a folder of its own, so the slide show shows
    // only it) in every way. Actual size keeps one screen-format copy of
    // the picture, 2 bytes a pixel: a rise below whole_copy_kb there means
    // the measurement missed it.
    void view_every_way(const std::string& picture, long whole_copy_kb)
    {
        for (const char* mode : {"fitted", "zoomed", "actual", "slides"}) {
            long kb = rise_kb(picture, mode);
            ASSERT_GE(kb, 0) << picture << " " << mode << ": the viewer's process failed";
            std::printf("%s %s: peak rise %ld kB\n", fs::path(picture).filename().c_str(), mode, kb);
            // The sanitizer's shadow memory and quarantine grow with every
            // allocation, so its figures say nothing about the shell's own;
            // there the views only have to run cleanly.
#if !defined(__SANITIZE_ADDRESS__)
            EXPECT_LE(kb, kBoundKb) << picture << " " << mode;
            if (std::string(mode) == "actual") {
                EXPECT_GE(kb, whole_copy_kb) << picture << ": the whole copy went unmeasured";
            }
#else
            (void)whole_copy_kb;
#endif
        }
    }

    std::string dir;
};

// A panorama's slopes: smooth, so that the files stay a few megabytes.
void panorama_pattern(int x, int y, unsigned char* rgb)
{
    rgb[0] = static_cast<unsigned char>(x / 118);
    rgb[1] = static_cast<unsigned char>(y / 16);
    rgb[2] = static_cast<unsigned char>(255 - x / 118);
}

constexpr int kPanoramaW = 30000, kPanoramaH = 4000;
// The largest copy of a panorama's shape within the 28 MB a copy may take.
constexpr long kPanoramaCopyKb = 27 * 1024;

} // namespace

TEST_F(PictureMemory, EveryWayOfViewingAPhotoStaysWithinTheBound)
{
    constexpr long kWholeCopyKb = 4000L * 3000 * 2 / 1024;
    ASSERT_TRUE(write_photo_jpeg(dir + "/photo.jpg", 4000, 3000));
    view_every_way(dir + "/photo.jpg", kWholeCopyKb);
    fs::remove(dir + "/photo.jpg");
    ASSERT_TRUE(write_photo_png(dir + "/photo.png", 4000, 3000));
    view_every_way(dir + "/photo.png", kWholeCopyKb);
}

// Actual size shows the largest copy that fits (about 10500 x 1400).
TEST_F(PictureMemory, APanoramaJpegIsShownInEveryWayWithinTheBound)
{
    ASSERT_TRUE(write_photo_jpeg(dir + "/panorama.jpg", kPanoramaW, kPanoramaH, panorama_pattern));
    view_every_way(dir + "/panorama.jpg", kPanoramaCopyKb);
}

TEST_F(PictureMemory, APanoramaPngIsShownInEveryWayWithinTheBound)
{
    ASSERT_TRUE(write_photo_png(dir + "/panorama.png", kPanoramaW, kPanoramaH, panorama_pattern));
    view_every_way(dir + "/panorama.png", kPanoramaCopyKb);
}
