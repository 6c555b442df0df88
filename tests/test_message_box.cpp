// The message box and the wait box, answered with pushed buttons and touches.
#include "harness.h"

#include "frames.h"
#include "resource_files.h"

#include "dialogs/dialogs.h"
#include "gfx/font.h"
#include "gfx/sound.h"
#include "platform/pc_console.h"

#include <string>

namespace {

constexpr Rgb kBackground = {0, 0, 96};
constexpr Rgb kNoticeBox = {200, 200, 200};
constexpr Rgb kQuestionBox = {200, 200, 0};
constexpr Rgb kWaitPicture = {0, 200, 200};

constexpr int kNotice = 0, kQuestion = 1;

class MessageBoxTest : public ShellTest {
protected:
    explicit MessageBoxTest(Needs needs = Needs::display) : ShellTest(needs) {}
    void SetUp() override
    {
        ShellTest::SetUp();
        release_fonts();
        write_skin_picture("Test", "msgok.png", 216, 154, kNoticeBox);
        write_skin_picture("Test", "msgyesno.png", 216, 154, kQuestionBox);
        write_coded_fonts("Test");
        fill(screen, kBackground);
    }

    void TearDown() override
    {
        release_fonts();
        ShellTest::TearDown();
    }

    static int ask(int question, const char* text = "Delete link?")
    {
        return message_box(screen, text, question, "Test");
    }
};

using MessageBox = GroupNeeding<Needs::nothing, MessageBoxTest>;
using WaitBox = MessageBoxTest;

} // namespace

TEST_F(MessageBox, DrawnAndShownBeforeEachWait)
{
    TEST_NEEDS(Needs::display);
    push_touch(10, 10);   // outside every region: drawn again
    push_button(13);
    bool placed = false;
    FrameWatch watch([&](SDL_Surface* s) {
        placed = shows(s, 52, 43, kNoticeBox) && shows(s, 267, 196, kNoticeBox) && shows(s, 51, 43, kBackground) &&
                 shows(s, 268, 197, kBackground);
    });
    EXPECT_EQ(ask(kNotice, "Hello"), 1);
    EXPECT_EQ(watch.frames(), 2);
    EXPECT_TRUE(placed) << "the 216 x 154 box at (52, 43)";
    EXPECT_EQ(glyph_at(screen, 70, 93), font_index('H')) << "text from (67, 93), in black";
    EXPECT_EQ(font_at(screen, 70, 93), FontCode::LargeBlack);
    EXPECT_EQ(glyph_at(screen, 69, 93), -1);
    EXPECT_EQ(glyph_at(screen, 70, 92), -1);
}

TEST_F(MessageBox, TouchesAnswerByRegionAndKind)
{
    struct Case {
        int question, x, y, answer;
        const char* where;
    };
    const Case cases[] = {
        {kNotice,   180, 165, 1, "OK and No overlap: OK in a notice"},
        {kQuestion, 180, 165, 0, "OK and No overlap: No in a question"},
        {kNotice,   191, 177, 1, "far corner of OK"},
        {kNotice,   132, 153, 1, "near corner of OK"},
        {kQuestion,  87, 153, 1, "Yes"},
        {kQuestion, 146, 177, 1, "far corner of Yes"},
        {kQuestion, 233, 177, 0, "far corner of No"},
        {kNotice,   215,  44, 0, "close box in a notice"},
        {kQuestion, 260,  62, 0, "close box in a question"},
    };
    for (const Case& c : cases) {
        push_touch(c.x, c.y);
        EXPECT_EQ(ask(c.question), c.answer) << c.where;
    }
}

TEST_F(MessageBox, TouchesOutsideTheKindsButtonsAreIgnored)
{
    TEST_NEEDS(Needs::display);
    struct Case {
        int question, x, y;
        const char* where;
    };
    const Case cases[] = {
        {kNotice,   100, 160, "Yes area in a notice"},
        {kNotice,   192, 160, "No area beyond OK in a notice"},
        {kQuestion, 160, 160, "between Yes and No"},
    };
    for (const Case& c : cases) {
        push_touch(c.x, c.y);
        push_touch(215, 44);
        FrameWatch watch(nullptr);
        EXPECT_EQ(ask(c.question), 0) << c.where;
        ASSERT_EQ(watch.frames(), 2) << c.where;
        // The box's first frame shows the whole screen with it, the next one
        // only the box.
        const SDL_Rect& first = watch.rects().front();
        EXPECT_TRUE(first.x == 0 && first.y == 0 && first.w == 320 && first.h == 240) << c.where;
        for (size_t i = 1; i < watch.rects().size(); ++i) {
            const SDL_Rect& r = watch.rects()[i];
            EXPECT_TRUE(r.x >= 52 && r.y >= 43 && r.x + r.w <= 52 + 216 && r.y + r.h <= 43 + 154) << c.where;
        }
    }
}

TEST_F(MessageBox, ButtonsOfNoticeAndQuestion)
{
    TEST_NEEDS(Needs::display);
    push_button(14);
    push_button(12);
    push_button(14, false);
    push_button(13);
    FrameWatch watch(nullptr);
    EXPECT_EQ(ask(kNotice), 1) << "X does nothing in a notice";
    EXPECT_EQ(watch.frames(), 4);

    push_button(14);
    EXPECT_EQ(ask(kQuestion), 0);
    push_button(13);
    EXPECT_EQ(ask(kQuestion), 1);
    push_key(SDLK_b);   // the PC key for button 13
    EXPECT_EQ(ask(kQuestion), 1);
}

