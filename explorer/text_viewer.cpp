#include "explorer/text_viewer.h"

#include "core/events.h"
#include "core/files.h"
#include "core/state.h"
#include "core/text.h"
#include "dialogs/dialogs.h"
#include "gfx/changes.h"
#include "gfx/font.h"
#include "gfx/image.h"

#include <array>
#include <cstring>
#include <string_view>
#include <sys/types.h>

namespace {

// Layout                            x    y    w    h
constexpr SDL_Rect kBar          = {  0,   0, 320,  14};
constexpr SDL_Rect kCloseBox     = {300,   0,  19,  13};
constexpr SDL_Rect kTextArea     = {  0,  14, 320, 226};
constexpr int kNameX = 0, kNameY = 3, kNameField = 240;
constexpr int kShareRight = 296;   // the "n%" ends here, before the close box
constexpr int kCloseX = 304, kCloseY = 2;
constexpr int kRowX = 0, kFirstRowY = 16, kRowStep = 10;
// The rows' glyphs start 3 pixels right of kRowX and must end on screen.
constexpr int kWrapWidth = 314;
constexpr int kTextMiddle = kTextArea.y + kTextArea.h / 2;

// The small font draws 30 characters a call: a row goes in pieces.
constexpr size_t kDrawPiece = 30;
// Room for a row's text: the narrowest glyph is 2 pixels, and a character
// shows as at most 3 ("3/4").
constexpr size_t kRowCapacity = 200;
// A line is laid out from at most this far back.
constexpr long long kMostBack = 65536;

enum Button { kUp = 0, kLeft = 2, kDown = 4, kRight = 6, kTenthBack = 10, kTenthOn = 11, kLeave = 14 };

// --- the window of the file ---

struct Reader {
    File file;
    long long size = 0;
    long long start = 0;   // file offset of window[0]
    int length = 0;        // bytes of the window that hold the file
    std::array<unsigned char, kTextWindowBytes> window{};
};
Reader reader;

// The byte at offset at (0 <= at < size). A byte outside the window moves
// the window to hold it in its middle, so reading on and reading back both
// read each part of the file about twice at most.
unsigned char byte_at(long long at)
{
    if (at < reader.start || at >= reader.start + reader.length) {
        long long start = at - kTextWindowBytes / 2;
        reader.start = start < 0 ? 0 : start;
        reader.length = 0;
        if (fseeko(reader.file.get(), static_cast<off_t>(reader.start), SEEK_SET) == 0)
            reader.length = static_cast<int>(std::fread(reader.window.data(), 1, reader.window.size(), reader.file.get()));
        if (at < reader.start || at >= reader.start + reader.length)
            return '?';   // the file shrank under the reader
    }
    return reader.window[static_cast<size_t>(at - reader.start)];
}

// --- characters as the font shows them ---

// Latin-1 from 0xA0 on, in the font's letters.
constexpr std::array<const char*, 96> kLatin1 = {
    " ", "!", "c", "?", "?", "Y", "!", "?", "'", "(c)", "a", "(", "-", "-", "(R)", "-",
    "o", "?", "2", "3", "'", "u", "?", ".", ",", "1", "o", ")", "1/4", "1/2", "3/4", "?",
    "A", "A", "A", "A", "A", "A", "AE", "C", "E", "E", "E", "E", "I", "I", "I", "I",
    "D", "N", "O", "O", "O", "O", "O", "*", "O", "U", "U", "U", "U", "Y", "Th", "ss",
    "a", "a", "a", "a", "a", "a", "ae", "c", "e", "e", "e", "e", "i", "i", "i", "i",
    "d", "n", "o", "o", "o", "o", "o", "/", "o", "u", "u", "u", "u", "y", "th", "y",
};

// ASCII characters the font lacks, by what looks like them.
const char* ascii_stand_in(unsigned char c)
{
    switch (c) {
    case '"': return "''";
    case '`': return "'";
    case '[': case '{': case '<': return "(";
    case ']': case '}': case '>': return ")";
    case '|': return "!";
    case '~': return "-";
    default: return "?";
    }
}

enum class Kind { Shown, LineEnd, Blank };

struct Character {
    Kind kind;
    int bytes;          // in the file
    const char* text;   // what the font shows for it
    char own[2];        // a character the font has, as text
};

const char* code_point_text(unsigned long c)
{
    if (c == 0xFEFF)   // the mark some editors put at a file's start
        return "";
    if (c >= 0xA0 && c <= 0xFF)
        return kLatin1[c - 0xA0];
    return "?";
}

// The length of a well-formed UTF-8 sequence at `at` whose lead byte is
// lead, and its code point; 0 when it is none.
int utf8_sequence(long long at, unsigned char lead, unsigned long& code)
{
    int length = lead >= 0xC2 && lead <= 0xDF ? 2 : lead >= 0xE0 && lead <= 0xEF ? 3 : lead >= 0xF0 && lead <= 0xF4 ? 4 : 0;
    if (length == 0 || at + length > reader.size)
        return 0;
    code = lead & (0x7F >> length);
    for (int i = 1; i < length; ++i) {
        unsigned char next = byte_at(at + i);
        if ((next & 0xC0) != 0x80)
            return 0;
        code = code << 6 | (next & 0x3F);
    }
    bool shortest = (length == 3 && code >= 0x800) || (length == 4 && code >= 0x10000 && code <= 0x10FFFF) || length == 2;
    return shortest ? length : 0;
}

Character character_at(long long at)
{
    unsigned char c = byte_at(at);
    Character ch{Kind::Shown, 1, "", {}};
    if (c == '\n') {
        ch.kind = Kind::LineEnd;
    } else if (c == '\r') {
        ch.text = "";   // the line feed after it ends the line
    } else if (c == ' ' || c == '\t') {
        ch.kind = Kind::Blank;
        ch.text = c == ' ' ? " " : "    ";
    } else if (c < 0x80) {
        if (font_index(static_cast<char>(c)) >= 0) {
            ch.own[0] = static_cast<char>(c);
            ch.text = ch.own;
        } else {
            ch.text = c < 0x20 || c == 0x7F ? "?" : ascii_stand_in(c);
        }
    } else {
        unsigned long code = 0;
        int length = utf8_sequence(at, c, code);
        ch.bytes = length > 0 ? length : 1;
        ch.text = code_point_text(length > 0 ? code : c);
    }
    return ch;
}

// --- rows ---

// The start of the line holding offset at, looked for at most kMostBack
// bytes back; from there on, at the next character's first byte.
long long line_start(long long at)
{
    long long limit = at > kMostBack ? at - kMostBack : 0;
    for (long long p = at - 1; p >= limit; --p)
        if (byte_at(p) == '\n')
            return p + 1;
    if (limit == 0)
        return 0;
    for (int skip = 0; skip < 3 && limit < at && (byte_at(limit) & 0xC0) == 0x80; ++skip)
        ++limit;
    return limit;
}

void draw_row(int y, const char* text)
{
    std::string_view rest(text);
    int x = kRowX;
    while (!rest.empty()) {
        char piece[kDrawPiece + 1];
        copy_text(piece, rest.substr(0, kDrawPiece));
        draw_small_text(screen, x, y, piece, 0, skin_name);
        x += small_text_width(piece);
        rest.remove_prefix(std::strlen(piece));
    }
}

// --- the viewer ---

struct View {
    long long top = 0;      // the first row shown
    long long bottom = 0;   // the row after the last shown
};

void draw_bar(const char* path, const View& v)
{
    fill_rect(kBar.x, kBar.y, kBar.w, kBar.h, 24, 48, 112);
    const char* slash = std::strrchr(path, '/');
    draw_fitted_text(screen, FontSize::Small, kNameX, kNameY, kNameField, slash ? slash + 1 : path, 1, skin_name);
    char share[8];
    long long read = reader.size > 0 ? v.bottom * 100 / reader.size : 100;
    format_into(share, "%lld%%", read);
    draw_small_text(screen, kShareRight - small_text_width(share) - 3, kNameY, share, 1, skin_name);
    fill_rect(kCloseBox.x, kCloseBox.y, kCloseBox.w, kCloseBox.h, 176, 40, 40);
    draw_small_text(screen, kCloseX, kCloseY, "X", 1, skin_name);
}

void draw_page(const char* path, View& v)
{
    fill_rect(kTextArea.x, kTextArea.y, kTextArea.w, kTextArea.h, 255, 255, 255);
    long long at = v.top;
    for (int r = 0; r < kTextRows && at < reader.size; ++r) {
        char shown[kRowCapacity];
        at = text_next_row(at, shown, sizeof shown);
        draw_row(kFirstRowY + kRowStep * r, shown);
    }
    v.bottom = at;
    draw_bar(path, v);
}

void page_on(View& v)
{
    if (v.bottom < reader.size)
        v.top = v.bottom;
}

void row_on(View& v)
{
    char shown[kRowCapacity];
    if (v.bottom < reader.size)
        v.top = text_next_row(v.top, shown, sizeof shown);
}

// A tenth of the file on or back, never less than a page.
void tenth(View& v, int direction)
{
    long long step = reader.size / 10;
    if (direction > 0) {
        long long target = v.top + step;
        if (target >= reader.size || v.bottom >= reader.size)
            return page_on(v);
        long long row = text_row_of(target);
        v.top = row > v.bottom ? row : v.bottom;
    } else {
        long long page_back = text_rows_back(v.top, kTextRows);
        long long row = text_row_of(v.top > step ? v.top - step : 0);
        v.top = row < page_back ? row : page_back;
    }
}

// False when the viewer is left.
bool act(const SDL_Event& e, View& v)
{
    if (e.type == SDL_JOYBUTTONDOWN) {
        switch (e.jbutton.button) {
        case kUp: v.top = text_rows_back(v.top, 1); break;
        case kDown: row_on(v); break;
        case kLeft: v.top = text_rows_back(v.top, kTextRows); break;
        case kRight: page_on(v); break;
        case kTenthBack: tenth(v, -1); break;
        case kTenthOn: tenth(v, 1); break;
        case kLeave: return false;
        default: break;
        }
    } else if (e.type == SDL_MOUSEBUTTONDOWN) {
        if (touch_in(e, kCloseBox))
            return false;
        if (touch_in(e, kTextArea)) {
            if (e.button.y < kTextMiddle)
                v.top = text_rows_back(v.top, kTextRows);
            else
                page_on(v);
        }
    }
    return true;
}

} // namespace

