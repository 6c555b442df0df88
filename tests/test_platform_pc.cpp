// The PC emulation of the console: the keyboard as buttons, the repeat of
// held buttons, and the guard that keeps host-changing commands from running.
#include "harness.h"

#include "core/text.h"
#include "platform/button_repeat.h"
#include "platform/pc_console.h"
#include "platform/platform.h"

namespace {

using PcConsole = GroupNeeding<Needs::nothing>;

} // namespace

TEST_F(PcConsole, KeysArriveAsJoystickButtons)
{
    push_key(SDLK_b);
    push_key(SDLK_UP, false);
    push_key(SDLK_F1);
    SDL_Event e;
    ASSERT_TRUE(platform_wait_event(&e));
    EXPECT_EQ(e.type, SDL_JOYBUTTONDOWN);
    EXPECT_EQ(e.jbutton.which, 0);
    EXPECT_EQ(e.jbutton.button, 13);
    ASSERT_TRUE(platform_poll_event(&e));
    EXPECT_EQ(e.type, SDL_JOYBUTTONUP);
    EXPECT_EQ(e.jbutton.button, 0);
    ASSERT_TRUE(platform_poll_event(&e));
    EXPECT_EQ(e.type, SDL_KEYDOWN) << "a key that stands for no button passes unchanged";
}

TEST_F(PcConsole, HeldButton)
{
    EXPECT_FALSE(platform_button_held(nullptr, 11));
    pc_hold_button(11, true);
    EXPECT_TRUE(platform_button_held(nullptr, 11));
    EXPECT_FALSE(platform_button_held(nullptr, 10));
}

TEST_F(PcConsole, PrivilegedCommandsAreRecognisedInCommandPosition)
{
    for (const char* line : {"killall sh", "reboot", "sync; reboot", "/sbin/reboot -f", "insmod lf1000_udc.ko",
                             "rmmod g_file_storage", "mount /dev/mmcblk0p1 /mnt/sd", "umount /mnt/sd",
                             "hwclock --systohc", "cd /tmp && exec reboot", "true | mount -a",
                             "FOO=1 reboot", "sudo reboot"})
        EXPECT_TRUE(pc_command_is_privileged(line)) << line;
    for (const char* line : {"sync", "rm -rf user/reboot", "mkdir user/mount", "cp resources/pic.png user/x/pic.png",
                             "echo reboot", "find /mnt/sd/ -name \\*.gpe > gpe.lst "})
        EXPECT_FALSE(pc_command_is_privileged(line)) << line;
}

TEST_F(PcConsole, CommandsRunUnlessRecordedOnly)
{
    EXPECT_EQ(platform_run("echo hi > made.txt"), 0);
    EXPECT_EQ(read_file("made.txt"), "hi\n");
    EXPECT_EQ(platform_run("reboot"), 0) << "never run, only recorded";
    record_commands_only();
    platform_run("echo again > other.txt");
    EXPECT_FALSE(exists("other.txt"));
    EXPECT_EQ(trace(), (std::vector<std::string>{"run echo hi > made.txt", "run reboot", "run echo again > other.txt"}));
}

// A command's output is read as it writes it; the end gives its status.
TEST_F(PcConsole, CommandOutputIsReadThroughAPipe)
{
    auto read_all = [](const char* command, int& status) {
        std::string text;
        std::FILE* output = platform_read_command(command);
        for (int c; output && (c = std::fgetc(output)) != EOF;)
            text += static_cast<char>(c);
        status = platform_end_read(output);
        return text;
    };
    int status = -1;
    EXPECT_EQ(read_all("printf 'a\\nb\\n'; touch touched", status), "a\nb\n");
    EXPECT_EQ(status, 0);
    EXPECT_TRUE(exists("touched"));
    EXPECT_EQ(read_all("echo part; exit 3", status), "part\n");
    EXPECT_NE(status, 0);
    EXPECT_EQ(read_all("reboot", status), "") << "never run";
    record_commands_only();
    EXPECT_EQ(read_all("echo again; touch again", status), "");
    EXPECT_FALSE(exists("again"));
    EXPECT_TRUE(traced("read echo part; exit 3"));
}

TEST_F(PcConsole, EmulatedClock)
{
    pc_fix_time(1000);
    EXPECT_EQ(platform_time(), 1000);
    pc_fix_time(0);
    platform_set_time(time(nullptr) + 3600);
    EXPECT_NEAR(static_cast<double>(platform_time() - time(nullptr)), 3600.0, 2.0);
    EXPECT_TRUE(traced("set time " + std::to_string(time(nullptr) + 3600)) ||
                traced("set time " + std::to_string(time(nullptr) + 3599)));
}

TEST(BoundedText, CopiesAndFormatsWithinTheBuffer)
{
    char small[6];
    EXPECT_TRUE(copy_text(small, "abcde"));
    EXPECT_STREQ(small, "abcde");
    EXPECT_FALSE(copy_text(small, "abcdefgh"));
    EXPECT_STREQ(small, "abcde");
    EXPECT_FALSE(format_into(small, "%d-%s", 12, "xyz"));
    EXPECT_STREQ(small, "12-xy");
    EXPECT_TRUE(append_text(small, "") );
    copy_text(small, "ab");
    EXPECT_FALSE(append_text(small, "cdefg"));
    EXPECT_STREQ(small, "abcde");
    // A text from within the array itself, ahead of its start or behind it.
    EXPECT_TRUE(copy_text(small, small + 2));
    EXPECT_STREQ(small, "cde");
    char line[12] = "0123456789";
    char(&inner)[6] = *reinterpret_cast<char(*)[6]>(line + 2);
    EXPECT_FALSE(copy_text(inner, line));
    EXPECT_STREQ(inner, "01234");
    EXPECT_STREQ(line, "0101234");
}

