// Folder trees that tests and benchmarks lay out from the delivered files.
#pragma once

#include <filesystem>

// Mirrors the folders of from as real folders under to, with a link to each
// file: a test that writes a picture of its own replaces one link and never
// writes through it into the source tree.
void mirror_with_links(const std::filesystem::path& from, const std::filesystem::path& to);
