// Directory listings: what is kept, the order the sort gives, the table's
// limits, and the small path operations.
#include "harness.h"

#include "core/text.h"
#include "explorer/listing.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace fs = std::filesystem;

namespace {

using Listing = ShellTest;

std::vector<std::string> names_of(const NameTable& table)
{
    std::vector<std::string> names;
    for (int i = 0; i < count_entries(table); ++i)
        names.emplace_back(table.name[i]);
    return names;
}

void make_dir(const std::string& path)
{
    fs::create_directories(path);
}

// The listing and sort as first designed: the same filter, then three
// exchange passes that ask the file system for every comparison. The
// shell's listing must give exactly this order.
bool reference_is_dir(const std::string& dir, const std::string& name)
{
    struct stat status;
    return lstat((dir + name).c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

int reference_key(const std::string& name)
{
    return std::toupper(static_cast<unsigned char>(name[0]));
}

std::vector<std::string> reference_listing(const std::string& dir, const std::string& filter)
{
    std::vector<std::string> v;
    DIR* d = opendir(dir.c_str());
    while (const dirent* e = readdir(d)) {
        std::string name = e->d_name;
        if (name == "." || name == "..")
            continue;
        if (!reference_is_dir(dir, name) && !filter.empty()) {
            char ext[4];
            file_extension(name.c_str(), ext);
            if (filter != ext && std::string("gpu") != ext)
                continue;
        }
        v.push_back(name);
    }
    closedir(d);
    size_t n = v.size();
    for (size_t i = 0; i < n; ++i)
        for (size_t j = i + 1; j < n; ++j)
            if (!reference_is_dir(dir, v[i]) && reference_is_dir(dir, v[j]))
                std::swap(v[i], v[j]);
    for (size_t i = 0; i < n; ++i)
        for (size_t j = i + 1; reference_is_dir(dir, v[i]) && j < n; ++j)
            if (reference_is_dir(dir, v[j]) && reference_key(v[i]) > reference_key(v[j]))
                std::swap(v[i], v[j]);
    for (size_t i = 0; i < n; ++i)
        for (size_t j = i + 1; !reference_is_dir(dir, v[i]) && j < n; ++j)
            if (!reference_is_dir(dir, v[j]) && reference_key(v[i]) > reference_key(v[j]))
                std::swap(v[i], v[j]);
    return v;
}

// Many entries with few distinct first letters, in both cases, so that the
// ties decide most of the order.
void make_tied_entries(const std::string& dir, int count)
{
    const char letters[] = "aAbB1_zZ";
    for (int i = 0; i < count; ++i) {
        std::string name = std::string(1, letters[(i * 7) % 8]) + std::to_string(i);
        if (i % 3 == 0)
            make_dir(dir + name);
        else
            ShellTest::write_file(dir + name + (i % 2 ? ".png" : ".txt"), "x");
    }
}

} // namespace

TEST_F(Listing, EmptyDirectoryGivesAnEmptyTable)
{
    make_dir("empty");
    copy_text(explorer_list.name[0], "stale");
    list_directory(explorer_list, "empty/", "");
    EXPECT_EQ(count_entries(explorer_list), 0);
}

TEST_F(Listing, FiltersKeepDirectoriesMatchesAndGpu)
{
    make_dir("d/sub");
    for (const char* f : {"d/a.png", "d/b.gpu", "d/photo.jpg", "d/README", "d/x.lk", "d/x.lkk"})
        write_file(f, "x");
    list_directory(explorer_list, "d/", "png");
    EXPECT_EQ(names_of(explorer_list), (std::vector<std::string>{"sub", "a.png", "b.gpu"}));

    list_directory(explorer_list, "d/", "lk");
    EXPECT_EQ(names_of(explorer_list), (std::vector<std::string>{"sub", "b.gpu", "x.lk"}));

    list_directory(explorer_list, "d/", "");
    EXPECT_EQ(count_entries(explorer_list), 7);
}

TEST_F(Listing, SymbolicLinkToAFolderIsAFile)
{
    make_dir("d/real");
    fs::create_directory_symlink(fs::absolute("d/real"), "d/alias");
    list_directory(explorer_list, "d/", "");
    ASSERT_EQ(names_of(explorer_list), (std::vector<std::string>{"real", "alias"}));
    EXPECT_TRUE(explorer_list.directory[0]);
    EXPECT_FALSE(explorer_list.directory[1]);
    EXPECT_FALSE(is_directory("d/", "alias"));

    list_directory(explorer_list, "d/", "png");
    EXPECT_EQ(names_of(explorer_list), (std::vector<std::string>{"real"}));
}

TEST_F(Listing, DirectoriesFirstThenFilesByFirstLetter)
{
    make_dir("d/zeta");
    make_dir("d/beta");
    write_file("d/Alpha.txt", "x");
    write_file("d/apple.png", "x");
    write_file("d/9lives", "x");
    list_directory(explorer_list, "d/", "");
    std::vector<std::string> names = names_of(explorer_list);
    ASSERT_EQ(names.size(), 5u);
    EXPECT_EQ(names[0], "beta");
    EXPECT_EQ(names[1], "zeta");
    EXPECT_EQ(names[2], "9lives") << "digits sort before letters";
    EXPECT_EQ(names, reference_listing("d/", "")) << "A and a tie; the reading order decides";
    EXPECT_TRUE(explorer_list.directory[0] && explorer_list.directory[1]);
    EXPECT_FALSE(explorer_list.directory[2] || explorer_list.directory[3] || explorer_list.directory[4]);
}

TEST_F(Listing, OrderOfTiesEqualsTheThreePassOrder)
{
    make_tied_entries("big/", 300);
    list_directory(explorer_list, "big/", "");
    EXPECT_EQ(names_of(explorer_list), reference_listing("big/", ""));
    list_directory(explorer_list, "big/", "png");
    EXPECT_EQ(names_of(explorer_list), reference_listing("big/", "png"));
}

TEST_F(Listing, AtMostOneStatusCallPerEntry)
{
    make_tied_entries("big/", 300);
    int before = listing_status_calls();
    list_directory(explorer_list, "big/", "");
    int calls = listing_status_calls() - before;
    EXPECT_EQ(count_entries(explorer_list), 300);
    EXPECT_LE(calls, 300);
    EXPECT_GT(calls, 0) << "the type of each entry is asked once";

    before = listing_status_calls();
    sort_listing(explorer_list, "big/");
    EXPECT_LE(listing_status_calls() - before, 300);
    EXPECT_EQ(names_of(explorer_list), reference_listing("big/", ""));
}

TEST_F(Listing, SortListingReordersAHandFilledTable)
{
    make_dir("d/Bdir");
    make_dir("d/adir");
    write_file("d/cfile", "x");
    clear_entries(explorer_list);
    copy_text(explorer_list.name[0], "cfile");
    copy_text(explorer_list.name[1], "Bdir");
    copy_text(explorer_list.name[2], "adir");
    sort_listing(explorer_list, "d/");
    EXPECT_EQ(names_of(explorer_list), (std::vector<std::string>{"adir", "Bdir", "cfile"}));
    EXPECT_TRUE(explorer_list.directory[1]);
    EXPECT_FALSE(explorer_list.directory[2]);
}

TEST_F(Listing, MoreThanThreeHundredEntriesListsTheFirstThreeHundred)
{
    for (int i = 0; i < 310; ++i)
        write_file("many/f" + std::to_string(i) + ".lk", "x");
    int before = listing_status_calls();
    list_directory(explorer_list, "many/", "lk");
    EXPECT_LE(listing_status_calls() - before, 300) << "reading stops at a full table";
    EXPECT_EQ(count_entries(explorer_list), 300);
    std::vector<std::string> names = names_of(explorer_list);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(std::unique(names.begin(), names.end()), names.end());
    for (const std::string& name : names)
        EXPECT_TRUE(exists("many/" + name));
}

TEST_F(Listing, NameTooLongForASlotIsLeftOut)
{
    std::string longest(199, 'k');
    std::string too_long(200, 'l');
    write_file("d/" + longest, "x");
    write_file("d/" + too_long, "x");
    write_file("d/short", "x");
    list_directory(explorer_list, "d/", "");
    EXPECT_EQ(names_of(explorer_list), (std::vector<std::string>{longest, "short"}));
}

TEST_F(Listing, UnopenableDirectoryLeavesTheTable)
{
    make_dir("d/sub");
    list_directory(explorer_list, "d/", "");
    list_directory(explorer_list, "missing/", "");
    EXPECT_EQ(names_of(explorer_list), (std::vector<std::string>{"sub"}));
}

TEST_F(Listing, CountAndClear)
{
    for (int i = 0; i < kNameSlots; ++i)
        copy_text(explorer_list.name[i], "n");
    EXPECT_EQ(count_entries(explorer_list), 300);
    explorer_list.name[5][0] = '\0';
    EXPECT_EQ(count_entries(explorer_list), 5);
    clear_entries(explorer_list);
    EXPECT_EQ(count_entries(explorer_list), 0);
    EXPECT_EQ(explorer_list.name[299][0], '\0');
}

TEST_F(Listing, FileExtension)
{
    const std::pair<const char*, const char*> cases[] = {
        {"photo.jpeg", "jpe"}, {"a.lk", "lk"}, {"README", ""}, {".profile", ""},
        {"a.b.gpe", "gpe"},    {"x.", ""},      {"..foo", "foo"}, {"X.PNG", "PNG"},
    };
    for (const auto& [name, expected] : cases) {
        char extension[4] = "zzz";
        file_extension(name, extension);
        EXPECT_STREQ(extension, expected) << name;
    }
}

TEST_F(Listing, IsDirectoryRefusesAPathThatDoesNotFit)
{
    make_dir("d/sub");
    EXPECT_TRUE(is_directory("d/", "sub"));
    EXPECT_FALSE(is_directory("d/", "missing"));
    std::string deep(495, 'x');
    EXPECT_FALSE(is_directory(deep.c_str(), "sub"));
}

TEST_F(Listing, ParentDirectory)
{
    const std::pair<const char*, const char*> cases[] = {
        {"/mnt/sd/games/", "/mnt/sd/"}, {"/mnt/", "/"}, {"/", "/"}, {"/mnt//", "/mnt/"}, {"//", "/"},
    };
    for (const auto& [path, expected] : cases) {
        char buffer[500];
        copy_text(buffer, path);
        parent_directory(buffer);
        EXPECT_STREQ(buffer, expected) << path;
    }
}
