// PC backend, SDL half: a window for the screen, and the PC keyboard standing
// in for the console's buttons. A mapped key arrives as the same joystick
// 0 button event the console produces; the mouse is the touch screen.
//
// In emulator mode (pc_console.h) the shell draws on a 320x240 surface of its
// own that is shown scaled in the window, darkened while the backlight is
// off; a few function keys work the emulator, and an input script can stand
// in for keyboard and mouse.
#include "core/text.h"
#include "platform/button_repeat.h"
#include "platform/pc_console.h"
#include "platform/platform.h"

#include <SDL.h>

#include <array>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace {

struct KeyBinding {
    SDLKey key;
    int button;
};

// PC key           console button
constexpr std::array<KeyBinding, 19> kKeyBindings = {{
    {SDLK_UP,          0},   // up
    {SDLK_LEFT,        2},   // left
    {SDLK_DOWN,        4},   // down
    {SDLK_RIGHT,       6},   // right
    {SDLK_m,           8},   // menu
    {SDLK_RETURN,      8},
    {SDLK_s,           9},   // select
    {SDLK_TAB,         9},
    {SDLK_l,          10},   // L
    {SDLK_r,          11},   // R
    {SDLK_a,          12},   // A
    {SDLK_b,          13},   // B
    {SDLK_x,          14},   // X
    {SDLK_y,          15},   // Y
    {SDLK_PLUS,       16},   // volume up
    {SDLK_EQUALS,     16},
    {SDLK_KP_PLUS,    16},
    {SDLK_MINUS,      17},   // volume down
    {SDLK_KP_MINUS,   17},
}};

constexpr int kButtonCount = 18;
std::array<std::atomic<bool>, kButtonCount> held_by_test{};

// Emulator keys          what they do
constexpr SDLKey kScreenshotKey = SDLK_F12;   // saves the screen as a PNG file
constexpr SDLKey kBatteryKey = SDLK_F11;      // next battery level, 1 full to 4 low
constexpr SDLKey kScaleKey = SDLK_F10;        // window scale 1, 2, 3

// How long after a window opened a key held down still counts as held at
// start-up (see wait_for_held_key).
constexpr long long kHeldKeyWaitMs = 1200;

constexpr int kScreenWidth = 320;
constexpr int kScreenHeight = 240;
constexpr Uint32 kIdlePollMs = 5;

// The emulator's display: the window, the shell's own surface, and the
// input script with its position.
struct EmulatorDisplay {
    SDL_Surface* window = nullptr;
    SDL_Surface* shell_screen = nullptr;
    int scale = 2;
    bool shown_backlight = true;
    int screenshots = 0;
    bool scripted = false;
    bool script_loaded = false;
    bool keyboard_known = false;   // the window had its chance to learn the held keys
    long long opened_ms = 0;       // when the window opened (monotonic)
    std::vector<ScriptCommand> script;
    ScriptCursor cursor;
};

EmulatorDisplay emu;
ButtonRepeat repeat;

int button_for_key(SDLKey key)
{
    for (const KeyBinding& binding : kKeyBindings)
        if (binding.key == key)
            return binding.button;
    return -1;
}

// Turns a mapped key into the console's button event; other events pass.
void translate(SDL_Event* event)
{
    if (event->type == SDL_QUIT) {
        if (pc_emu_active())
            pc_emu_end("quit");
        std::exit(0);
    }
    if (event->type != SDL_KEYDOWN && event->type != SDL_KEYUP)
        return;
    int button = button_for_key(event->key.keysym.sym);
    if (button < 0)
        return;
    bool down = event->type == SDL_KEYDOWN;
    SDL_Event joy{};
    joy.jbutton.type = down ? SDL_JOYBUTTONDOWN : SDL_JOYBUTTONUP;
    joy.jbutton.which = 0;
    joy.jbutton.button = static_cast<Uint8>(button);
    joy.jbutton.state = down ? SDL_PRESSED : SDL_RELEASED;
    *event = joy;
}

