// The on-screen keyboard typed on with pushed buttons and touches: limits,
// cursor moves, shift memory, the slide and the text's font.
#include "harness.h"

#include "frames.h"
#include "resource_files.h"

#include "dialogs/dialogs.h"
#include "gfx/font.h"

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace {

constexpr Rgb kBackground = {0, 0, 96};
constexpr Rgb kLayout0 = {96, 96, 96};
constexpr Rgb kLayout1 = {96, 0, 0};
constexpr Rgb kHighlight = {248, 248, 0};

// Touch points inside the keyboard's areas.
constexpr int kKey0X = 31, kKey0Y = 83;   // "1" / "!"
constexpr int kKey1X = 56, kKey1Y = 83;   // "2" / "@"

class KeyboardTest : public GroupNeeding<Needs::nothing> {
protected:
    void SetUp() override
    {
        ShellTest::SetUp();
        release_fonts();
        keyboard_shift = 0;
        keyboard_cursor = 0;
        keyboard_slide_y = -240;
        write_skin_picture("Test", "keyboard1.png", 320, 240, kLayout0);
        write_skin_picture("Test", "keyboard2.png", 320, 240, kLayout1);
        write_skin_picture("Test", "ksel.png", 20, 20, kHighlight);
        write_coded_fonts("Test");
        fill(screen, kBackground);
        // Samples stay loaded for the life of the process, and the sound
        // tests expect to load the key sound first: keep it unloaded here.
        std::filesystem::remove("resources/key.wav");
    }

    void TearDown() override
    {
        release_fonts();
        keyboard_shift = 0;
        ShellTest::TearDown();
    }

    template <size_t N>
    static int type(char (&text)[N])
    {
        return on_screen_keyboard(screen, text, "Test");
    }

    static void press_times(int button, int times)
    {
        for (int i = 0; i < times; ++i)
            push_button(button);
    }

    // Rows of layout picture visible from the top edge down, at x 5.
    static int layout_rows(SDL_Surface* s, Rgb layout)
    {
        int rows = 0;
        while (rows < 240 && shows(s, 5, rows, layout))
            ++rows;
        return rows;
    }

    // The key under the highlight, -1 when none is drawn.
    static int highlighted_key(SDL_Surface* s)
    {
        for (int key = 0; key < 40; ++key) {
            int x = (key / 10 % 2 ? 44 : 31) + 25 * (key % 10), y = 83 + 25 * (key / 10);
            if (shows(s, x, y, kHighlight) && shows(s, x + 19, y + 19, kHighlight))
                return key;
        }
        return -1;
    }
};

using Keyboard = KeyboardTest;

} // namespace

TEST_F(Keyboard, SlidesInAndOutInEightShownFramesEach)
{
    TEST_NEEDS(Needs::display);
    char text[50] = "abc";
    std::vector<int> rows;
    push_button(9);
    {
        FrameWatch watch([&](SDL_Surface* s) { rows.push_back(layout_rows(s, kLayout0)); });
        EXPECT_EQ(type(text), 1);
    }
    std::vector<int> expected = {0, 30, 60, 90, 120, 150, 180, 210, 240, 240, 210, 180, 150, 120, 90, 60, 30};
    EXPECT_EQ(rows, expected) << "in from -240 by 30, one pass of the loop, out to -210";
    EXPECT_EQ(keyboard_slide_y, -240);
    EXPECT_STREQ(text, "abc") << "accepting an unchanged text leaves it as it was";
    EXPECT_EQ(layout_rows(screen, kLayout0), 30) << "the last frame: the bottom 30 rows at the top";
    EXPECT_TRUE(shows(screen, 5, 30, kBackground)) << "over the screen as it was";
}

TEST_F(Keyboard, TouchingKeysStopsAtTwentyTwoCharacters)
{
    TEST_NEEDS(Needs::display);
    char text[50] = "";
    for (int i = 0; i < 22; ++i)
        push_touch(kKey0X, kKey0Y);
    push_touch(kKey1X + 20, kKey1Y + 20);   // far corner of key 1
    push_button(9);
    std::vector<int> highlights;
    {
        FrameWatch watch([&](SDL_Surface* s) { highlights.push_back(highlighted_key(s)); });
        EXPECT_EQ(type(text), 1);
    }
    EXPECT_EQ(std::string(text), std::string(22, '1'));
    ASSERT_EQ(highlights.size(), 8u + 24u + 8u);
    EXPECT_EQ(highlights[8 + 22], 0);
    EXPECT_EQ(highlights[8 + 23], 1) << "the 23rd touch only moves the highlight";
    EXPECT_EQ(keyboard_cursor, 0) << "back to the first key at every close";
}

TEST_F(Keyboard, SmallBufferIsNeverWrittenPast)
{
    struct {
        char text[5];
        char guard[8];
    } field;
    std::memset(&field, 'G', sizeof field);
    field.text[0] = '\0';

    press_times(13, 2);                       // "11"
    push_touch(kKey1X, kKey1Y);               // "112"
    push_touch(260, 5);                       // Space: "112 "
    push_touch(kKey0X, kKey0Y);               // full: refused
    push_button(13);
    push_button(11);
    push_touch(260, 5);
    push_touch(10, 10);                       // Shift refused on a full text
    push_button(9);
    EXPECT_EQ(on_screen_keyboard(screen, field.text, sizeof field.text, "Test"), 1);
    EXPECT_STREQ(field.text, "112 ") << "at most capacity - 1 characters";
    EXPECT_EQ(std::string(field.guard, sizeof field.guard), std::string(8, 'G'));
    EXPECT_EQ(keyboard_shift, 0);

    push_button(10);                          // the button shifts regardless
    push_button(14);                          // "112"
    push_touch(10, 10);                       // room again: Shift by touch too
    push_button(9);
    on_screen_keyboard(screen, field.text, sizeof field.text, "Test");
    EXPECT_EQ(keyboard_shift, 0) << "toggled twice";
    EXPECT_STREQ(field.text, "112");
}

