// Helpers of the link and desktop tests: link files, the programs they
// name, and small icon pictures, all in the test's working directory.
#pragma once

#include "harness.h"

#include <SDL.h>
#include <filesystem>
#include <string>
#include <vector>

// Gives the working directory a "resources/skin/" of its own, so that
// pictures a test puts there never reach the delivered skins it links to.
inline void own_skin_folder()
{
    std::filesystem::path skins = "resources/skin";
    if (std::filesystem::is_symlink(skins))
        std::filesystem::remove(skins);
    std::filesystem::create_directories(skins);
}

// The eight lines of a link file.
inline std::string link_text(const std::string& title, const std::string& name, const std::string& dir,
                             const std::string& icon = "", const std::string& file = "")
{
    std::string program = file.empty() ? name + ".gpe" : file;
    return title + "\n\n" + name + "\n" + program + "\n" + dir + "\n533\nno\n" + icon + "\n";
}

// A link of user U in category whose program exists in "prog/".
inline void add_link(const std::string& category, const std::string& title, const std::string& name,
                     const std::string& icon = "")
{
    ShellTest::write_file("prog/" + name + ".gpe", "program");
    ShellTest::write_file("user/U/links/" + category + "/" + name + ".lk", link_text(title, name, "prog/", icon));
}

// A picture of w x h pixels of one colour (BMP data; the loader reads it
// whatever the name's extension).
inline void make_picture(const std::string& path, int w, int h, Uint8 r = 200, Uint8 g = 40, Uint8 b = 40)
{
    ShellTest::write_file(path, "");
    SDL_Surface* surface = SDL_CreateRGBSurface(SDL_SWSURFACE, w, h, 32, 0xFF0000, 0xFF00, 0xFF, 0);
    SDL_FillRect(surface, nullptr, SDL_MapRGB(surface->format, r, g, b));
    SDL_SaveBMP(surface, path.c_str());
    SDL_FreeSurface(surface);
}

template <size_t N>
std::vector<std::string> titles_of(const LinkRecord (&table)[N])
{
    std::vector<std::string> titles;
    for (const LinkRecord& record : table) {
        if (record.link_name[0] == '\0')
            break;   // the records in use are contiguous from slot 0
        titles.emplace_back(record.title);
    }
    return titles;
}

template <size_t N>
int in_use(const LinkRecord (&table)[N])
{
    int count = 0;
    for (const LinkRecord& record : table)
        count += record.link_name[0] != '\0';
    return count;
}
