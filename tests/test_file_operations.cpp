// The explorer's file operations: the clipboard and its exact command
// lines, names that must reach the shell literally, the pastes that are
// refused or fail, and the guest rules. Commands run through /bin/sh on a
// card folder of the test's own.
#include "explorer_fixture.h"

#include "dialogs/dialogs.h"
#include "explorer/file_operations.h"
#include "explorer/listing.h"
#include "platform/pc_console.h"

#include <cstdlib>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

class FileOperations : public ExplorerTest {
protected:
    void SetUp() override
    {
        ExplorerTest::SetUp();
        write_file(card + "one/a.txt", "first");
        fs::create_directories(card + "two");
    }

    static void paste() { file_operation(kOperationPaste, nullptr); }

    // Whether a command line starting with start ran.
    static bool ran(const std::string& start)
    {
        for (const std::string& line : trace())
            if (line.rfind("run " + start, 0) == 0)
                return true;
        return false;
    }
};

} // namespace

TEST_F(FileOperations, CopiesBesideTheirNamesakesGetCopyNames)
{
    write_file(card + "two/a.txt", "second");
    write_file(card + "one/d/x", "x");
    fs::create_directories(card + "two/d");
    for (const char* name : {"a.txt", "d"}) {
        open("one/");
        file_operation(kOperationCopy, name);
        open("two/");
        push_button(13);   // "Create copy here?" Yes
        paste();
    }
    EXPECT_TRUE(traced("run cp \"" + card + "one/a.txt\" \"" + card + "two/a.txt-copy\""));
    EXPECT_TRUE(traced("run cp -r \"" + card + "one/d\" \"" + card + "two/d-copy/\""));
    EXPECT_EQ(read_file(card + "two/a.txt-copy"), "first");
    EXPECT_EQ(read_file(card + "two/d-copy/x"), "x");
    EXPECT_STREQ(clipboard_mode, "");
}

TEST_F(FileOperations, CutMovesAndEmptiesTheClipboard)
{
    open("one/");
    file_operation(kOperationCut, "a.txt");
    open("two/");
    paste();
    int copied = trace_index("run cp \"" + card + "one/a.txt\" \"" + card + "two/\"");
    ASSERT_GE(copied, 0);
    EXPECT_GT(trace_index("run rm \"" + card + "one/a.txt\""), copied);
    EXPECT_FALSE(exists(card + "one/a.txt"));
    EXPECT_STREQ(explorer_list.name[0], "a.txt") << "listed again";
    push_button(13);
    paste();
    EXPECT_TRUE(box_shows("Copy a file first."));
}

TEST_F(FileOperations, NamesReachTheShellLiterally)
{
    std::string name = "we \"$HOME\" `touch pwned` x.txt", target = "to $dir `x`/";
    write_file(card + "one/" + name, "odd");
    fs::create_directories(card + target);
    open("one/");
    file_operation(kOperationCut, name.c_str());
    open(target);
    paste();
    EXPECT_TRUE(traced("run cp \"" + card + "one/we \\\"\\$HOME\\\" \\`touch pwned\\` x.txt\" \"" + card +
                       "to \\$dir \\`x\\`/\""));
    EXPECT_EQ(read_file(card + target + name), "odd");
    EXPECT_FALSE(exists(card + "one/" + name));
    EXPECT_FALSE(exists("pwned"));
}

TEST_F(FileOperations, PastesOntoTheSourceOrIntoItAreRefused)
{
    open("one/");
    file_operation(kOperationCut, "a.txt");
    push_button(14);   // "Create copy here?" No: the same name in the same place
    push_button(13);
    paste();
    EXPECT_TRUE(box_shows("Cannot paste here!"));
    EXPECT_STREQ(clipboard_mode, "cut") << "still to be pasted elsewhere";

    fs::create_directories(card + "one/d/sub");
    file_operation(kOperationCut, "d");
    for (const char* inside : {"one/d/", "one/d/sub/"}) {
        open(inside);
        push_button(13);
        paste();
        EXPECT_TRUE(box_shows("Cannot paste here!")) << inside;
    }
    EXPECT_FALSE(ran("cp"));
    EXPECT_FALSE(ran("rm"));
    EXPECT_EQ(read_file(card + "one/a.txt"), "first");
}

TEST_F(FileOperations, FailedCopyKeepsTheSourceOfACut)
{
    pc_set_command_handler(
        [](const char* line) { return std::string(line).rfind("cp ", 0) == 0 ? 1 : std::system(line); });
    open("one/");
    file_operation(kOperationCut, "a.txt");
    open("two/");
    push_button(13);
    paste();
    EXPECT_TRUE(box_shows("Paste failed!"));
    EXPECT_TRUE(ran("cp"));
    EXPECT_FALSE(ran("rm"));
    EXPECT_EQ(read_file(card + "one/a.txt"), "first");
}

TEST_F(FileOperations, DeleteAsksAndLeavesNothingToPaste)
{
    write_file(card + "one/b.txt", "b");
    open("one/");
    file_operation(kOperationCopy, "b.txt");
    push_button(14);   // "Delete a.txt?" No
    file_operation(kOperationDelete, "a.txt");
    EXPECT_TRUE(exists(card + "one/a.txt"));
    push_button(13);
    file_operation(kOperationDelete, "a.txt");
    EXPECT_TRUE(traced("run rm \"" + card + "one/a.txt\""));
    EXPECT_FALSE(exists(card + "one/a.txt"));
    open("two/");
    paste();
    EXPECT_FALSE(ran("cp"));
    EXPECT_STREQ(clipboard_mode, "");
}

TEST_F(FileOperations, RenameRefusesANameAnotherEntryHas)
{
    keyboard_shift = 0;
    write_file(card + "one/a.txt12", "taken");
    open("one/");
    push_typing("1");
    file_operation(kOperationRename, "a.txt");
    EXPECT_TRUE(traced("run mv \"" + card + "one/a.txt\" \"" + card + "one/a.txt1\""));
    push_typing("2");
    push_button(13);
    file_operation(kOperationRename, "a.txt1");
    EXPECT_TRUE(box_shows("File already exists!"));
    EXPECT_EQ(read_file(card + "one/a.txt12"), "taken");
    EXPECT_EQ(read_file(card + "one/a.txt1"), "first");
}

TEST_F(FileOperations, GuestsMayOnlyRenameAndSetTheirPicture)
{
    copy_text(user_kind, "guest");
    open("one/");
    for (int op : {kOperationCopy, kOperationPaste}) {
        push_button(13);
        file_operation(op, "a.txt");
        EXPECT_TRUE(box_shows("User access denied.")) << op;
    }
    push_button(13);
    file_operation(kOperationCancelled, "a.txt");
    EXPECT_FALSE(all_read()) << "a cancelled pop-up shows nothing";
    push_button(8);   // cancels the keyboard
    file_operation(kOperationRename, "a.txt");
    EXPECT_TRUE(all_read()) << "the keyboard opened";
}
