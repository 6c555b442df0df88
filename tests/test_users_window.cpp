// The user accounts window: the rights of each kind, stepping between
// accounts, and the exact commands of renaming, deleting and creating.
#include "harness.h"
#include "window_checks.h"

#include "core/text.h"
#include "gfx/font.h"
#include "platform/pc_console.h"
#include "resource_files.h"

#include <cstdlib>
#include <filesystem>
#include <sys/wait.h>
#include <unistd.h>
#include "users/user_files.h"
#include "users/users_window.h"

#include <filesystem>

namespace {

class UsersWindow : public GroupNeeding<Needs::nothing> {
protected:
    void SetUp() override
    {
        ShellTest::SetUp();
        copy_text(skin_name, "Blue");
        make_account("amy", "user");
        make_account("bob", "guest");
        make_account("root", "admin");
        log_on("root", "admin");
        load_user(edit_user, "root");
        return_window = WindowId::System;
        current_window = WindowId::Users;
    }

    static void log_on(const char* name, const char* kind)
    {
        copy_text(user_name, name);
        copy_text(user_kind, kind);
    }

    // One input on row; answer pushes what its dialogs need afterwards.
    static void input(int row, int button, const std::string& typed = "", int erase = 0, bool answer = false)
    {
        field_selection = row;
        push_button(button);
        if (!typed.empty())
            push_keys(typed, erase);
        if (answer)
            push_button(13);
        clear_trace();
        users_input();
    }
};

} // namespace

TEST_F(UsersWindow, LongNamesStayInsideTheirFields)
{
    TEST_NEEDS(Needs::display);
    std::filesystem::remove_all("resources/skin");
    write_coded_fonts("Blue");
    copy_text(edit_user.name, "Wwwwwwwwwwwwwwwwwww");   // 19 characters, the longest a name has
    SDL_FillRect(screen, nullptr, 0);
    draw_users_window();
    // Account row: between the arrows, the first glyph at 123, room to 204.
    EXPECT_EQ(font_at(screen, 123, 59), FontCode::SmallBlack) << "too wide for the large font";
    EXPECT_EQ(glyph_at(screen, 123, 59), font_index('W'));
    int last = 123;
    for (int x = 123; x < 240; ++x)
        if (glyph_at(screen, x, 59) >= 0)
            last = x;
    EXPECT_LE(last, 123 + 81 + 8) << "the last glyph starts inside the field";
    EXPECT_EQ(glyph_at(screen, last, 59), font_index('.'));
    copy_text(edit_user.name, "root");
    SDL_FillRect(screen, nullptr, 0);
    draw_users_window();
    EXPECT_EQ(font_at(screen, 123, 56), FontCode::LargeBlack) << "a short name in the large font";
}

TEST_F(UsersWindow, RightsOfEachKind)
{
    log_on("amy", "user");
    load_user(edit_user, "amy");
    for (auto [row, button] : {std::pair{5, 6}, std::pair{0, 2}, std::pair{2, 6}}) {
        input(row, button, "", 0, true);
        EXPECT_TRUE(box_shows("Admin rights required!", 0)) << row;
    }
    EXPECT_STREQ(edit_user.kind, "user");
    input(0, 12, "", 0, true);
    EXPECT_TRUE(box_shows("User access violation!", 0));

    log_on("root", "admin");
    load_user(edit_user, "root");
    input(2, 6, "", 0, true);
    EXPECT_TRUE(box_shows("Cannot change Admin type!", 0));
    input(0, 12, "", 0, true);
    EXPECT_TRUE(box_shows("User access violation!", 0)) << "not even his own";

    make_account("zed", "admin");
    load_user(edit_user, "zed");
    input(2, 6);
    input(2, 9);
    EXPECT_EQ(read_file("user/zed/data.st"), "guest ") << "another administrator's kind can change";
    EXPECT_EQ(current_window, WindowId::System);
}

TEST_F(UsersWindow, SteppingWritesTheAccountLeft)
{
    write_file("user/amy/data.st", "user");
    load_user(edit_user, "amy");
    input(0, 6);
    EXPECT_STREQ(edit_user.name, "bob");
    EXPECT_EQ(read_file("user/amy/data.st"), "user ") << "written even when nothing changed";
    input(0, 6);
    input(0, 6);   // root is the last
    EXPECT_STREQ(edit_user.name, "root");
    push_touch(110, 60);   // previous account
    users_input();
    EXPECT_STREQ(edit_user.name, "bob");
}