SDL_Event button_event(int button, bool down)
{
    SDL_Event joy{};
    joy.jbutton.type = down ? SDL_JOYBUTTONDOWN : SDL_JOYBUTTONUP;
    joy.jbutton.which = 0;
    joy.jbutton.button = static_cast<Uint8>(button);
    joy.jbutton.state = down ? SDL_PRESSED : SDL_RELEASED;
    return joy;
}

SDL_Event touch_event(int x, int y, bool down)
{
    SDL_Event e{};
    e.button.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
    e.button.button = SDL_BUTTON_LEFT;
    e.button.state = down ? SDL_PRESSED : SDL_RELEASED;
    e.button.x = static_cast<Uint16>(x);
    e.button.y = static_cast<Uint16>(y);
    return e;
}

// --- the emulator's window ---

Uint32 darken(Uint32 pixel, const SDL_PixelFormat* f)
{
    auto quarter = [pixel](Uint32 mask) { return ((pixel & mask) >> 2) & mask; };
    return quarter(f->Rmask) | quarter(f->Gmask) | quarter(f->Bmask);
}

// Copies a rectangle of the shell's screen into the window, each pixel as a
// scale x scale block (both surfaces have the same 16-bit format).
void present(int x, int y, int w, int h)
{
    SDL_Surface* from = emu.shell_screen;
    SDL_Surface* to = emu.window;
    if (!from || !to || to->format->BytesPerPixel != 2)
        return;
    if (x < 0) { w += x; x = 0; }
    if (y < 0) { h += y; y = 0; }
    if (x + w > kScreenWidth) w = kScreenWidth - x;
    if (y + h > kScreenHeight) h = kScreenHeight - y;
    if (w <= 0 || h <= 0)
        return;
    bool dark = !pc_backlight_on();
    int s = emu.scale;
    if (SDL_MUSTLOCK(to))
        SDL_LockSurface(to);
    for (int row = y; row < y + h; ++row) {
        const Uint16* src = reinterpret_cast<const Uint16*>(static_cast<const Uint8*>(from->pixels) + row * from->pitch);
        for (int copy = 0; copy < s; ++copy) {
            Uint16* dst = reinterpret_cast<Uint16*>(static_cast<Uint8*>(to->pixels) + (row * s + copy) * to->pitch);
            for (int col = x; col < x + w; ++col) {
                Uint16 p = dark ? static_cast<Uint16>(darken(src[col], to->format)) : src[col];
                for (int k = 0; k < s; ++k)
                    dst[col * s + k] = p;
            }
        }
    }
    if (SDL_MUSTLOCK(to))
        SDL_UnlockSurface(to);
    SDL_UpdateRect(to, x * s, y * s, static_cast<Uint32>(w * s), static_cast<Uint32>(h * s));
    emu.shown_backlight = !dark;
}

void open_window(int scale)
{
    emu.scale = scale;
    emu.window = SDL_SetVideoMode(kScreenWidth * scale, kScreenHeight * scale, 16, SDL_SWSURFACE);
}

void next_scale()
{
    int scale = emu.scale % 3 + 1;
    pc_emu_write_number("state/scale", scale);
    open_window(scale);
    present(0, 0, kScreenWidth, kScreenHeight);
}

void save_screenshot(const std::string& name)
{
    mkdir(pc_emu_path("screenshots").c_str(), 0755);
    std::string path = pc_emu_path("screenshots/" + name + ".png");
    if (emu.shell_screen && pc_save_png(emu.shell_screen, path.c_str()))
        pc_emu_log("emulator.log", "screenshot " + path);
    else
        pc_emu_log("emulator.log", "screenshot failed: " + path);
}

void next_battery_level()
{
    int level = pc_emu_read_number("state/battery", 1) % kEmuBatteryLevels + 1;
    pc_emu_write_number("state/battery", level);
    pc_emu_log("emulator.log", "battery " + std::to_string(level));
}

