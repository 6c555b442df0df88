// The account files: formats byte for byte, the refused account names, the
// safe rewrites, and the rights of each kind.
#include "harness.h"

#include "core/text.h"
#include "explorer/listing.h"
#include "platform/pc_console.h"
#include "users/user_files.h"

#include <filesystem>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <cstdlib>

namespace {

using UserFiles = GroupNeeding<Needs::nothing>;
namespace fs = std::filesystem;

void log_on_as(const char* name, const char* kind)
{
    copy_text(user_name, name);
    copy_text(user_kind, kind);
}

std::vector<std::string> commands_run()
{
    std::vector<std::string> commands;
    for (const std::string& line : ShellTest::trace())
        if (line.rfind("run ", 0) == 0)
            commands.push_back(line.substr(4));
    return commands;
}

} // namespace

TEST_F(UserFiles, NewAccountFilesAndCommands)
{
    fs::remove_all("resources/wallpaper");
    write_file("resources/wallpaper/zebra.png", "x");
    write_file("resources/wallpaper/Meadow.png", "x");
    write_file("resources/wallpaper/notes.txt", "x");
    write_file("resources/pic.png", "picture");
    fs::create_directory("user");

    EXPECT_TRUE(shows_message("User successfully created.", 0, [] { EXPECT_TRUE(create_user("bob")); }));
    EXPECT_EQ(read_file("user/bob/settings.st"), "wallpaper/Meadow.png Blue 2 0");
    EXPECT_EQ(read_file("user/bob/data.st"), "user ");
    EXPECT_TRUE(exists("user/bob/desktop.st"));
    EXPECT_EQ(read_file("user/bob/desktop.st"), "");
    EXPECT_EQ(read_file("user/bob/pic.png"), "picture");
    for (const char* category : {"apps", "emus", "ports", "games"})
        EXPECT_TRUE(fs::is_directory(std::string("user/bob/links/") + category)) << category;
    std::vector<std::string> commands = commands_run();
    // Put together beside the accounts, then given its name in one step.
    std::vector<std::string> expected = {"rm -rf user/~new-account",
                                         "mkdir user/~new-account",
                                         "mkdir user/~new-account/links",
                                         "mkdir user/~new-account/links/apps",
                                         "mkdir user/~new-account/links/emus",
                                         "mkdir user/~new-account/links/ports",
                                         "mkdir user/~new-account/links/games",
                                         "cp resources/pic.png user/~new-account/pic.png",
                                         "sync",
                                         "sync",
                                         "mv user/~new-account user/bob",
                                         "sync"};
    EXPECT_EQ(commands, expected);
    EXPECT_FALSE(exists("user/bob/settings.st.tmp"));
    EXPECT_FALSE(exists("user/~new-account"));
}

TEST_F(UserFiles, NamesTheShellCouldMisreadAreRefused)
{
    fs::create_directory("user");
    make_account("amy", "user");
    for (const char* name : {"", ".", "..", "a b", "../x", "a/b", "x;rm -rf ~", "$(reboot)", "a*", "it's",
                             "twenty-characters-xx"}) {
        clear_trace();
        EXPECT_TRUE(shows_message("Invalid user name!", 0, [name] { EXPECT_FALSE(create_user(name)); })) << name;
        EXPECT_TRUE(commands_run().empty()) << name;
    }
    clear_trace();
    EXPECT_TRUE(shows_message("User already exists!", 0, [] { EXPECT_FALSE(create_user("amy")); }));
    EXPECT_TRUE(commands_run().empty());
    EXPECT_EQ(read_file("user/amy/data.st"), "user ") << "an existing account is left alone";
    EXPECT_TRUE(shows_message("User successfully created.", 0, [] { EXPECT_TRUE(create_user("Nineteen-chars-1234")); }));
}

