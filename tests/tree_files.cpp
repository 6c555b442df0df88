#include "tree_files.h"

namespace fs = std::filesystem;

void mirror_with_links(const fs::path& from, const fs::path& to)
{
    fs::create_directories(to);
    for (const fs::directory_entry& entry : fs::directory_iterator(from)) {
        fs::path target = to / entry.path().filename();
        if (entry.is_directory())
            mirror_with_links(entry.path(), target);
        else
            fs::create_symlink(entry.path(), target);
    }
}
