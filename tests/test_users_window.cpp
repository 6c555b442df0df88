// The user accounts window: the rights of each kind, stepping between
// accounts, and the exact commands of renaming, deleting and creating.
#include "harness.h"
#include "window_checks.h"

#include "core/text.h"
#include "users/user_files.h"
#include "users/users_window.h"

#include <filesystem>

namespace {

class UsersWindow : public ShellTest {
protected:
    void SetUp() override
    {
        ShellTest::SetUp();
        copy_text(skin_name, "Blue");
        make_account("amy", "user");
        make_account("bob", "guest");
        make_account("root", "admin");
        log_on("root", "admin");
        show("root");
        return_window = WindowId::System;
        current_window = WindowId::Users;
        drawn_window = WindowId::Users;
    }

    static void log_on(const char* name, const char* kind)
    {
        copy_text(user_name, name);
        copy_text(user_kind, kind);
    }

    static void show(const char* name) { load_user(edit_user, name); }

    static void press(int button, int row)
    {
        field_selection = row;
        push_button(button);
        users_input();
    }

    // Runs one input whose only effect is a notice, answered at once.
    static bool refused_with(const char* text, void (*push)())
    {
        push();
        push_button(13);
        users_input();
        return box_shows(text, 0);
    }
};

} // namespace

TEST_F(UsersWindow, RightsOfANonAdministrator)
{
    log_on("amy", "user");
    show("amy");
    field_selection = 5;
    EXPECT_TRUE(refused_with("Admin rights required!", [] { push_button(6); }));
    field_selection = 0;
    EXPECT_TRUE(refused_with("Admin rights required!", [] { push_button(2); }));
    EXPECT_STREQ(edit_user.name, "amy");
    EXPECT_TRUE(refused_with("Admin rights required!", [] { push_touch(210, 115); }));
    EXPECT_EQ(field_selection, 2);
    EXPECT_STREQ(edit_user.kind, "user");
    EXPECT_TRUE(refused_with("User access violation!", [] { push_button(12); }));
    EXPECT_TRUE(exists("user/amy"));
}

TEST_F(UsersWindow, RightsOfAnAdministrator)
{
    field_selection = 2;
    EXPECT_TRUE(refused_with("Cannot change Admin type!", [] { push_button(6); }));
    EXPECT_TRUE(refused_with("User access violation!", [] { push_button(12); })) << "not even his own";

    make_account("zed", "admin");
    show("zed");
    press(6, 2);
    EXPECT_STREQ(edit_user.kind, "guest") << "another administrator shows kind 0";
    press(9, 2);
    EXPECT_EQ(read_file("user/zed/data.st"), "guest ");
    EXPECT_EQ(current_window, WindowId::System);
}

TEST_F(UsersWindow, SteppingWritesTheAccountLeft)
{
    write_file("user/amy/data.st", "user");
    show("amy");
    press(6, 0);
    EXPECT_STREQ(edit_user.name, "bob");
    EXPECT_EQ(read_file("user/amy/data.st"), "user ") << "written even when nothing changed";
    press(6, 0);
    press(6, 0);   // root is the last
    EXPECT_STREQ(edit_user.name, "root");
    push_touch(110, 60);   // previous account
    users_input();
    EXPECT_STREQ(edit_user.name, "bob");
    press(2, 2);   // guest back to user
    press(14, 2);
    EXPECT_EQ(read_file("user/bob/data.st"), "guest ") << "closing drops the change";
}

TEST_F(UsersWindow, RenameMovesTheFolderAndTheAutomaticLogon)
{
    write_file("resources/autolog.st", "amy");
    copy_text(autolog_user, "amy");
    show("amy");
    field_selection = 1;
    push_button(13);
    push_keys("ann", 3);
    clear_trace();
    users_input();
    // The second "sync" follows the automatic-logon file.
    EXPECT_EQ(commands_run(), (std::vector<std::string>{"mv user/amy user/ann", "sync", "sync"}));
    EXPECT_STREQ(edit_user.name, "ann");
    EXPECT_EQ(read_file("resources/autolog.st"), "ann");
    EXPECT_STREQ(autolog_user, "ann");

    push_touch(100, 90);   // the name row quotes the names
    push_keys("amy", 3);
    clear_trace();
    users_input();
    EXPECT_EQ(commands_run(), (std::vector<std::string>{"mv \"user/ann\" \"user/amy\"", "sync", "sync"}));
    EXPECT_STREQ(user_name, "root");

    show("root");
    push_touch(100, 90);
    push_keys("boss", 4);
    users_input();
    EXPECT_STREQ(user_name, "boss") << "the logged-on user follows his new name";
}

TEST_F(UsersWindow, RenameRefusesNamesTheShellOrTheTreeCannotTake)
{
    show("amy");
    for (auto [name, message] : {std::pair{"a;b", "Invalid user name!"}, std::pair{"bob", "User already exists!"}}) {
        field_selection = 1;
        clear_trace();
        std::string typed = name;
        push_button(13);
        push_keys(typed, 3);
        push_button(13);
        users_input();
        EXPECT_TRUE(box_shows(message, 0)) << name;
        EXPECT_TRUE(commands_run().empty()) << name;
        EXPECT_STREQ(edit_user.name, "amy");
    }
}

TEST_F(UsersWindow, DeleteRemovesTheAccountAndItsAutomaticLogon)
{
    write_file("resources/autolog.st", "bob");
    copy_text(autolog_user, "bob");
    show("bob");
    push_button(12);
    push_button(13);   // Yes
    clear_trace();
    users_input();
    EXPECT_EQ(commands_run(),
              (std::vector<std::string>{"rm -rf user/bob", "sync", "rm resources/autolog.st", "sync"}));
    EXPECT_FALSE(exists("user/bob"));
    EXPECT_FALSE(exists("resources/autolog.st"));
    EXPECT_STREQ(edit_user.name, "amy") << "the first account is shown";
}

TEST_F(UsersWindow, OnlyAPlainAccountFolderIsDeleted)
{
    make_account("my files", "user");
    show("my files");
    clear_trace();
    EXPECT_TRUE(refused_with("Invalid user name!", [] { push_button(12); }));
    EXPECT_TRUE(commands_run().empty());
    EXPECT_TRUE(exists("user/my files"));
}

TEST_F(UsersWindow, NewAccountAndPassword)
{
    field_selection = 5;
    push_button(13);
    push_keys("dan");
    push_button(13);   // answers "User successfully created."
    users_input();
    EXPECT_EQ(read_file("user/dan/data.st"), "user ");

    show("dan");
    push_touch(100, 145);   // the password row
    push_keys("42");
    users_input();
    EXPECT_STREQ(edit_user.password, "42");
    EXPECT_EQ(read_file("user/dan/data.st"), "user ") << "written by OK";
    push_touch(220, 200);
    users_input();
    EXPECT_EQ(read_file("user/dan/data.st"), "user 42");
}

TEST_F(UsersWindow, AutomaticLogonTickFollowsTheShownAccount)
{
    show("amy");
    draw_users_window();
    std::vector<Uint32> without = snapshot();
    push_touch(50, 170);
    users_input();
    EXPECT_EQ(read_file("resources/autolog.st"), "amy");
    EXPECT_EQ(field_selection, 4);
    field_selection = 0;
    draw_users_window();
    EXPECT_NE(snapshot(), without);
    press(13, 4);
    EXPECT_FALSE(exists("resources/autolog.st"));
}