TEST_F(UserFiles, CreationReportsFilesThatCannotBeWritten)
{
    // No "user/" folder: the mkdir commands fail and so do the files.
    record_commands_only();
    EXPECT_TRUE(shows_message("Error creating new user!", 0, [] { EXPECT_FALSE(create_user("ghost")); }));

    // A step the card refuses (the picture on a full card) stops the
    // creation there, and what was put together goes.
    record_commands_only(false);
    write_file("resources/pic.png", "picture");
    fs::create_directory("user");
    pc_set_command_handler([](const char* line) {
        return std::string(line).rfind("cp ", 0) == 0 ? 1 : std::system(line);
    });
    EXPECT_TRUE(shows_message("Error creating new user!", 0, [] { EXPECT_FALSE(create_user("ghost")); }));
    EXPECT_FALSE(exists("user/ghost"));
    EXPECT_FALSE(exists("user/~new-account"));
    EXPECT_FALSE(traced("run mv user/~new-account user/ghost"));
}

TEST_F(UserFiles, LoadUserReadsKindPasswordAndPicture)
{
    make_account("amy", "guest", "s3cret");
    UserRecord record{};
    copy_text(record.password, "old");
    load_user(record, "amy");
    EXPECT_STREQ(record.name, "amy");
    EXPECT_STREQ(record.kind, "guest");
    EXPECT_STREQ(record.password, "s3cret");
    ASSERT_NE(record.picture, nullptr) << "the default picture stands in for a missing pic.png";
    EXPECT_EQ(record.picture->w, 43);
    EXPECT_EQ(record.picture->h, 43);

    write_file("user/amy/data.st", "user ");
    load_user(record, "amy");
    EXPECT_STREQ(record.kind, "user");
    EXPECT_STREQ(record.password, "") << "a file with only the kind clears the password";

    // Words longer than the shell ever writes are no account data.
    write_file("user/amy/data.st", "administratorsofthisconsole verylongpasswordindeed");
    EXPECT_TRUE(shows_message("User data not found!", 0, [&] { load_user(record, "amy"); }));
    EXPECT_STREQ(record.kind, "user") << "the record is left as it was";
    SDL_FreeSurface(record.picture);
}

// Only the text the shell writes is account data; the bytes of a damaged
// card never become a kind or a password.
TEST(UserData, OnlyTheShellsOwnTextIsAccountData)
{
    struct Case {
        std::string text;
        const char* kind;       // nullptr: no account data
        const char* password;
    };
    const std::string nineteen(19, 'p');
    const Case cases[] = {
        {"user ", "user", ""},
        {"admin", "admin", ""},
        {"guest 4$x_Q?", "guest", "4$x_Q?"},
        {"user pw\r\n", "user", "pw"},
        {"user two words", "user", "two"},
        {"user " + nineteen, "user", nineteen.c_str()},
        {"user " + nineteen + "p", nullptr, nullptr},
        {"", nullptr, nullptr},
        {" \n", nullptr, nullptr},
        {"root pw", nullptr, nullptr},
        {"User pw", nullptr, nullptr},
        {std::string("user p\0w", 8), nullptr, nullptr},
        {"user \x01\x7f", nullptr, nullptr},
        {std::string(6, '\xff'), nullptr, nullptr},
        {"user caf\xc3\xa9", nullptr, nullptr},
    };
    for (const Case& c : cases) {
        char kind[20] = "before", password[20] = "before";
        bool data = parse_user_data(c.text, kind, password);
        EXPECT_EQ(data, c.kind != nullptr) << c.text;
        EXPECT_STREQ(kind, c.kind ? c.kind : "before") << c.text;
        EXPECT_STREQ(password, c.password ? c.password : "before") << c.text;
    }
}

TEST_F(UserFiles, MissingDataLeavesTheRecord)
{
    UserRecord record{};
    copy_text(record.name, "before");
    EXPECT_TRUE(shows_message("User data not found!", 0, [&] { load_user(record, "nobody"); }));
    EXPECT_STREQ(record.name, "before");
}

TEST_F(UserFiles, SaveUserData)
{
    make_account("amy", "user");
    UserRecord record{};
    copy_text(record.name, "amy");
    copy_text(record.kind, "guest");
    copy_text(record.password, "pw");
    save_user_data(record);
    EXPECT_EQ(read_file("user/amy/data.st"), "guest pw");
    EXPECT_FALSE(exists("user/amy/data.st.tmp"));
    fs::create_directory("user/amy/data.st.tmp");   // the file cannot be written beside
    EXPECT_TRUE(shows_message("Could not create user data!", 0, [&] { save_user_data(record); }));
    EXPECT_EQ(read_file("user/amy/data.st"), "guest pw");

    // No file is made outside an existing account, nor for a record that
    // was read from no data file.
    fs::remove("user/amy/data.st.tmp");
    copy_text(record.name, "nobody");
    save_user_data(record);
    copy_text(record.name, "");
    save_user_data(record);
    copy_text(record.name, "amy");
    record.kind[0] = '\0';
    save_user_data(record);
    EXPECT_FALSE(exists("user/nobody"));
    EXPECT_FALSE(exists("user/data.st"));
    EXPECT_EQ(read_file("user/amy/data.st"), "guest pw");
}