// The function keys that work the emulator itself; true when it was one.
bool emulator_key(const SDL_Event& e)
{
    if (e.type != SDL_KEYDOWN && e.type != SDL_KEYUP)
        return false;
    SDLKey key = e.key.keysym.sym;
    if (key != kScreenshotKey && key != kBatteryKey && key != kScaleKey)
        return false;
    if (e.type == SDL_KEYUP)
        return true;
    if (key == kScreenshotKey) {
        char name[64];
        format_into(name, "shot-%ld-%d", static_cast<long>(time(nullptr)), ++emu.screenshots);
        save_screenshot(name);
    } else if (key == kBatteryKey) {
        next_battery_level();
    } else {
        next_scale();
    }
    return true;
}

void scale_mouse(SDL_Event* e)
{
    if (e->type == SDL_MOUSEBUTTONDOWN || e->type == SDL_MOUSEBUTTONUP) {
        e->button.x = static_cast<Uint16>(e->button.x / emu.scale);
        e->button.y = static_cast<Uint16>(e->button.y / emu.scale);
    } else if (e->type == SDL_MOUSEMOTION) {
        e->motion.x = static_cast<Uint16>(e->motion.x / emu.scale);
        e->motion.y = static_cast<Uint16>(e->motion.y / emu.scale);
    }
}

// --- the input script ---

void advance_script();

// The script's first "hold" lines are buttons held while the console
// switches on: held before the first program asks, with no event (there was
// no program to see them go down).
void hold_buttons_from_power_on()
{
    if (emu.cursor.line != 0 || emu.cursor.phase != 0)
        return;
    unsigned held = pc_script_held();
    size_t line = 0;
    while (line < emu.script.size() && emu.script[line].op == ScriptOp::Hold)
        held |= 1u << emu.script[line++].a;
    if (line == 0)
        return;
    pc_set_script_held(held);
    emu.cursor.line = static_cast<int>(line);
    pc_save_script_cursor(emu.cursor);
}

void load_script()
{
    if (emu.script_loaded)
        return;
    emu.script_loaded = true;
    emu.scripted = !pc_emu_script().empty();
    if (!emu.scripted)
        return;
    if (!pc_load_script(pc_emu_script().c_str(), emu.script))
        std::fprintf(stderr, "korvo emulator: cannot read the input script %s\n", pc_emu_script().c_str());
    emu.cursor = pc_script_cursor();
    hold_buttons_from_power_on();
}

void advance_script()
{
    emu.cursor.line += 1;
    emu.cursor.phase = 0;
    emu.cursor.wait_until_ms = 0;
    pc_save_script_cursor(emu.cursor);
}

enum class ScriptStep { Event, Waiting, End };

void set_held(int button, bool held)
{
    unsigned bit = 1u << button;
    unsigned buttons = pc_script_held();
    pc_set_script_held(held ? buttons | bit : buttons & ~bit);
}

// Runs the script up to its next event. Screenshots and battery changes
// happen on the way; a wait holds the script until its time has passed.
ScriptStep script_step(SDL_Event* event)
{
    while (emu.cursor.line >= 0 && static_cast<size_t>(emu.cursor.line) < emu.script.size()) {
        const ScriptCommand& c = emu.script[static_cast<size_t>(emu.cursor.line)];
        switch (c.op) {
        case ScriptOp::Press:
        case ScriptOp::Tap: {
            bool down = emu.cursor.phase == 0;
            *event = c.op == ScriptOp::Press ? button_event(c.a, down) : touch_event(c.a, c.b, down);
            if (down) {
                emu.cursor.phase = 1;
                pc_save_script_cursor(emu.cursor);
            } else {
                advance_script();
            }
            return ScriptStep::Event;
        }
        case ScriptOp::Hold:
        case ScriptOp::Release:
            set_held(c.a, c.op == ScriptOp::Hold);
            *event = button_event(c.a, c.op == ScriptOp::Hold);
            advance_script();
            return ScriptStep::Event;
        case ScriptOp::Wait:
            if (emu.cursor.wait_until_ms == 0) {
                emu.cursor.wait_until_ms = pc_monotonic_ms() + c.a;
                pc_save_script_cursor(emu.cursor);
            }
            if (pc_monotonic_ms() < emu.cursor.wait_until_ms)
                return ScriptStep::Waiting;
            advance_script();
            break;
        case ScriptOp::Screenshot:
            save_screenshot(c.name);
            advance_script();
            break;
        case ScriptOp::Battery:
            pc_emu_write_number("state/battery", c.a);
            advance_script();
            break;
        }
    }
    return ScriptStep::End;
}

