// Input scripts for the emulator: parsing, and the position that the
// processes of one run hand on to each other through the state folder.
#include "platform/pc_console.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>

namespace {

struct ButtonName {
    std::string_view name;
    int button;
};

// name        SDL button
constexpr std::array<ButtonName, 14> kButtonNames = {{
    {"up",       0},
    {"left",     2},
    {"down",     4},
    {"right",    6},
    {"menu",     8},
    {"select",   9},
    {"l",       10},
    {"r",       11},
    {"a",       12},
    {"b",       13},
    {"x",       14},
    {"y",       15},
    {"volup",   16},
    {"voldown", 17},
}};

constexpr int kButtonCount = 18;

struct OpName {
    std::string_view name;
    ScriptOp op;
    std::string_view arguments;   // b: a button, n: a number, s: a name
};

constexpr std::array<OpName, 7> kOps = {{
    {"press",      ScriptOp::Press,      "b"},
    {"hold",       ScriptOp::Hold,       "b"},
    {"release",    ScriptOp::Release,    "b"},
    {"tap",        ScriptOp::Tap,        "nn"},
    {"wait",       ScriptOp::Wait,       "n"},
    {"screenshot", ScriptOp::Screenshot, "s"},
    {"battery",    ScriptOp::Battery,    "n"},
}};

bool is_blank(char c)
{
    return c == ' ' || c == '\t' || c == '\r';
}

// Splits off the next blank-delimited word of text.
std::string_view next_word(std::string_view& text)
{
    size_t start = 0;
    while (start < text.size() && is_blank(text[start]))
        ++start;
    size_t end = start;
    while (end < text.size() && !is_blank(text[end]))
        ++end;
    std::string_view word = text.substr(start, end - start);
    text.remove_prefix(end);
    return word;
}

bool parse_number(std::string_view word, int& value)
{
    if (word.empty() || word.size() > 9)
        return false;
    int n = 0;
    for (char c : word) {
        if (c < '0' || c > '9')
            return false;
        n = n * 10 + (c - '0');
    }
    value = n;
    return true;
}

bool plain_name(std::string_view word)
{
    for (char c : word)
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '_'))
            return false;
    return !word.empty();
}

bool parse_argument(char kind, std::string_view word, int& value, std::string& name)
{
    switch (kind) {
    case 'b':
        value = pc_button_by_name(word);
        return value >= 0;
    case 'n':
        return parse_number(word, value);
    default:
        name = std::string(word);
        return plain_name(word);
    }
}

} // namespace

int pc_button_by_name(std::string_view name)
{
    for (const ButtonName& entry : kButtonNames)
        if (entry.name.size() == name.size()) {
            bool same = true;
            for (size_t i = 0; i < name.size(); ++i)
                same = same && (name[i] | 0x20) == entry.name[i];
            if (same)
                return entry.button;
        }
    int number = -1;
    if (parse_number(name, number) && number < kButtonCount)
        return number;
    return -1;
}

int pc_parse_script_line(std::string_view line, ScriptCommand& command)
{
    size_t hash = line.find('#');
    if (hash != std::string_view::npos)
        line = line.substr(0, hash);
    std::string_view word = next_word(line);
    if (word.empty())
        return 0;
    for (const OpName& op : kOps) {
        if (op.name != word)
            continue;
        ScriptCommand parsed;
        parsed.op = op.op;
        int* values[2] = {&parsed.a, &parsed.b};
        for (size_t i = 0; i < op.arguments.size(); ++i)
            if (!parse_argument(op.arguments[i], next_word(line), *values[i], parsed.name))
                return -1;
        if (!next_word(line).empty())
            return -1;
        command = parsed;
        return 1;
    }
    return -1;
}

bool pc_load_script(const char* path, std::vector<ScriptCommand>& commands)
{
    std::ifstream in(path);
    if (!in)
        return false;
    commands.clear();
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        ScriptCommand command;
        int parsed = pc_parse_script_line(line, command);
        if (parsed > 0)
            commands.push_back(command);
        else if (parsed < 0)
            std::fprintf(stderr, "%s:%d: not a script command, skipped: %s\n", path, number, line.c_str());
    }
    return true;
}

ScriptCursor pc_script_cursor()
{
    ScriptCursor cursor;
    std::FILE* file = std::fopen(pc_emu_path("state/script.pos").c_str(), "r");
    if (!file)
        return cursor;
    if (std::fscanf(file, "%d %d %lld", &cursor.line, &cursor.phase, &cursor.wait_until_ms) != 3)
        cursor = ScriptCursor{};
    std::fclose(file);
    return cursor;
}

void pc_save_script_cursor(const ScriptCursor& cursor)
{
    std::string path = pc_emu_path("state/script.pos");
    std::string temporary = path + ".tmp";
    std::FILE* file = std::fopen(temporary.c_str(), "w");
    if (!file)
        return;
    std::fprintf(file, "%d %d %lld\n", cursor.line, cursor.phase, cursor.wait_until_ms);
    if (std::fclose(file) == 0)
        std::rename(temporary.c_str(), path.c_str());
}

unsigned pc_script_held()
{
    return static_cast<unsigned>(pc_emu_read_number("state/held", 0));
}

void pc_set_script_held(unsigned buttons)
{
    pc_emu_write_number("state/held", static_cast<int>(buttons));
}

long long pc_monotonic_ms()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}