TEST_F(UserFiles, NewAccountSettingsKeepTheOtherThreeValues)
{
    make_account("bob", "user", "", "wallpaper/Meadow.png Blue 2 0");
    log_on_as("bob", "user");
    auto_off_ms = 240000;
    clock_12h = 1;
    volume = 70;
    load_settings();
    EXPECT_STREQ(wallpaper_name, "wallpaper/Meadow.png");
    EXPECT_STREQ(skin_name, "Blue");
    EXPECT_EQ(brightness, 2);
    EXPECT_EQ(saver_ms, 0);
    EXPECT_EQ(auto_off_ms, 240000);
    EXPECT_EQ(clock_12h, 1);
    EXPECT_EQ(volume, 70);
    EXPECT_TRUE(traced("fb 3 1")) << "the brightness is applied";

    save_settings();
    EXPECT_EQ(read_file("user/bob/settings.st"), "wallpaper/Meadow.png Blue 2 0 240000 1 70");
    EXPECT_FALSE(exists("user/bob/settings.st.tmp"));
    EXPECT_TRUE(traced("run sync"));
}

TEST_F(UserFiles, SettingsWordsAreCutNotOverrun)
{
    std::string long_wallpaper = "wallpaper/" + std::string(150, 'w') + ".png";
    make_account("bob", "user", "", long_wallpaper + " AVeryLongSkinNameIndeed 1 10000 0 1 40");
    log_on_as("bob", "user");
    load_settings();
    EXPECT_EQ(std::string(wallpaper_name), long_wallpaper.substr(0, 99));
    EXPECT_STREQ(skin_name, "AVeryLongSkinNameIn");
    EXPECT_EQ(brightness, 1) << "the fields after a long word stay in step";
    EXPECT_EQ(saver_ms, 10000);
    EXPECT_EQ(volume, 40);
}

TEST_F(UserFiles, AWordWithABlankReadsUpToTheBlank)
{
    make_account("bob", "user", "two words");
    UserRecord record{};
    load_user(record, "bob");
    EXPECT_STREQ(record.password, "two");
    SDL_FreeSurface(record.picture);
}

TEST_F(UserFiles, AutologonTogglesOnAndOff)
{
    make_account("amy", "user");
    UserRecord record{};
    copy_text(record.name, "amy");
    toggle_autologon(record);
    EXPECT_EQ(read_file("resources/autolog.st"), "amy");
    EXPECT_STREQ(autolog_user, "amy");
    EXPECT_FALSE(exists("resources/autolog.st.tmp"));
    clear_trace();
    toggle_autologon(record);
    EXPECT_FALSE(exists("resources/autolog.st"));
    EXPECT_STREQ(autolog_user, "");
    EXPECT_EQ(commands_run(), (std::vector<std::string>{"rm resources/autolog.st", "sync"}));
}

TEST_F(UserFiles, RightsOfEachKind)
{
    log_on_as("amy", "user");
    copy_text(edit_user.name, "amy");
    for (int row : {0, 2, 5}) {
        field_selection = row;
        EXPECT_TRUE(shows_message("Admin rights required!", 0, [] { EXPECT_EQ(check_rights(), 0); })) << row;
    }
    write_file("resources/autolog.st", "zed");
    for (int row : {1, 3, 4}) {
        field_selection = row;
        EXPECT_EQ(check_rights(), 1) << row;
    }
    EXPECT_STREQ(autolog_user, "zed") << "the check reads the automatic-logon file";

    log_on_as("root", "admin");
    copy_text(edit_user.name, "root");
    field_selection = 2;
    EXPECT_TRUE(shows_message("Cannot change Admin type!", 0, [] { EXPECT_EQ(check_rights(), 0); }));
    copy_text(edit_user.name, "amy");
    EXPECT_EQ(check_rights(), 1);
    for (int row : {0, 5}) {
        field_selection = row;
        EXPECT_EQ(check_rights(), 1) << row;
    }
    log_on_as("gus", "guest");
    field_selection = 5;
    EXPECT_TRUE(shows_message("Admin rights required!", 0, [] { EXPECT_EQ(check_rights(), 0); }));
}