TEST_F(MessageBox, SmallFontFromTwentySixCharacters)
{
    TEST_NEEDS(Needs::display);
    push_button(13);
    ask(kNotice, "Aaaaaaaaaaaaaaaaaaaaaaaaa");   // 25
    EXPECT_EQ(glyph_at(screen, 70, 93), font_index('A'));
    EXPECT_EQ(font_at(screen, 70, 93), FontCode::LargeBlack);

    push_button(13);
    ask(kNotice, "Aaaaaaaaaaaaaaaaaaaaaaaaaa");   // 26
    EXPECT_EQ(glyph_at(screen, 70, 93), font_index('A'));
    EXPECT_EQ(font_at(screen, 70, 93), FontCode::SmallBlack);
}

TEST_F(MessageBox, LongTextsStayInTheBoxAndQuestionsKeepTheirMark)
{
    TEST_NEEDS(Needs::display);
    // 40 characters of "m" (8 pixels each in the small font): cut to fit
    // the box's 190 pixels, the "..." and the question mark after them.
    std::string name(40, 'm');
    push_button(13);
    ask(kQuestion, ("Delete " + name + "?").c_str());
    std::string shown = "Delete " + name.substr(0, 18) + "...?";
    ASSERT_LE(small_text_width(shown.c_str()), 190);
    ASSERT_GT(small_text_width(("Delete " + name.substr(0, 19) + "...?").c_str()), 190);
    int mark = 70 + small_text_width(shown.c_str()) - small_text_width("?");
    EXPECT_EQ(glyph_at(screen, mark, 95), font_index('?'));
    EXPECT_EQ(glyph_at(screen, mark - small_text_width("."), 95), font_index('.'));
    EXPECT_EQ(glyph_at(screen, mark + 9, 95), -1) << "nothing after the mark";

    push_button(13);
    ask(kNotice, "Program scan found nothing");   // 26 characters, fits: whole
    EXPECT_EQ(glyph_at(screen, 70 + small_text_width("Program scan found nothin"), 95), font_index('g'));
}

TEST_F(MessageBox, CallersEventSurvives)
{
    event = SDL_Event{};
    event.jbutton.type = SDL_JOYBUTTONDOWN;
    event.jbutton.button = 9;
    push_touch(180, 165);
    EXPECT_EQ(ask(kQuestion, "Remove from desktop?"), 0);
    EXPECT_EQ(event.type, SDL_JOYBUTTONDOWN);
    EXPECT_EQ(event.jbutton.button, 9);
}

TEST_F(MessageBox, EachBoxLoadsThePictureOfItsKindAndSkin)
{
    TEST_NEEDS(Needs::display);
    push_button(13);
    ask(kQuestion);
    EXPECT_TRUE(shows(screen, 60, 50, kQuestionBox));
    push_button(13);
    ask(kNotice);
    EXPECT_TRUE(shows(screen, 60, 50, kNoticeBox));

    write_skin_picture("Other", "msgok.png", 216, 154, kWaitPicture);
    push_button(13);
    message_box(screen, "Other skin", kNotice, "Other");
    EXPECT_TRUE(shows(screen, 60, 50, kWaitPicture));
}

TEST_F(MessageBox, SoundsOfOpeningAndTouching)
{
    TEST_NEEDS(Needs::sound);
    for (const char* name : {"chord.wav", "notify.wav", "click.wav"})
        write_file(std::string("resources/") + name, silent_wav());
    push_button(13);
    ask(kNotice);
    EXPECT_NE(sound_sample(Sound::Chord), nullptr) << "a notice opens with the chord";
    push_touch(87, 153);
    ask(kQuestion);
    EXPECT_NE(sound_sample(Sound::Notify), nullptr) << "a question opens with the notify sound";
    EXPECT_NE(sound_sample(Sound::Click), nullptr) << "a touched button clicks";
}

TEST_F(WaitBox, DrawnAndShownAtOnceAndKept)
{
    write_skin_picture("Test", "wait.png", 125, 42, kWaitPicture);
    {
        FrameWatch watch(nullptr);
        wait_box(screen, "Test");
        EXPECT_EQ(watch.frames(), 1);
    }
    EXPECT_TRUE(shows(screen, 98, 99, kWaitPicture));
    EXPECT_TRUE(shows(screen, 222, 140, kWaitPicture));
    EXPECT_TRUE(shows(screen, 97, 99, kBackground));
    EXPECT_TRUE(shows(screen, 223, 141, kBackground));

    write_skin_picture("Test", "wait.png", 125, 42, kNoticeBox);
    wait_box(screen, "Test");
    EXPECT_TRUE(shows(screen, 98, 99, kWaitPicture)) << "loaded once for the life of the process";
}

// The dialogs wait with the idle timers armed: a console left at a message
// or at the keyboard dims like any window.
TEST_F(MessageBox, DialogsDimTheScreenWhenLeft)
{
    TEST_NEEDS(Needs::threads);
    saver_ms = 20;
    push_button_later(13, 300);
    EXPECT_EQ(message_box(screen, "Left alone", 0, "Blue"), 1);
    int off = trace_index("fb 0 0");
    ASSERT_GE(off, 0);
    EXPECT_GT(trace_index("fb 1 0"), off);

    clear_trace();
    char text[23] = {};
    push_button_later(9, 300);
    EXPECT_EQ(on_screen_keyboard(screen, text, "Blue"), 1);
    EXPECT_GE(trace_index("fb 0 0"), 0);
    EXPECT_TRUE(pc_backlight_on());
}
