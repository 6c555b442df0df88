// The explorer's file operations: the clipboard and its exact command
// lines, names that must reach the shell literally, the pastes that are
// refused or fail (a full card is acted out by a copy that stops half way),
// and the guest rules. Commands run through /bin/sh on a card folder of the
// test's own.
#include "explorer_fixture.h"

#include "dialogs/dialogs.h"
#include "explorer/file_operations.h"
#include "explorer/listing.h"
#include "platform/pc_console.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <vector>

namespace fs = std::filesystem;

namespace {

// A "cp" on a full card: it stops half way, leaving its target (the last
// quoted word) with half the bytes of the source, or a folder copied whole
// but for its last file, cut to half. Other commands run as they are.
int copy_on_a_full_card(const char* line)
{
    std::string command(line);
    if (command.rfind("cp ", 0) != 0)
        return std::system(line);
    std::system(line);
    size_t end = command.rfind('"');
    size_t start = command.rfind('"', end - 1);
    fs::path target = command.substr(start + 1, end - start - 1);
    std::vector<fs::path> files;
    if (fs::is_directory(target)) {
        for (const fs::directory_entry& entry : fs::recursive_directory_iterator(target))
            if (entry.is_regular_file())
                files.push_back(entry.path());
        std::sort(files.begin(), files.end());
    } else if (fs::exists(target)) {
        files.push_back(target);
    }
    if (!files.empty())
        fs::resize_file(files.back(), fs::file_size(files.back()) / 2);
    return 1;
}

std::string bytes(size_t size, char seed)
{
    std::string text(size, '\0');
    for (size_t i = 0; i < size; ++i)
        text[i] = static_cast<char>(seed + i * 7 % 251);
    return text;
}

class FileOperations : public GroupNeeding<Needs::nothing, ExplorerTest> {
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
    // Each copy is made beside its target and then takes its name.
    EXPECT_TRUE(traced("run cp \"" + card + "one/a.txt\" \"" + card + "two/a.txt-copy.part\""));
    EXPECT_TRUE(traced("run cp -r \"" + card + "one/d\" \"" + card + "two/d-copy.part\""));
    EXPECT_EQ(read_file(card + "two/a.txt-copy"), "first");
    EXPECT_EQ(read_file(card + "two/d-copy/x"), "x");
    EXPECT_FALSE(exists(card + "two/a.txt-copy.part"));
    EXPECT_FALSE(exists(card + "two/d-copy.part"));
    EXPECT_STREQ(clipboard_mode, "");
}

TEST_F(FileOperations, CutMovesAndEmptiesTheClipboard)
{
    open("one/");
    file_operation(kOperationCut, "a.txt");
    open("two/");
    paste();
    int copied = trace_index("run cp \"" + card + "one/a.txt\" \"" + card + "two/a.txt.part\"");
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
                       "to \\$dir \\`x\\`/we \\\"\\$HOME\\\" \\`touch pwned\\` x.txt.part\""));
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
    EXPECT_FALSE(ran("rm \"" + card + "one/a.txt\""));
    EXPECT_EQ(read_file(card + "one/a.txt"), "first");
}

// The previous file of the name a paste takes survives a copy that fails
// byte for byte, the source of a cut stays, and no part of a copy is left
// that could pass for a whole one. Once the card has room, the same paste
// replaces the file whole.
TEST_F(FileOperations, AFailedPasteKeepsWhatWasThereAndLeavesNoPartOfTheCopy)
{
    std::string older = bytes(1 << 20, 'o'), newer = bytes(2 << 20, 'n');
    write_file(card + "one/big.bin", newer);
    write_file(card + "two/big.bin", older);
    write_file(card + "one/pics/a.png", bytes(307200, 'a'));
    write_file(card + "one/pics/b.png", bytes(307200, 'b'));
    pc_set_command_handler(copy_on_a_full_card);
    open("one/");
    file_operation(kOperationCut, "big.bin");
    open("two/");
    push_button(14);   // "Create copy here?" No: over the file of that name
    push_button(13);
    paste();
    EXPECT_TRUE(box_shows("Paste failed!"));
    EXPECT_TRUE(read_file(card + "two/big.bin") == older) << "the file there is as it was";
    EXPECT_TRUE(read_file(card + "one/big.bin") == newer) << "the source of the cut stays";
    EXPECT_FALSE(exists(card + "two/big.bin.part"));

    open("one/");
    file_operation(kOperationCopy, "pics");
    open("two/");
    push_button(13);
    paste();
    EXPECT_TRUE(box_shows("Paste failed!"));
    EXPECT_FALSE(exists(card + "two/pics"));
    EXPECT_FALSE(exists(card + "two/pics.part"));

    pc_set_command_handler(nullptr);
    open("one/");
    file_operation(kOperationCut, "big.bin");
    open("two/");
    push_button(14);
    paste();
    EXPECT_TRUE(read_file(card + "two/big.bin") == newer);
    EXPECT_FALSE(exists(card + "one/big.bin"));
    EXPECT_FALSE(exists(card + "two/big.bin.part"));
}

