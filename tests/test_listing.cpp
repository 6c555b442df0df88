// Directory listings: what is kept, the order of the sort and its cost, the
// table's limits, and the small path operations.
#include "harness.h"

#include "core/text.h"
#include "explorer/listing.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace fs = std::filesystem;

namespace {

using Listing = GroupNeeding<Needs::nothing>;

std::vector<std::string> names_of(const NameTable& table)
{
    std::vector<std::string> names;
    for (int i = 0; i < count_entries(table); ++i)
        names.emplace_back(table.name[i]);
    return names;
}

// The listing as first designed: the same filter, then three exchange
// passes that ask the file system at every comparison. The shell's listing
// must give exactly this order.
bool dir_now(const std::string& dir, const std::string& name)
{
    struct stat status;
    return lstat((dir + name).c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

int key(const std::string& name)
{
    unsigned char c = static_cast<unsigned char>(name[0]);
    return c >= 'a' && c <= 'z' ? c - 32 : c;
}

std::vector<std::string> reference_sort(const std::string& dir, std::vector<std::string> v)
{
    size_t n = v.size();
    for (size_t i = 0; i < n; ++i)
        for (size_t j = i + 1; j < n; ++j)
            if (!dir_now(dir, v[i]) && dir_now(dir, v[j]))
                std::swap(v[i], v[j]);
    for (size_t i = 0; i < n; ++i)
        for (size_t j = i + 1; dir_now(dir, v[i]) && j < n; ++j)
            if (dir_now(dir, v[j]) && key(v[i]) > key(v[j]))
                std::swap(v[i], v[j]);
    for (size_t i = 0; i < n; ++i)
        for (size_t j = i + 1; !dir_now(dir, v[i]) && j < n; ++j)
            if (!dir_now(dir, v[j]) && key(v[i]) > key(v[j]))
                std::swap(v[i], v[j]);
    return v;
}

// The entries of dir that a listing with filter keeps, in reading order.
std::vector<std::string> kept_in_reading_order(const std::string& dir, const std::string& filter)
{
    std::vector<std::string> v;
    DIR* d = opendir(dir.c_str());
    while (const dirent* e = readdir(d)) {
        std::string name = e->d_name;
        char ext[4];
        file_extension(name.c_str(), ext);
        bool passes = filter.empty() || filter == ext || std::string("gpu") == ext;
        if (name != "." && name != ".." && (dir_now(dir, name) || passes))
            v.push_back(name);
    }
    closedir(d);
    return v;
}

std::vector<std::string> reference_listing(const std::string& dir, const std::string& filter)
{
    return reference_sort(dir, kept_in_reading_order(dir, filter));
}

// 300 entries with few distinct first letters, in both cases, so that ties
// decide most of the order.
void make_tied_entries(const std::string& dir)
{
    const char letters[] = "aAbB1_zZ";
    for (int i = 0; i < 300; ++i) {
        std::string name = std::string(1, letters[(i * 7) % 8]) + std::to_string(i);
        if (i % 3 == 0)
            fs::create_directories(dir + name);
        else
            ShellTest::write_file(dir + name + (i % 2 ? ".png" : ".txt"), "x");
    }
}


// Where an entry sorts, leaving ties aside: folders first, then by key.
std::pair<bool, int> place(const std::string& dir, const std::string& name)
{
    return {!dir_now(dir, name), key(name)};
}

} // namespace

TEST_F(Listing, EmptyAndUnopenableDirectories)
{
    fs::create_directories("d/sub");
    fs::create_directories("empty");
    list_directory(explorer_list, "d/", "");
    list_directory(explorer_list, "missing/", "");
    EXPECT_EQ(names_of(explorer_list), std::vector<std::string>{"sub"}) << "the table is left as it was";
    list_directory(explorer_list, "empty/", "");
    EXPECT_EQ(count_entries(explorer_list), 0);
}

TEST_F(Listing, FiltersKeepDirectoriesMatchesAndGpu)
{
    fs::create_directories("d/sub");
    for (const char* f : {"d/a.png", "d/b.gpu", "d/photo.jpg", "d/README", "d/x.lk", "d/x.lkk"})
        write_file(f, "x");
    fs::create_directory_symlink(fs::absolute("d/sub"), "d/alias");
    list_directory(explorer_list, "d/", "png");
    EXPECT_EQ(names_of(explorer_list), (std::vector<std::string>{"sub", "a.png", "b.gpu"}))
        << "a link to a folder is a file, filtered by its extension";
    list_directory(explorer_list, "d/", "lk");
    EXPECT_EQ(names_of(explorer_list), (std::vector<std::string>{"sub", "b.gpu", "x.lk"}));
    list_directory(explorer_list, "d/", "");
    EXPECT_EQ(count_entries(explorer_list), 8);
    EXPECT_TRUE(explorer_list.directory[0]);
    EXPECT_FALSE(is_directory("d/", "alias"));
}

// A link's file types: whole extensions of any length and case, several
// ways of writing them, no "gpu" let through.
TEST_F(Listing, FileTypesOfALinkKeepTheirFilesOnly)
{
    fs::create_directories("r/saves");
    for (const char* f : {"r/TETRIS.GB", "r/zelda.gbc", "r/metroid.gba", "r/doom.gbaz", "r/boot.gpu", "r/README",
                          "r/notes.txt", "r/gb"})
        write_file(f, "x");
    list_directory_of_types(explorer_list, "r/", "gba gbc gb");
    std::vector<std::string> names = names_of(explorer_list);
    std::sort(names.begin() + 1, names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"saves", "TETRIS.GB", "metroid.gba", "zelda.gbc"}));
    list_directory_of_types(explorer_list, "r/", "*");
    EXPECT_EQ(count_entries(explorer_list), 9);