TEST_F(Keyboard, UnterminatedBufferIsCutToItsCapacity)
{
    struct {
        char text[4];
        char guard[4];
    } field;
    std::memcpy(field.text, "abcd", 4);
    std::memset(field.guard, 'G', sizeof field.guard);
    push_button(13);
    push_button(9);
    on_screen_keyboard(screen, field.text, sizeof field.text, "Test");
    EXPECT_STREQ(field.text, "abc");
    EXPECT_EQ(std::string(field.guard, 4), "GGGG");
}

TEST_F(Keyboard, CursorMovesOverTheFortyKeys)
{
    char text[50] = "";
    press_times(6, 5);
    push_button(0);       // key 5, top row: stays
    push_button(13);      // "6"
    press_times(4, 3);    // key 35
    push_button(4);       // bottom row: stays
    push_button(13);      // "n"
    press_times(0, 2);    // key 15
    press_times(2, 5);    // key 10
    push_button(2);       // to the end of the row above: key 9
    push_button(13);      // "0"
    push_button(2);
    push_button(6);
    push_button(6);       // key 10
    push_button(13);      // "q"
    push_button(9);
    type(text);
    EXPECT_STREQ(text, "6n0q");
    EXPECT_EQ(keyboard_cursor, 0);

    char edge[50] = "";
    push_button(2);       // key 0: stays
    push_button(13);
    press_times(4, 3);
    press_times(6, 10);   // key 39: stays
    push_button(13);
    push_button(9);
    type(edge);
    EXPECT_STREQ(edge, "1/");
}

TEST_F(Keyboard, ShiftIsRememberedBetweenUses)
{
    TEST_NEEDS(Needs::display);
    char text[50] = "";
    push_button(10);
    push_button(13);      // "!"
    push_button(9);
    type(text);
    EXPECT_STREQ(text, "!");
    EXPECT_EQ(keyboard_shift, 1);

    std::vector<int> rows;
    push_button(4);
    push_button(13);      // "Q" at once
    push_button(8);
    {
        FrameWatch watch([&](SDL_Surface* s) { rows.push_back(layout_rows(s, kLayout1)); });
        EXPECT_EQ(type(text), 0);
    }
    EXPECT_STREQ(text, "!Q") << "cancelling keeps the edits";
    ASSERT_GE(rows.size(), 9u);
    EXPECT_EQ(rows[1], 30) << "the shifted picture slides in";
    EXPECT_EQ(rows[8], 240);
}

TEST_F(Keyboard, ButtonsAndTouchesEditAndClose)
{
    char text[50] = "ab";
    push_button(14);
    push_button(14);
    push_button(14);               // empty: nothing
    push_touch(271, 38);           // Backspace on empty: nothing
    push_button(11);               // " "
    push_touch(kKey0X, kKey0Y);    // " 1"
    push_touch(299, 66);           // Backspace, far corner: " "
    push_button(7);                // not bound
    push_touch(0, 221);            // Cancel
    EXPECT_EQ(type(text), 0);
    EXPECT_STREQ(text, " ");

    push_touch(301, 236);          // OK, far corner
    EXPECT_EQ(type(text), 1);
    push_touch(302, 230);          // right of OK: nothing
    push_key(SDLK_s);              // the PC key for Select
    EXPECT_EQ(type(text), 1);
    push_key(SDLK_m);              // the PC key for Menu
    EXPECT_EQ(type(text), 0);
}

TEST_F(Keyboard, SmallFontBeyondOneHundredEightyPixels)
{
    TEST_NEEDS(Needs::display);
    char text[50] = "WWWWWWWWWWWWaaai";
    ASSERT_EQ(text_width(text), 180);
    int glyph = -1;
    FontCode font{};
    auto read_text = [&](SDL_Surface* s) {
        if (layout_rows(s, kLayout0) != 240 || glyph >= 0)
            return;
        glyph = glyph_at(s, 61, 45);
        font = font_at(s, 61, 45);
    };
    push_button(9);
    {
        FrameWatch watch(read_text);
        type(text);
    }
    EXPECT_EQ(glyph, font_index('W'));
    EXPECT_EQ(font, FontCode::LargeWhite);

    char wider[50] = "WWWWWWWWWWWWaaaj";
    ASSERT_EQ(text_width(wider), 181);
    glyph = -1;
    bool above_is_layout = false;
    push_button(9);
    {
        FrameWatch watch([&](SDL_Surface* s) {
            if (layout_rows(s, kLayout0) != 240 || glyph >= 0)
                return;
            glyph = glyph_at(s, 61, 48);
            font = font_at(s, 61, 48);
            above_is_layout = shows(s, 61, 47, kLayout0);
        });
        type(wider);
    }
    EXPECT_EQ(glyph, font_index('W'));
    EXPECT_EQ(font, FontCode::SmallWhite);
    EXPECT_TRUE(above_is_layout) << "the small font starts at y 48";
}
