// The text viewer: rows wrapped at the screen's width, paging that comes
// back to the same rows, marks for what the font cannot show, and a file of
// 10 MB read through a small window of it.
#include "harness.h"

#include "explorer/text_viewer.h"
#include "frames.h"
#include "core/text.h"
#include "gfx/font.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

class TextViewer : public ShellTest {
protected:
    void SetUp() override
    {
        ShellTest::SetUp();
        copy_text(skin_name, "Blue");
    }

    void TearDown() override
    {
        text_close();
        ShellTest::TearDown();
    }

    // Opens a file of content and lays out all its rows from the start.
    static std::vector<std::string> rows_of(const std::string& content, std::vector<long long>* starts = nullptr)
    {
        write_file("t.txt", content);
        EXPECT_TRUE(text_open("t.txt"));
        std::vector<std::string> rows;
        for (long long at = 0; at < text_size();) {
            if (starts)
                starts->push_back(at);
            char shown[200];
            long long next = text_next_row(at, shown, sizeof shown);
            EXPECT_GT(next, at) << "a row moves on";
            if (next <= at)
                break;
            at = next;
            rows.emplace_back(shown);
        }
        return rows;
    }

    static long status_kb(const char* field)
    {
        std::FILE* status = std::fopen("/proc/self/status", "r");
        long kb = -1;
        char line[256];
        size_t n = std::strlen(field);
        while (status && std::fgets(line, sizeof line, status))
            if (std::strncmp(line, field, n) == 0 && line[n] == ':')
                kb = std::strtol(line + n + 1, nullptr, 10);
        if (status)
            std::fclose(status);
        return kb;
    }

    // The peak becomes the present size (false where the kernel cannot).
    static bool reset_peak()
    {
        std::FILE* refs = std::fopen("/proc/self/clear_refs", "w");
        if (!refs)
            return false;
        bool written = std::fputs("5", refs) >= 0;
        return std::fclose(refs) == 0 && written;
    }
};

std::string words(int count)
{
    std::string text;
    for (int i = 0; i < count; ++i)
        text += "word" + std::to_string(i % 10) + " ";
    return text;
}

} // namespace

// Rows end at a line feed or before the screen's edge, after a blank when
// the row has one; a word longer than a row is cut; nothing is lost.
TEST_F(TextViewer, RowsWrapAtTheScreensWidthAndLoseNothing)
{
    std::string long_word(200, 'm');
    std::string content = words(60) + "\r\nshort\n\n" + long_word + "\nend";
    std::vector<std::string> rows = rows_of(content);
    std::string joined;
    for (const std::string& row : rows) {
        EXPECT_LE(small_text_width(row.c_str()), 314) << row;
        joined += row;
    }
    std::string expected = words(60) + "short" + long_word + "end";
    EXPECT_EQ(joined, expected);
    ASSERT_GE(rows.size(), 6u);
    EXPECT_EQ(rows[0].substr(0, 5), "word0");
    EXPECT_EQ(rows[0].back(), ' ') << "a row of words breaks after a blank";
    EXPECT_EQ(rows[1].substr(0, 4), "word") << "no word is split";
    EXPECT_NE(std::find(rows.begin(), rows.end(), std::string("short")), rows.end());
    EXPECT_NE(std::find(rows.begin(), rows.end(), std::string("")), rows.end()) << "an empty line is a row";
    EXPECT_EQ(rows.back(), "end");
    size_t cut = 0;
    for (const std::string& row : rows)
        cut += row.find_first_not_of('m') == std::string::npos && !row.empty() ? 1 : 0;
    EXPECT_GE(cut, 2u) << "the long word spans rows";
}

// What the font lacks shows as marks: other encodings, control bytes, a
// sequence cut at the end of the file; Latin-1 and its UTF-8 both show
// the font's letters.
TEST_F(TextViewer, OtherEncodingsShowMarksAndNeverMoreThanTheFile)
{
    EXPECT_EQ(rows_of("caf\xC3\xA9 caf\xE9\n"), (std::vector<std::string>{"cafe cafe"}));
    EXPECT_EQ(rows_of("\xEF\xBB\xBFhi\n"), (std::vector<std::string>{"hi"})) << "the byte-order mark";
    EXPECT_EQ(rows_of("a\xE4\xB8\xAD" "b\n"), (std::vector<std::string>{"a?b"})) << "one mark a character";
    // A byte of no UTF-8 sequence is taken as Latin-1 ("\xC0" an "A").
    EXPECT_EQ(rows_of("a\xC0\x80" "b\x01\x7F\x85\n"), (std::vector<std::string>{"aA?b???"}));
    EXPECT_EQ(rows_of("ab\xE4\xB8"), (std::vector<std::string>{"aba,"})) << "cut at the end: Latin-1";
    // A UTF-16 file: every other byte a NUL.
    std::vector<std::string> utf16 = rows_of(std::string("h\0i\0\n\0", 6));
    ASSERT_EQ(utf16.size(), 2u);
    EXPECT_EQ(utf16[0], "h?i?");
    // Every byte value, in any order: rows stay within the screen and the
    // layout ends at the file's end.
    std::string all;
    for (int round = 0; round < 4; ++round)
        for (int b = 0; b < 256; ++b)
            all += static_cast<char>((b * 37 + round * 11) & 0xFF);
    for (const std::string& row : rows_of(all))
        EXPECT_LE(small_text_width(row.c_str()), 314);
}