bool text_open(const char* path)
{
    text_close();
    reader.file = open_regular_file(path);
    if (!reader.file || fseeko(reader.file.get(), 0, SEEK_END) != 0) {
        text_close();
        return false;
    }
    reader.size = ftello(reader.file.get());
    if (reader.size < 0) {
        text_close();
        return false;
    }
    return true;
}

void text_close()
{
    reader.file.reset();
    reader.size = 0;
    reader.start = 0;
    reader.length = 0;
}

long long text_size()
{
    return reader.size;
}

long long text_next_row(long long from, char* shown, unsigned long capacity)
{
    size_t length = 0, blank_length = 0;
    long long after_blank = -1;
    int width = 0;
    shown[0] = '\0';
    long long at = from;
    while (at < reader.size) {
        Character ch = character_at(at);
        if (ch.kind == Kind::LineEnd)
            return at + ch.bytes;
        int w = small_text_width(ch.text);
        size_t n = std::strlen(ch.text);
        if (length > 0 && (width + w > kWrapWidth || length + n >= capacity)) {
            if (after_blank < 0)
                return at;
            shown[blank_length] = '\0';
            return after_blank;
        }
        std::memcpy(shown + length, ch.text, n);
        length += n;
        shown[length] = '\0';
        width += w;
        at += ch.bytes;
        if (ch.kind == Kind::Blank) {
            after_blank = at;
            blank_length = length;
        }
    }
    return reader.size;
}

