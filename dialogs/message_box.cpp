// The message box (a notice with OK, or a question with Yes and No) and the
// wait box.
#include "dialogs/dialogs.h"

#include "core/events.h"
#include "core/text.h"
#include "gfx/changes.h"
#include "gfx/image.h"
#include "platform/platform.h"
#include "gfx/font.h"
#include "gfx/sound.h"

#include <cstring>
#include <string_view>

namespace {

//                            x    y    w    h
constexpr SDL_Rect kCloseBox  = {215,  44,  45,  18};
constexpr SDL_Rect kOkButton  = {132, 153,  59,  24};   // notice
constexpr SDL_Rect kYesButton = { 87, 153,  59,  24};   // question
constexpr SDL_Rect kNoButton  = {174, 153,  59,  24};   // question; overlaps OK at x 174-191

constexpr int kBoxX = 52, kBoxY = 43;     // the 216 x 154 box picture
constexpr int kTextX = 67, kTextY = 93;
constexpr int kWaitX = 98, kWaitY = 99;   // the 125 x 42 wait picture

// Texts this long or longer are drawn in the small font.
constexpr size_t kSmallTextFrom = 26;
// The text's room in the box, from its first glyph at kTextX + 3.
constexpr int kTextField = 190;
constexpr size_t kTextCapacity = 64;

constexpr int kNoAnswer = -1;

enum class Kinds { Both, Notice, Question };

struct Touch {
    SDL_Rect area;
    Kinds kinds;
    int answer;
};

// Tested in this order; the first that matches answers. The close box goes
// first, so closing a question is the same as No.
constexpr Touch kTouches[] = {
    {kCloseBox,  Kinds::Both,     0},
    {kOkButton,  Kinds::Notice,   1},
    {kYesButton, Kinds::Question, 1},
    {kNoButton,  Kinds::Question, 0},
};

struct Press {
    int button;
    Kinds kinds;
    int answer;
};

// button  kinds            answer    (no sound for buttons)
constexpr Press kPresses[] = {
    {13,    Kinds::Both,     1},
    {14,    Kinds::Question, 0},
};

SDL_Surface* box_image = nullptr;    // the last box shown, freed by the next
SDL_Surface* wait_image = nullptr;   // kept once loaded

bool applies(Kinds kinds, bool question)
{
    return kinds == Kinds::Both || (kinds == Kinds::Question) == question;
}

int answer_touch(int x, int y, bool question)
{
    for (const Touch& touch : kTouches) {
        if (applies(touch.kinds, question) && point_in(x, y, touch.area)) {
            play_click();
            return touch.answer;
        }
    }
    return kNoAnswer;
}

int answer_press(int button, bool question)
{
    for (const Press& press : kPresses)
        if (press.button == button && applies(press.kinds, question))
            return press.answer;
    return kNoAnswer;
}

int answer(const SDL_Event& e, bool question)
{
    if (e.type == SDL_JOYBUTTONDOWN)
        return answer_press(e.jbutton.button, question);
    if (e.type == SDL_MOUSEBUTTONDOWN)
        return answer_touch(e.button.x, e.button.y, question);
    return kNoAnswer;
}

// A text too wide for the box is cut with "...", but a question keeps its
// mark: "Delete a-very-long-file-na...?".
void draw_box_text(SDL_Surface* surface, const char* text, const char* skin)
{
    FontSize size = std::strlen(text) < kSmallTextFrom ? FontSize::Large : FontSize::Small;
    std::string_view whole(text);
    bool question = !whole.empty() && whole.back() == '?';
    char body[kTextCapacity];
    copy_text(body, question ? whole.substr(0, whole.size() - 1) : whole);
    char fitted[kTextCapacity];
    int mark = question ? (size == FontSize::Large ? text_width("?") : small_text_width("?")) : 0;
    fit_text(size, body, kTextField - mark, fitted, sizeof fitted, question ? 1 : 0);
    if (question)
        append_text(fitted, "?");
    if (size == FontSize::Large)
        draw_text(surface, kTextX, kTextY, fitted, 0, skin);
    else
        draw_small_text(surface, kTextX, kTextY, fitted, 0, skin);
}

void draw_box(SDL_Surface* surface, const char* text, const char* skin)
{
    blit_onto(surface, box_image, kBoxX, kBoxY);
    draw_box_text(surface, text, skin);
}

} // namespace

int message_box(SDL_Surface* surface, const char* text, int question, const char* skin)
{
    bool is_question = question != 0;
    SDL_FreeSurface(box_image);
    box_image = load_skin_image(is_question ? "msgyesno.png" : "msgok.png", skin);
    if (is_question)
        play_notify();
    else
        play_chord();
    // A record of its own: the caller's `event` must survive the box.
    SDL_Event box_event{};
    for (bool first = true;; first = false) {
        show_dialog_frame(surface, first, [&] { draw_box(surface, text, skin); });
        wait_event_into(box_event);
        int result = answer(box_event, is_question);
        if (result != kNoAnswer)
            return result;
    }
}

void wait_box(SDL_Surface* surface, const char* skin)
{
    if (!wait_image)
        wait_image = load_skin_image("wait.png", skin);
    blit_onto(surface, wait_image, kWaitX, kWaitY);
    show_whole_screen(surface);
}