// Paging back gives the rows paging on gave, from anywhere in a row.
TEST_F(TextViewer, PagingBackComesToTheSameRows)
{
    std::string content;
    for (int i = 0; i < 120; ++i)
        content += i % 7 == 3 ? words(30) + "\n" : "line " + std::to_string(i) + "\n";
    std::vector<long long> starts;
    rows_of(content, &starts);
    ASSERT_GT(starts.size(), 150u);
    for (size_t i = 0; i < starts.size(); ++i) {
        for (int back : {1, kTextRows}) {
            size_t expected = i >= static_cast<size_t>(back) ? i - back : 0;
            EXPECT_EQ(text_rows_back(starts[i], back), starts[expected]) << "row " << i << " back " << back;
        }
        long long end = i + 1 < starts.size() ? starts[i + 1] : text_size();
        EXPECT_EQ(text_row_of(starts[i]), starts[i]);
        EXPECT_EQ(text_row_of((starts[i] + end - 1) / 2 > starts[i] ? (starts[i] + end - 1) / 2 : starts[i]),
                  starts[i]);
    }
    EXPECT_EQ(text_rows_back(0, kTextRows), 0);
}

// The viewer on screen: right shows another page, left the first again,
// X leaves; the close box leaves too; a file that cannot be read says so.
TEST_F(TextViewer, PagesOnAndBackAndLeaves)
{
    std::string content;
    for (int i = 0; i < 100; ++i)
        content += "line " + std::to_string(i) + "\n";
    write_file("t.txt", content);
    std::vector<std::vector<Uint32>> frames;
    {
        std::vector<SDL_Surface*> shown;
        {
            FrameWatch watch([&](SDL_Surface* frame) {
                shown.push_back(SDL_ConvertSurface(frame, frame->format, SDL_SWSURFACE));
            });
            for (int b : {6, 2, 11, 14})
                push_button(b);
            text_viewer("t.txt");
        }
        for (SDL_Surface* frame : shown) {
            SDL_BlitSurface(frame, nullptr, screen, nullptr);
            frames.push_back(snapshot());
            SDL_FreeSurface(frame);
        }
    }
    ASSERT_EQ(frames.size(), 4u);
    EXPECT_NE(frames[1], frames[0]);
    EXPECT_EQ(frames[2], frames[0]) << "back to the first page";
    EXPECT_NE(frames[3], frames[0]);
    SDL_Event left;
    EXPECT_EQ(SDL_PollEvent(&left), 0) << "X left the viewer";

    push_touch(305, 5);   // the close box
    text_viewer("t.txt");
    EXPECT_EQ(SDL_PollEvent(&left), 0);

    EXPECT_TRUE(shows_message("Load failed!", 0, [] { text_viewer("missing.txt"); }));
}

// A file of 10 MB, read row by row to its end, paged back from its end and
// jumped through by tenths, raises the peak memory by far less than the
// file: only the reader's window of it is ever held.
TEST_F(TextViewer, TenMegabytesAreReadInBoundedMemory)
{
    const long long kSize = 10LL << 20;
    {
        std::FILE* big = std::fopen("big.txt", "wb");
        ASSERT_NE(big, nullptr);
        std::string line = words(40) + "\n";
        for (long long written = 0; written < kSize; written += static_cast<long long>(line.size()))
            std::fwrite(line.data(), 1, line.size(), big);
        std::fclose(big);
    }
    bool measured = reset_peak();
    long before = measured ? status_kb("VmRSS") : status_kb("VmHWM");
    ASSERT_TRUE(text_open("big.txt"));
    ASSERT_GE(text_size(), kSize);
    long long rows = 0, at = 0;
    char shown[200];
    while (at < text_size()) {
        at = text_next_row(at, shown, sizeof shown);
        ++rows;
    }
    EXPECT_GT(rows, kSize / 320);
    long long back = text_rows_back(text_size(), kTextRows);
    EXPECT_LT(back, text_size());
    for (int tenth = 1; tenth < 10; ++tenth)
        EXPECT_LE(text_row_of(text_size() * tenth / 10), text_size() * tenth / 10);
    long rise = status_kb("VmHWM") - before;
    text_close();
    std::printf("10 MB text file: peak rise %ld kB (%s)\n", rise, measured ? "peak reset first" : "peak as found");
#if !defined(__SANITIZE_ADDRESS__)
    if (measured) {
        EXPECT_LT(rise, 1024) << "kB";
    }
#endif
    // The measurement sees a whole copy of the file.
    if (measured && reset_peak()) {
        before = status_kb("VmRSS");
        std::string whole = read_file("big.txt");
        EXPECT_GE(status_kb("VmHWM") - before, 8 * 1024) << "a whole copy went unmeasured: " << whole.size();
    }
}