void refresh_if_backlight_changed()
{
    if (emu.shell_screen && emu.shown_backlight != pc_backlight_on())
        present(0, 0, kScreenWidth, kScreenHeight);
}

// One event from SDL as the emulator passes it on: quits end the run,
// emulator keys are handled, keyboard and mouse are ignored while a script
// drives the input. True when event holds one for the shell.
bool take_sdl_event(SDL_Event* event)
{
    while (SDL_PollEvent(event)) {
        if (emulator_key(*event))
            continue;
        bool user_input = event->type == SDL_KEYDOWN || event->type == SDL_KEYUP ||
                          event->type == SDL_MOUSEBUTTONDOWN || event->type == SDL_MOUSEBUTTONUP ||
                          event->type == SDL_MOUSEMOTION;
        if (emu.scripted && user_input)
            continue;
        scale_mouse(event);
        translate(event);
        return true;
    }
    return false;
}

// Every event handed to the shell passes here, so that the repeat follows
// the buttons the shell has seen.
int deliver(const SDL_Event* event)
{
    repeat_note(repeat, *event, SDL_GetTicks());
    return 1;
}

// The held direction or volume button's next press, when it is due.
bool take_repeat(SDL_Event* event)
{
    Uint32 now = SDL_GetTicks();
    if (!repeat_due(repeat, now))
        return false;
    return repeat_press(repeat, now, platform_button_held(nullptr, repeat.button), event);
}

// The emulator's event source: SDL's events, then the script's, then the
// repeat of a held button.
int emulator_next_event(SDL_Event* event, bool block)
{
    load_script();
    for (;;) {
        if (take_sdl_event(event))
            return deliver(event);
        if (emu.scripted) {
            ScriptStep step = script_step(event);
            if (step == ScriptStep::Event)
                return deliver(event);
            if (step == ScriptStep::End && block)
                pc_emu_end("script-end");
        }
        if (take_repeat(event))
            return 1;
        refresh_if_backlight_changed();
        if (!block)
            return 0;
        SDL_Delay(kIdlePollMs);
    }
}

bool key_of_button_down(int button)
{
    int count = 0;
    const Uint8* keys = SDL_GetKeyState(&count);
    for (const KeyBinding& binding : kKeyBindings)
        if (binding.button == button && binding.key < count && keys[binding.key])
            return true;
    return false;
}

// A new window is told of a key that was already down only when the key
// repeats (or not at all): it never sees it go down. So when a process asks
// for the first time whether a button is held, as the shell does at
// start-up for R, the window gives the key a moment after it opened to
// show up. R held while the emulated console boots, or pressed as its
// window opens, then reaches the shell as the button held at power-on does
// on the console.
void wait_for_held_key(int button)
{
    if (emu.keyboard_known || !emu.window)
        return;
    emu.keyboard_known = true;
    char driver[32] = "";
    if (!SDL_VideoDriverName(driver, sizeof driver) || std::string(driver) == "dummy")
        return;
    long long until = emu.opened_ms + kHeldKeyWaitMs;
    SDL_PumpEvents();
    while (!key_of_button_down(button) && pc_monotonic_ms() < until) {
        SDL_Delay(10);
        SDL_PumpEvents();
    }
}

} // namespace