// A paste never merges folders nor puts a file where a folder is; a copy
// that an earlier power cut left under a temporary name is not touched.
TEST_F(FileOperations, FoldersAreNotMergedAndLeftoversStay)
{
    write_file(card + "one/d/x", "x");
    write_file(card + "two/d/y", "y");
    fs::create_directories(card + "two/a.txt");
    open("one/");
    for (const char* name : {"d", "a.txt"}) {
        file_operation(kOperationCopy, name);
        open("two/");
        push_button(14);   // No: onto the folder of that name
        push_button(13);
        paste();
        EXPECT_TRUE(box_shows("File already exists!")) << name;
        EXPECT_STREQ(clipboard_mode, "copy") << "still to be pasted elsewhere";
        open("one/");
    }
    EXPECT_FALSE(ran("cp"));
    EXPECT_FALSE(exists(card + "two/d/x"));

    write_file(card + "one/b.txt", "b");
    write_file(card + "two/b.txt.part", "left by a power cut");
    file_operation(kOperationCopy, "b.txt");
    open("two/");
    paste();
    EXPECT_TRUE(traced("run cp \"" + card + "one/b.txt\" \"" + card + "two/b.txt.part1\""));
    EXPECT_EQ(read_file(card + "two/b.txt"), "b");
    EXPECT_EQ(read_file(card + "two/b.txt.part"), "left by a power cut");
}

std::string cut_card;

// A power cut at any step of a cut pasted over a file of the same name
// leaves the old file or the whole new one under that name, and the
// source wherever the new one is not in place.
TEST_F(FileOperations, PowerCutAtEachStepOfAPasteKeepsOneWholeFile)
{
    cut_card = card;
    constexpr int kSteps = 5;   // cp, sync, sync, rm, sync
    for (int cut_at = 0; cut_at <= kSteps; ++cut_at) {
        write_file(card + "one/a.txt", "first");
        write_file(card + "two/a.txt", "second");
        int cut = run_with_power_cut(cut_at, [] {
            open_explorer(WindowId::Desktop, (cut_card + "one/").c_str(), "", 1);
            file_operation(kOperationCut, "a.txt");
            open_explorer(WindowId::Desktop, (cut_card + "two/").c_str(), "", 1);
            push_button(14);
            file_operation(kOperationPaste, nullptr);
        });
        EXPECT_EQ(cut, cut_at < kSteps ? 0 : 1) << "cut " << cut_at;
        std::string there = read_file(card + "two/a.txt");
        EXPECT_TRUE(there == "first" || there == "second") << "cut " << cut_at << ": " << there;
        if (there != "first") {
            EXPECT_EQ(read_file(card + "one/a.txt"), "first") << "cut " << cut_at;
        }
        fs::remove(card + "two/a.txt.part");
    }
    EXPECT_FALSE(exists(card + "one/a.txt")) << "the whole move";
}

// The user's picture and a new wallpaper are copies too: a full card
// keeps the old picture and adds no wallpaper, and says so.
TEST_F(FileOperations, PictureAndWallpaperAreCopiedWholeOrNotAtAll)
{
    write_file(card + "one/p.png", "new picture");
    write_file("user/amy/pic.png", "old picture");
    pc_set_command_handler(copy_on_a_full_card);
    open("one/");
    push_button(13);
    file_operation(kOperationUserPicture, "p.png");
    EXPECT_TRUE(box_shows("Could not set picture!"));
    push_button(13);
    file_operation(kOperationWallpaper, "p.png");
    EXPECT_TRUE(box_shows("Could not add wallpaper!"));
    EXPECT_EQ(read_file("user/amy/pic.png"), "old picture");
    EXPECT_FALSE(exists("user/amy/pic.png.part"));
    EXPECT_FALSE(exists("resources/wallpaper/p.png"));
    EXPECT_FALSE(exists("resources/wallpaper/p.png.part"));

    pc_set_command_handler(nullptr);
    file_operation(kOperationUserPicture, "p.png");
    file_operation(kOperationWallpaper, "p.png");
    EXPECT_EQ(read_file("user/amy/pic.png"), "new picture");
    EXPECT_EQ(read_file("resources/wallpaper/p.png"), "new picture");
}

// A delete, rename or removal of a cut's source that the card refuses
// (write-protected where the source is) is told; the listing shows the
// entries as they are.
TEST_F(FileOperations, RefusedDeleteRenameAndRemovalAreTold)
{
    pc_set_command_handler([](const char* line) {
        std::string command(line);
        return command.rfind("rm ", 0) == 0 || command.rfind("mv ", 0) == 0 ? 1 : std::system(line);
    });
    keyboard_shift = 0;
    open("one/");
    push_button(13);   // "Delete a.txt?" Yes
    push_button(13);
    file_operation(kOperationDelete, "a.txt");
    EXPECT_TRUE(box_shows("Delete failed!"));
    push_typing("1");
    push_button(13);
    file_operation(kOperationRename, "a.txt");
    EXPECT_TRUE(box_shows("Rename failed!"));
    EXPECT_STREQ(explorer_list.name[0], "a.txt");

    file_operation(kOperationCut, "a.txt");
    open("two/");
    push_button(13);
    paste();
    EXPECT_TRUE(box_shows("Original was not deleted!"));
    EXPECT_EQ(read_file(card + "two/a.txt"), "first");
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