long long text_rows_back(long long from, int rows)
{
    constexpr int kMostRows = 32;
    if (rows > kMostRows)
        rows = kMostRows;
    long long starts[kMostRows];
    while (rows > 0 && from > 0) {
        long long line = line_start(from - 1);
        int count = 0;
        char shown[kRowCapacity];
        for (long long r = line; r < from; r = text_next_row(r, shown, sizeof shown))
            starts[count++ % rows] = r;
        int take = count < rows ? count : rows;
        from = starts[(count - take) % rows];
        rows -= take;
    }
    return from;
}

long long text_row_of(long long at)
{
    if (at >= reader.size)
        at = reader.size > 0 ? reader.size - 1 : 0;
    long long row = line_start(at);
    char shown[kRowCapacity];
    for (long long next; row < reader.size && (next = text_next_row(row, shown, sizeof shown)) <= at;)
        row = next;
    return row;
}

void text_viewer(const char* path)
{
    if (!text_open(path)) {
        message_box(screen, "Load failed!", 0, skin_name);
        return;
    }
    View v;
    SDL_Event viewer_event{};
    for (bool first = true;; first = false) {
        show_dialog_frame(screen, first, [&] { draw_page(path, v); });
        wait_event_into(viewer_event);
        if (!act(viewer_event, v))
            break;
    }
    text_close();
}