void pc_emu_display_reset()
{
    if (emu.shell_screen)
        SDL_FreeSurface(emu.shell_screen);
    emu = EmulatorDisplay{};
    repeat = ButtonRepeat{};
}

void pc_hold_button(int button, bool held)
{
    if (button >= 0 && button < kButtonCount)
        held_by_test[static_cast<size_t>(button)] = held;
}

void pc_release_buttons()
{
    for (std::atomic<bool>& held : held_by_test)
        held = false;
    repeat = ButtonRepeat{};
}

namespace {

// Only SDL's display surface is refreshed. SDL ignores any other surface
// too, but finds that out from the display it has open: with none (the
// tests' off-screen screen where SDL opens no display) it crashes.
bool shown_by_sdl(const SDL_Surface* screen)
{
    return screen == SDL_GetVideoSurface();
}

} // namespace

SDL_Surface* platform_open_display()
{
    SDL_WM_SetCaption("Korvo", "Korvo");
    if (!pc_emu_active())
        return SDL_SetVideoMode(kScreenWidth, kScreenHeight, 16, SDL_SWSURFACE);
    open_window(pc_emu_read_number("state/scale", pc_emu_scale()));
    if (!emu.window)
        return nullptr;
    emu.opened_ms = pc_monotonic_ms();
    if (emu.shell_screen)
        SDL_FreeSurface(emu.shell_screen);
    const SDL_PixelFormat* f = emu.window->format;
    emu.shell_screen = SDL_CreateRGBSurface(SDL_SWSURFACE, kScreenWidth, kScreenHeight, 16, f->Rmask, f->Gmask,
                                            f->Bmask, 0);
    return emu.shell_screen;
}

void platform_update(SDL_Surface* screen, int x, int y, int w, int h)
{
    if (pc_emu_active() && screen == emu.shell_screen) {
        present(x, y, w, h);
        return;
    }
    if (!shown_by_sdl(screen))
        return;
    SDL_UpdateRect(screen, x, y, static_cast<Uint32>(w), static_cast<Uint32>(h));
}

void platform_update_rects(SDL_Surface* screen, const SDL_Rect* rects, int count)
{
    if (pc_emu_active() && screen == emu.shell_screen) {
        for (int i = 0; i < count; ++i)
            present(rects[i].x, rects[i].y, rects[i].w, rects[i].h);
        return;
    }
    if (!shown_by_sdl(screen))
        return;
    SDL_UpdateRects(screen, count, const_cast<SDL_Rect*>(rects));
}

int platform_wait_event(SDL_Event* event)
{
    if (pc_emu_active())
        return emulator_next_event(event, true);
    // While a button repeats, the wait looks at the clock as well.
    while (repeat_armed(repeat)) {
        if (SDL_PollEvent(event)) {
            translate(event);
            return deliver(event);
        }
        if (take_repeat(event))
            return 1;
        SDL_Delay(kIdlePollMs);
    }
    int got = SDL_WaitEvent(event);
    if (got) {
        translate(event);
        deliver(event);
    }
    return got;
}

int platform_poll_event(SDL_Event* event)
{
    if (pc_emu_active())
        return emulator_next_event(event, false);
    if (SDL_PollEvent(event)) {
        translate(event);
        return deliver(event);
    }
    return take_repeat(event) ? 1 : 0;
}

bool platform_button_held(SDL_Joystick* joystick, int button)
{
    if (button >= 0 && button < kButtonCount && held_by_test[static_cast<size_t>(button)])
        return true;
    if (pc_emu_active()) {
        load_script();
        if (emu.scripted)
            return button >= 0 && button < kButtonCount && (pc_script_held() >> button) & 1u;
        wait_for_held_key(button);
    }
    if (joystick) {
        SDL_JoystickUpdate();
        if (SDL_JoystickGetButton(joystick, button) == 1)
            return true;
    }
    SDL_PumpEvents();
    return key_of_button_down(button);
}