// Account files made on a PC (CR LF) read as written on the console; ones
// that are no regular files count as missing instead of hanging the shell.
TEST_F(UserFiles, PcLineEndsAndFilesThatAreNoFiles)
{
    make_account("amy", "user", "", "wallpaper/Gold.png Gold 1 10000 0 1 40\r\n");
    write_file("user/amy/data.st", "guest pw\r\n");
    write_file("resources/autolog.st", "amy\r\n");
    UserRecord record{};
    load_user(record, "amy");
    EXPECT_STREQ(record.kind, "guest");
    EXPECT_STREQ(record.password, "pw");
    read_autolog_user();
    EXPECT_STREQ(autolog_user, "amy");
    log_on_as("amy", "guest");
    load_settings();
    EXPECT_STREQ(skin_name, "Gold");
    EXPECT_EQ(volume, 40);

    make_account("bob", "user");
    fs::remove("user/bob/data.st");
    ASSERT_EQ(mkfifo("user/bob/data.st", 0644), 0);
    fs::remove("user/bob/settings.st");
    fs::create_directory("user/bob/settings.st");
    fs::remove("resources/autolog.st");
    ASSERT_EQ(mkfifo("resources/autolog.st", 0644), 0);
    ASSERT_EQ(mkfifo("user/bob/pic.png", 0644), 0);
    copy_text(autolog_user, "before");
    read_autolog_user();
    EXPECT_STREQ(autolog_user, "before");
    EXPECT_TRUE(shows_message("User data not found!", 0, [&] { load_user(record, "bob"); }));
    EXPECT_FALSE(account_usable("bob"));
    EXPECT_TRUE(account_usable("amy"));
    log_on_as("bob", "user");
    load_settings();
    EXPECT_STREQ(skin_name, "Gold") << "unchanged";
    SDL_FreeSurface(record.picture);
}

// A power cut at any step of a creation leaves no account "bob" or a whole
// one, and never a folder that blocks creating it again. Each cut runs in a
// child process that ends at the chosen command, as the power would.
TEST_F(UserFiles, CreationCutAtEachStepLeavesNoAccountOrAWholeOne)
{
    write_file("resources/pic.png", "picture");
    fs::create_directory("user");
    make_account("amy", "user");
    constexpr int kSteps = 12;   // the commands of one creation
    for (int cut_at = 0; cut_at < kSteps; ++cut_at) {
        ASSERT_EQ(run_with_power_cut(cut_at, [] { create_user("bob"); }), 0) << "cut " << cut_at;

        NameTable accounts{};
        list_accounts(accounts);
        std::vector<std::string> names;
        for (int i = 0; i < count_entries(accounts); ++i)
            names.emplace_back(accounts.name[i]);
        bool bob = names.size() == 2;
        EXPECT_EQ(names[0], "amy") << "cut " << cut_at;
        if (!bob) {
            EXPECT_EQ(names.size(), 1u) << "cut " << cut_at;
            EXPECT_FALSE(exists("user/bob")) << "cut " << cut_at;
            EXPECT_TRUE(shows_message("User successfully created.", 0, [] { EXPECT_TRUE(create_user("bob")); }))
                << "cut " << cut_at;
        }
        EXPECT_EQ(read_file("user/bob/data.st"), "user ") << "cut " << cut_at;
        EXPECT_EQ(read_file("user/bob/desktop.st"), "") << "cut " << cut_at;
        EXPECT_TRUE(exists("user/bob/settings.st")) << "cut " << cut_at;
        EXPECT_EQ(read_file("user/bob/pic.png"), "picture") << "cut " << cut_at;
        EXPECT_TRUE(fs::is_directory("user/bob/links/games")) << "cut " << cut_at;
        EXPECT_FALSE(exists("user/~new-account")) << "cut " << cut_at;
        fs::remove_all("user/bob");
    }
}
