// The image viewer's memory: every way of looking at a 12-megapixel JPEG and
// at a 4000 x 3000 PNG keeps the rise of the peak resident memory within
// 32 MB. Each view runs in a process of its own (korvo_picture_memory), as
// the peak belongs to the whole process.
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
// Actual size keeps one screen-format copy of the whole picture, 2 bytes a
// pixel: a rise below this means the measurement missed it.
constexpr long kWholeCopyKb = 4000L * 3000 * 2 / 1024;

class PictureMemory : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        char pattern[] = "/tmp/korvo-photos-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir = pattern;
        fs::create_directories(dir + "/jpeg");
        fs::create_directories(dir + "/png");
        ASSERT_TRUE(write_photo_jpeg(dir + "/jpeg/photo.jpg", 4000, 3000));
        ASSERT_TRUE(write_photo_png(dir + "/png/photo.png", 4000, 3000));
    }

    static void TearDownTestSuite()
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

    static std::string dir;
};

std::string PictureMemory::dir;

} // namespace

TEST_F(PictureMemory, EveryWayOfViewingAPhotoStaysWithinTheBound)
{
    for (const char* picture : {"/jpeg/photo.jpg", "/png/photo.png"}) {
        for (const char* mode : {"fitted", "zoomed", "actual", "slides"}) {
            long kb = rise_kb(dir + picture, mode);
            ASSERT_GE(kb, 0) << picture << " " << mode << ": the viewer's process failed";
            std::printf("%s %s: peak rise %ld kB\n", picture, mode, kb);
            // The sanitizer's shadow memory and quarantine grow with every
            // allocation, so its figures say nothing about the shell's own;
            // there the views only have to run cleanly.
#if !defined(__SANITIZE_ADDRESS__)
            EXPECT_LE(kb, kBoundKb) << picture << " " << mode;
            if (std::string(mode) == "actual") {
                EXPECT_GE(kb, kWholeCopyKb) << picture << ": the whole copy went unmeasured";
            }
#endif
        }
    }
}