    EXPECT_TRUE(name_has_type("a.snes", ".sfc, *.SNES;smc"));
    EXPECT_TRUE(name_has_type("a.smc", ".sfc, *.SNES;smc"));
    EXPECT_FALSE(name_has_type("a.sfcx", "sfc"));
    EXPECT_FALSE(name_has_type("sfc", "sfc")) << "no extension";
    EXPECT_FALSE(name_has_type(".sfc", "sfc")) << "a hidden file's name is no extension";
    EXPECT_TRUE(name_has_type("README", "*"));
    EXPECT_FALSE(name_has_type("a.gb", ""));
    EXPECT_FALSE(name_has_type("a.gb", " , ;"));
    EXPECT_FALSE(has_file_types(" , ;"));
    EXPECT_TRUE(has_file_types(" gb "));
}

TEST_F(Listing, DirectoriesFirstThenFilesByFirstLetter)
{
    fs::create_directories("d/zeta");
    fs::create_directories("d/beta");
    for (const char* f : {"d/Alpha.txt", "d/apple.png", "d/9lives"})
        write_file(f, "x");
    list_directory(explorer_list, "d/", "");
    std::vector<std::string> names = names_of(explorer_list);
    ASSERT_EQ(names.size(), 5u);
    EXPECT_EQ(std::vector<std::string>(names.begin(), names.begin() + 3),
              (std::vector<std::string>{"beta", "zeta", "9lives"}));
    EXPECT_EQ(names, reference_listing("d/", "")) << "A and a tie; the reading order decides";
    EXPECT_FALSE(explorer_list.directory[2]);

    make_tied_entries("big/");
    list_directory(explorer_list, "big/", "");
    EXPECT_EQ(names_of(explorer_list), reference_listing("big/", ""));
    list_directory(explorer_list, "big/", "png");
    EXPECT_EQ(names_of(explorer_list), reference_listing("big/", "png"));
}

TEST_F(Listing, AtMostOneStatusCallPerEntry)
{
    make_tied_entries("big/");
    int before = listing_status_calls();
    list_directory(explorer_list, "big/", "");
    EXPECT_LE(listing_status_calls() - before, 300);
    EXPECT_EQ(names_of(explorer_list), reference_listing("big/", ""));

    // sort_listing asks each entry's type afresh, once.
    char first[kNameCapacity];
    copy_text(first, explorer_list.name[0]);
    copy_text(explorer_list.name[0], explorer_list.name[299]);
    copy_text(explorer_list.name[299], first);
    std::vector<std::string> unsorted = names_of(explorer_list);
    before = listing_status_calls();
    sort_listing(explorer_list, "big/");
    EXPECT_LE(listing_status_calls() - before, 300);
    EXPECT_EQ(names_of(explorer_list), reference_sort("big/", unsorted));
}