TEST_F(UsersWindow, RenameMovesTheFolderAndWhatFollowsIt)
{
    write_file("resources/autolog.st", "amy");
    copy_text(autolog_user, "amy");
    load_user(edit_user, "amy");
    input(1, 13, "ann", 3);
    // The second "sync" follows the automatic-logon file.
    EXPECT_EQ(commands_run(), (std::vector<std::string>{"mv user/amy user/ann", "sync", "sync"}));
    EXPECT_STREQ(edit_user.name, "ann");
    EXPECT_EQ(read_file("resources/autolog.st"), "ann");

    push_touch(100, 90);   // the name row quotes the names
    push_keys("amy", 3);
    clear_trace();
    users_input();
    EXPECT_EQ(commands_run().front(), "mv \"user/ann\" \"user/amy\"");

    for (auto [typed, message] : {std::pair{"a;b", "Invalid user name!"}, std::pair{"bob", "User already exists!"}}) {
        input(1, 13, typed, 3, true);
        EXPECT_TRUE(box_shows(message, 0)) << typed;
        EXPECT_TRUE(commands_run().empty()) << typed;
    }

    load_user(edit_user, "root");
    input(1, 13, "boss", 4);
    EXPECT_STREQ(user_name, "boss") << "the logged-on user follows his new name";
}

TEST_F(UsersWindow, DeleteOnlyAPlainAccountFolder)
{
    write_file("resources/autolog.st", "bob");
    copy_text(autolog_user, "bob");
    load_user(edit_user, "bob");
    input(0, 12, "", 0, true);
    EXPECT_EQ(commands_run(),
              (std::vector<std::string>{"rm -rf user/bob", "sync", "rm resources/autolog.st", "sync"}));
    EXPECT_FALSE(exists("user/bob"));
    EXPECT_STREQ(edit_user.name, "amy") << "the first account is shown";

    make_account("my files", "user");
    load_user(edit_user, "my files");
    input(0, 12, "", 0, true);
    EXPECT_TRUE(box_shows("Invalid user name!", 0));
    EXPECT_TRUE(commands_run().empty());
}

TEST_F(UsersWindow, NewAccountAndPassword)
{
    input(5, 13, "dan", 0, true);
    EXPECT_EQ(read_file("user/dan/data.st"), "user ");
    load_user(edit_user, "dan");
    input(3, 13, "42");
    EXPECT_STREQ(edit_user.password, "42");
    EXPECT_EQ(read_file("user/dan/data.st"), "user ") << "written by OK";
    push_touch(220, 200);
    users_input();
    EXPECT_EQ(read_file("user/dan/data.st"), "user 42");
}

// The data file is read word by word: a password with a blank could never
// be typed back, so it is refused and the old one kept.
TEST_F(UsersWindow, PasswordWithABlankIsRefused)
{
    load_user(edit_user, "amy");
    field_selection = 3;
    push_button(13);
    push_touch(31 + 25 * 3 + 10, 93);   // "4"
    push_button(11);                    // a blank
    push_touch(31 + 25 * 1 + 10, 93);   // "2"
    push_button(9);
    push_button(13);   // the refusal
    users_input();
    EXPECT_TRUE(box_shows("No blanks in a password!", 0));
    EXPECT_STREQ(edit_user.password, "");
    input(3, 9);   // OK
    EXPECT_EQ(read_file("user/amy/data.st"), "user ");

    input(3, 13, "42");
    EXPECT_STREQ(edit_user.password, "42") << "one without a blank is taken";
}

// A folder without "data.st" (made on a PC, or an older creation cut short)
// is shown as such, never stops the stepping, gets no files, and can be
// deleted. The folder of a creation under way is no account.
TEST_F(UsersWindow, AccountFolderWithoutDataIsShownAndCanBeDeleted)
{
    TEST_NEEDS(Needs::display);
    std::filesystem::create_directories("user/carl/links");
    std::filesystem::create_directories("user/~new-account/links");
    input(0, 6);   // root is last: nothing further
    EXPECT_STREQ(edit_user.name, "root");
    input(0, 2);
    EXPECT_STREQ(edit_user.name, "carl");
    EXPECT_STREQ(edit_user.kind, "");
    std::vector<Uint32> without_data = (draw_users_window(), snapshot());
    copy_text(edit_user.kind, "(no user data)");
    std::vector<Uint32> with_words = (draw_users_window(), snapshot());
    edit_user.kind[0] = '\0';
    EXPECT_EQ(without_data, with_words) << "the kind row says there is no data";
    input(0, 2);
    EXPECT_STREQ(edit_user.name, "bob") << "stepped past";
    input(0, 6);
    EXPECT_STREQ(edit_user.name, "carl");
    input(0, 9);   // OK
    EXPECT_FALSE(exists("user/carl/data.st")) << "nothing is written into it";
    input(0, 12, "", 0, true);
    EXPECT_EQ(commands_run(), (std::vector<std::string>{"rm -rf user/carl", "sync"}));
    EXPECT_FALSE(exists("user/carl"));
    EXPECT_STREQ(edit_user.name, "amy");
}