TEST(BoundedText, EscapesForDoubleQuotes)
{
    char out[40];
    EXPECT_TRUE(escape_for_double_quotes(out, sizeof out, "/mnt/sd/my games/"));
    EXPECT_STREQ(out, "/mnt/sd/my games/");
    EXPECT_TRUE(escape_for_double_quotes(out, sizeof out, "a\"b$c`d\\e"));
    EXPECT_STREQ(out, "a\\\"b\\$c\\`d\\\\e");
    EXPECT_FALSE(escape_for_double_quotes(out, 5, "$$$"));
}

TEST(BoundedText, PlainShellWords)
{
    for (const char* ok : {"admin", "Guest_2", "a.b-c"})
        EXPECT_TRUE(is_plain_shell_word(ok)) << ok;
    for (const char* bad : {"", ".", "..", "a b", "a/b", "a;b", "$x", "a*", "'q'", "a\\b", "~"})
        EXPECT_FALSE(is_plain_shell_word(bad)) << bad;
}

namespace {

SDL_Event joy(Uint8 type, int button)
{
    SDL_Event e{};
    e.jbutton.type = type;
    e.jbutton.button = static_cast<Uint8>(button);
    return e;
}

} // namespace

TEST(ButtonRepeat, HeldDirectionsAndVolumeRepeatAfterTheDelay)
{
    for (int button : {0, 2, 4, 6, 16, 17}) {
        ButtonRepeat r;
        repeat_note(r, joy(SDL_JOYBUTTONDOWN, button), 1000);
        EXPECT_FALSE(repeat_due(r, 1399)) << button;
        ASSERT_TRUE(repeat_due(r, 1400)) << button;
        SDL_Event e{};
        ASSERT_TRUE(repeat_press(r, 1400, true, &e));
        EXPECT_EQ(e.type, SDL_JOYBUTTONDOWN);
        EXPECT_EQ(e.jbutton.button, button);
        EXPECT_FALSE(repeat_due(r, 1499));
        EXPECT_TRUE(repeat_due(r, 1500));
        // A late window gets one press, not a burst to catch up with.
        ASSERT_TRUE(repeat_press(r, 2000, true, &e));
        EXPECT_FALSE(repeat_due(r, 2099));
        repeat_note(r, joy(SDL_JOYBUTTONUP, button), 2050);
        EXPECT_FALSE(repeat_due(r, 5000)) << "released";
    }
}

TEST(ButtonRepeat, OnlyTheLastButtonRepeatsAndOthersNever)
{
    ButtonRepeat r;
    for (int button : {8, 9, 10, 11, 12, 13, 14, 15}) {
        repeat_note(r, joy(SDL_JOYBUTTONDOWN, button), 0);
        EXPECT_FALSE(repeat_armed(r)) << button;
    }
    repeat_note(r, joy(SDL_JOYBUTTONDOWN, 4), 0);
    repeat_note(r, joy(SDL_JOYBUTTONDOWN, 6), 300);
    repeat_note(r, joy(SDL_JOYBUTTONUP, 4), 350);
    EXPECT_FALSE(repeat_due(r, 699)) << "right counts from its own press";
    EXPECT_TRUE(repeat_due(r, 700));
    repeat_note(r, joy(SDL_JOYBUTTONDOWN, 13), 710);
    EXPECT_FALSE(repeat_armed(r)) << "another button ends the repeat";
    repeat_note(r, joy(SDL_JOYBUTTONDOWN, 0), 800);
    SDL_Event e{};
    EXPECT_FALSE(repeat_press(r, 1200, false, &e)) << "gone up without its release";
    EXPECT_FALSE(repeat_armed(r));
    // The tick count wraps after 49 days.
    repeat_note(r, joy(SDL_JOYBUTTONDOWN, 2), 0xFFFFFF00u);
    EXPECT_FALSE(repeat_due(r, 0xFFFFFFF0u));
    EXPECT_TRUE(repeat_due(r, 0x00000100u));
}

// Every window waits through platform_wait_event, so this is what they get.
TEST_F(PcConsole, HeldDirectionRepeatsUntilReleased)
{
    TEST_NEEDS(Needs::threads);
    pc_hold_button(4, true);
    push_button(4);
    SDL_Event e;
    ASSERT_TRUE(platform_wait_event(&e));
    Uint32 pressed = SDL_GetTicks();
    ASSERT_TRUE(platform_wait_event(&e));
    Uint32 first = SDL_GetTicks();
    EXPECT_EQ(e.type, SDL_JOYBUTTONDOWN);
    EXPECT_EQ(e.jbutton.button, 4);
    EXPECT_GE(first - pressed, kRepeatDelayMs - 5);
    ASSERT_TRUE(platform_wait_event(&e));
    EXPECT_EQ(e.jbutton.button, 4);
    EXPECT_GE(SDL_GetTicks() - first, kRepeatIntervalMs - 5);
    pc_hold_button(4, false);
    push_button(4, false);
    ASSERT_TRUE(platform_wait_event(&e));
    EXPECT_EQ(e.type, SDL_JOYBUTTONUP);
    push_button_later(13, 600);
    ASSERT_TRUE(platform_wait_event(&e));
    EXPECT_EQ(e.jbutton.button, 13) << "no repeat after the release";

    // L holds the sidebar open and acts on its release: it never repeats.
    pc_hold_button(10, true);
    push_button(10);
    ASSERT_TRUE(platform_wait_event(&e));
    push_button_later(12, 600);
    ASSERT_TRUE(platform_wait_event(&e));
    EXPECT_EQ(e.jbutton.button, 12);
    pc_release_buttons();
}