TEST_F(Listing, TableLimits)
{
    for (int i = 0; i < 310; ++i)
        write_file("many/f" + std::to_string(i) + ".lk", "x");
    int before = listing_status_calls();
    list_directory(explorer_list, "many/", "lk");
    EXPECT_LE(listing_status_calls() - before, 300) << "reading stops at a full table";
    EXPECT_EQ(count_entries(explorer_list), 300);
    clear_entries(explorer_list);
    EXPECT_EQ(count_entries(explorer_list), 0);

    std::string longest(199, 'k');
    write_file("d/" + longest, "x");
    write_file("d/" + std::string(200, 'l'), "x");
    list_directory(explorer_list, "d/", "");
    EXPECT_EQ(names_of(explorer_list), std::vector<std::string>{longest});
}

TEST_F(Listing, LargeDirectoriesListTheFirst300InSortedOrder)
{
    // 5000 entries, a folder in every seven and a link to a folder in
    // every 97; the letters come in an order unlike the sorted one.
    const char letters[] = "zYx9wVuTsRqP_oNmLkJiHgFeDcBa";
    for (int i = 0; i < 5000; ++i) {
        std::string name = std::string(1, letters[(i * 11) % 28]) + std::to_string(i);
        if (i % 7 == 0)
            fs::create_directories("huge/" + name);
        else if (i % 97 == 0)
            fs::create_directory_symlink(fs::absolute("huge"), "huge/" + name);
        else
            write_file("huge/" + name + (i % 2 ? ".png" : ".txt"), "x");
    }
    for (const char* filter : {"", "png"}) {
        int before = listing_status_calls();
        list_directory(explorer_list, "huge/", filter);
        EXPECT_LE(listing_status_calls() - before, 300) << "one status call for each entry listed";

        std::vector<std::string> listed = names_of(explorer_list), all = kept_in_reading_order("huge/", filter);
        ASSERT_EQ(listed.size(), 300u);
        EXPECT_EQ(explorer_list.left_out, static_cast<int>(all.size()) - 300) << filter;
        std::pair<bool, int> last_listed = place("huge/", listed.back());
        int left_out = 0;
        for (const std::string& name : all) {
            if (std::find(listed.begin(), listed.end(), name) != listed.end())
                continue;
            ++left_out;
            EXPECT_FALSE(place("huge/", name) < last_listed) << name << " sorts before what was listed";
        }
        EXPECT_EQ(left_out, explorer_list.left_out);
        std::vector<std::string> kept;
        for (const std::string& name : all)
            if (std::find(listed.begin(), listed.end(), name) != listed.end())
                kept.push_back(name);
        if (filter[0] == '\0') {
            EXPECT_EQ(listed, reference_sort("huge/", kept)) << "sorted as any listing of those entries";
        }
        for (int i = 0; i < 300; ++i)
            EXPECT_EQ(explorer_list.directory[i], dir_now("huge/", listed[static_cast<size_t>(i)])) << listed[i];
    }

    fs::remove_all("huge");
    fs::create_directories("huge");
    write_file("huge/one.txt", "x");
    list_directory(explorer_list, "huge/", "");
    EXPECT_EQ(explorer_list.left_out, 0);
}

TEST_F(Listing, FileExtension)
{
    const std::pair<const char*, const char*> cases[] = {
        {"photo.jpeg", "jpe"}, {"a.lk", "lk"}, {"README", ""}, {".profile", ""},
        {"a.b.gpe", "gpe"},    {"x.", ""},      {"X.PNG", "PNG"},
    };
    for (const auto& [name, expected] : cases) {
        char extension[4] = "zzz";
        file_extension(name, extension);
        EXPECT_STREQ(extension, expected) << name;
    }
}

TEST_F(Listing, ParentDirectory)
{
    const std::pair<const char*, const char*> cases[] = {
        {"/mnt/sd/games/", "/mnt/sd/"}, {"/mnt/", "/"}, {"/", "/"}, {"/mnt//", "/mnt/"},
    };
    for (const auto& [path, expected] : cases) {
        char buffer[500];
        copy_text(buffer, path);
        parent_directory(buffer);
        EXPECT_STREQ(buffer, expected) << path;
    }
}