// A power cut at any step of a rename leaves the whole account under its
// old or its new name; an automatic logon left naming the old one is then
// set aside by the next start (see the start-up tests).
TEST_F(UsersWindow, RenameCutAtEachStepKeepsTheWholeAccount)
{
    write_file("resources/autolog.st", "bob");
    for (int cut_at = 0; cut_at < 3; ++cut_at) {
        int cut = run_with_power_cut(cut_at, [] {
            load_user(edit_user, "bob");
            copy_text(autolog_user, "bob");   // read at start-up
            input(1, 13, "bert", 3);
        });
        bool reached_end = cut == 1;
        EXPECT_NE(cut, -1) << "cut " << cut_at;
        bool old_name = exists("user/bob/data.st");
        bool new_name = exists("user/bert/data.st");
        EXPECT_NE(old_name, new_name) << "cut " << cut_at;
        EXPECT_EQ(read_file(old_name ? "user/bob/data.st" : "user/bert/data.st"), "guest ") << "cut " << cut_at;
        std::string autolog = read_file("resources/autolog.st");
        EXPECT_TRUE(autolog == "bob" || autolog == "bert") << "cut " << cut_at;
        if (reached_end) {
            EXPECT_EQ(autolog, "bert");
        }
        if (new_name)
            std::filesystem::rename("user/bert", "user/bob");
        write_file("resources/autolog.st", "bob");
    }
}

// A "data.st" of a damaged card is no account data: the folder is shown as
// such and can be deleted, and it is never made the automatic logon.
TEST_F(UsersWindow, DamagedDataIsShownAsNoUserData)
{
    write_file("user/bob/data.st", std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16));
    input(0, 2);   // root -> bob
    EXPECT_STREQ(edit_user.name, "bob");
    EXPECT_STREQ(edit_user.kind, "") << "shown as having no user data";
    EXPECT_STREQ(edit_user.password, "");
    input(4, 13, "", 0, true);
    EXPECT_TRUE(box_shows("User data not found!", 0));
    EXPECT_FALSE(exists("resources/autolog.st"));
    input(0, 12, "", 0, true);
    EXPECT_FALSE(exists("user/bob"));
}

// What the card refuses (write-protected, or full) changes nothing the
// window shows: a rename that did not happen, an automatic logon that
// could not follow the new name (the folder is moved back), a delete that
// left the folder, an automatic logon that could not be switched.
TEST_F(UsersWindow, RefusalsOfTheCardChangeNothingAndAreTold)
{
    pc_set_command_handler([](const char* line) {
        return std::string(line).rfind("mv ", 0) == 0 ? 1 : std::system(line);
    });
    load_user(edit_user, "amy");
    input(1, 13, "ann", 3, true);
    EXPECT_TRUE(box_shows("Could not rename user!", 0));
    EXPECT_STREQ(edit_user.name, "amy");
    EXPECT_STREQ(edit_user.kind, "user");
    pc_set_command_handler(nullptr);

    write_file("resources/autolog.st", "amy");
    copy_text(autolog_user, "amy");
    std::filesystem::create_directory("resources/autolog.st.tmp");   // a full card: no new file
    input(1, 13, "ann", 3, true);
    EXPECT_TRUE(box_shows("Could not rename user!", 0));
    EXPECT_EQ(commands_run(), (std::vector<std::string>{"mv user/amy user/ann", "sync", "mv user/ann user/amy",
                                                        "sync"}));
    EXPECT_TRUE(exists("user/amy/data.st"));
    EXPECT_FALSE(exists("user/ann"));
    EXPECT_EQ(read_file("resources/autolog.st"), "amy");
    EXPECT_STREQ(edit_user.name, "amy");

    load_user(edit_user, "bob");
    input(4, 13, "", 0, true);
    EXPECT_TRUE(box_shows("Could not save settings!", 0));
    EXPECT_STREQ(autolog_user, "amy");
    std::filesystem::remove("resources/autolog.st.tmp");

    pc_set_command_handler([](const char* line) {
        return std::string(line).rfind("rm ", 0) == 0 ? 1 : std::system(line);
    });
    load_user(edit_user, "amy");
    input(4, 13, "", 0, true);
    EXPECT_TRUE(box_shows("Could not save settings!", 0)) << "the file that stays would log amy on";
    EXPECT_STREQ(autolog_user, "amy");
    load_user(edit_user, "bob");
    field_selection = 0;
    push_button(12);
    push_button(13);   // "Delete current user?" Yes
    push_button(13);
    users_input();
    EXPECT_TRUE(box_shows("Could not delete user!", 0));
    EXPECT_TRUE(exists("user/bob/data.st"));
    EXPECT_STREQ(edit_user.name, "bob") << "still shown";
}
