// Small file helpers shared by every file format of the shell.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string_view>

// A FILE* that closes itself.
struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

inline File open_file(const char* path, const char* mode)
{
    return File(std::fopen(path, mode));
}

// Opens path for reading only when it is a regular file, without ever
// blocking: a FIFO, a device or a folder named like a data file (a file
// copied over USB, or made on a PC) gives none, where fopen would wait for a
// writer that never comes or hand back a folder that reads as an error.
File open_regular_file(const char* path);

// True when path is a regular file that can be opened for reading.
bool file_exists(const char* path);

// True when path is a regular file (a symbolic link counts as what it
// points to), by its status alone: nothing is opened.
bool is_regular_file(const char* path);

// What tells a changed file from the one read before: its identity, size
// and times (to the nanosecond where the file system keeps them).
struct FileStamp {
    uint64_t device = 0;
    uint64_t inode = 0;
    int64_t size = 0;
    int64_t modified_s = 0, modified_ns = 0;
    int64_t changed_s = 0, changed_ns = 0;
    bool operator==(const FileStamp& other) const;
};
// The stamp of the regular file at path; false when there is none.
bool file_stamp(const char* path, FileStamp& stamp);

// How many times the shell has written or replaced a file itself (the
// commands it runs are counted by platform_commands_run).
uint32_t files_written();
void note_file_written();

// Replaces the file at path with content so that a power cut leaves either
// the old file or the new one, never a truncated one: the content goes to
// "<path>.tmp" beside it, is flushed to the card, and is renamed over path.
// False (and the old file untouched) when any step fails.
bool replace_file(const char* path, std::string_view content);

// replace_file, then "sync" so the new file is on the card; false (and no
// sync) when it could not be written.
bool save_file(const char* path, std::string_view content);

// Reads one blank-delimited word, as scanf's "%s" does, keeping what fits
// into dst (capacity bytes, terminator included) and consuming the rest of
// the word. False at the end of the file before any word.
bool read_word(std::FILE* file, char* dst, size_t capacity);

// Reads one word and converts it as a decimal integer, as scanf's "%d"
// does; false (value unchanged) when there is no word or it is no number.
bool read_int(std::FILE* file, int32_t& value);
