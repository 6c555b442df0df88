#include "explorer/image_viewer.h"

#include "core/events.h"
#include "core/files.h"
#include "core/text.h"
#include "dialogs/dialogs.h"
#include "explorer/listing.h"
#include "explorer/picture_decode.h"
#include "gfx/image.h"
#include "gfx/zoom.h"
#include "gfx/sound.h"
#include "platform/platform.h"

#include <algorithm>
#include <cstring>
#include <dirent.h>
#include <memory>

int slide_angle = 0;

namespace {

// Layout                             x    y    w    h
constexpr SDL_Rect kFrame         = { 20,  20, 280, 200};
constexpr SDL_Rect kNotice        = { 98,  99, 125,  42};   // "Loading...", "Reading pictures..."
constexpr SDL_Rect kCloseBox      = {277,  25,  17,  17};
constexpr SDL_Rect kZoomIn        = {111, 190,  20,  20};
constexpr SDL_Rect kZoomOut       = {190, 190,  20,  20};
constexpr SDL_Rect kActualSize    = {274, 192,  16,  16};
constexpr SDL_Rect kSlideShow     = {150, 192,  22,  17};
constexpr SDL_Rect kDragArea      = { 27,  45, 266, 144};

// The most of a picture shown at once, and the box that the first size and
// zooming keep to.
constexpr int kViewW = 266, kViewH = 144;
constexpr int kFitW = 240, kFitH = 140;
constexpr int kScreenW = 320, kScreenH = 240;
constexpr int kPanStep = 4;
// Positions relative to the frame: a fitted picture is centred on screen
// (160, 117); at actual size it is centred in the view area, or starts at
// the area's corner (7, 25) when larger.
constexpr int kFitCentreX = 140, kFitCentreY = 97;
constexpr int kViewCentreX = 133, kViewCentreY = 72;
constexpr int kViewLeft = kDragArea.x - kFrame.x, kViewTop = kDragArea.y - kFrame.y;
// A held direction or zoom button acts once per frame; a short pause keeps
// that to a pace the eye can follow.
constexpr Uint32 kHeldPressPauseMs = 15;

enum ViewerButton { kPanUp = 0, kPanLeft = 2, kPanDown = 4, kPanRight = 6, kShow = 11, kZoomInButton = 12,
                    kZoomOutButton = 13, kLeave = 14, kActualButton = 15 };
enum SlideButton { kPrevious = 2, kNext = 6, kTurnRight = 10, kTurnLeft = 11, kEndShow = 14 };

// Pictures up to this many pixels are fitted from a whole copy, as every
// picture once was; larger ones are decoded straight at the fitted size.
constexpr long kSmallPicturePixels = 1L << 20;

constexpr int kMaxSlides = 300;
char slide_list[kMaxSlides][500];
int slide_index;

SDL_Surface* frame_picture;
SDL_Surface* loading_picture;
SDL_Surface* reading_picture;

struct DirectoryCloser {
    void operator()(DIR* directory) const { closedir(directory); }
};

struct View {
    SDL_Surface* surface;
    const char* directory;
    const char* path;
    const char* skin;
    SDL_Surface* image;
    int file_w, file_h;   // the picture's own size
    int view_x, view_y;   // where the shown part goes, relative to the frame
    int pan_x, pan_y;     // the shown part's corner inside image
    int drag_x, drag_y;   // where the finger was at the last touch event
};

enum class Outcome { Stay, Leave };

// Shrinks image, never enlarging it, to fit the box w x h.
void fit(SDL_Surface*& image, int w, int h)
{
    float ratio = static_cast<float>(image->h) / static_cast<float>(image->w);
    if (ratio < 1) {
        if (image->w > w)
            zoom_image(image, w, ratio * w);
        if (image->h > h)
            zoom_image(image, h / ratio, h);
    } else if (image->h > h) {
        zoom_image(image, h / ratio, h);
    }
}

// What zoom_image makes of a w x h picture asked for width x height.
void zoomed_size(int& w, int& h, double width, double height)
{
    zoom_size(w, h, width / w, height / h, w, h);
}

// The size fit gives a w x h picture, worked out without the picture, so
// that a photo can be decoded straight at (about) that size.
void fitted_size(int& w, int& h, int box_w, int box_h)
{
    float ratio = static_cast<float>(h) / static_cast<float>(w);
    if (ratio < 1) {
        if (w > box_w)
            zoomed_size(w, h, box_w, ratio * box_w);
        if (h > box_h)
            zoomed_size(w, h, box_h / ratio, box_h);
    } else if (h > box_h) {
        zoomed_size(w, h, box_h / ratio, box_h);
    }
}

bool is_quarter_turn(int angle)
{
    return ((angle % 360 + 360) % 360) / 90 % 2 == 1;
}

// The picture at path turned counter-clockwise by angle degrees and fitted
// into box_w x box_h; its own size goes to header. Small pictures are read
// whole, turned and fitted as they always were. A photo is decoded at no
// more than the fitted size needs and turned only once it is that small.
SDL_Surface* fitted_picture(const char* path, int box_w, int box_h, int angle, PictureHeader& header,
                            PictureError& error)
{
    error = PictureError::Failed;
    if (!read_picture_header(path, header))
        return nullptr;
    bool quarter = is_quarter_turn(angle);
    int w = quarter ? header.h : header.w, h = quarter ? header.w : header.h;
    fitted_size(w, h, box_w, box_h);
    int want_w = quarter ? h : w, want_h = quarter ? w : h;
    SDL_Surface* image = decode_picture(path, want_w, want_h, header, error);
    if (!image)
        return nullptr;
    if (image->w == header.w && image->h == header.h && long{image->w} * image->h <= kSmallPicturePixels) {
        turn_picture(image, angle);
        fit(image, box_w, box_h);
        return image;
    }
    if (image->w != want_w || image->h != want_h)
        shrink_picture(image, want_w, want_h);
    turn_picture(image, angle);
    return image;
}

void picture_notice(SDL_Surface* surface, PictureError error, const char* skin)
{
    message_box(surface, error == PictureError::TooLarge ? "Picture too large!" : "Load failed!", 0, skin);
}

void centre(View& v)
{
    v.view_x = kFitCentreX - v.image->w / 2;
    v.view_y = kFitCentreY - v.image->h / 2;
}

// True when button, pressed now, would change what the view shows: a pan
// that has not reached its edge, a zoom within its limits. Pans go as far
// as the copy shown, which at actual size is the picture's own size unless
// that was too large to make.
bool moves(const View& v, int button)
{
    int w = v.image->w, h = v.image->h;
    switch (button) {
    case kPanUp: return h > kViewH && v.pan_y > 0;
    case kPanDown: return h > kViewH && v.pan_y + kViewH < h;
    case kPanLeft: return w > kViewW && v.pan_x > 0;
    case kPanRight: return w > kViewW && v.pan_x + kViewW < w;
    // Only pictures whose doubled size still fits the box grow; none
    // shrinks below its own size.
    case kZoomInButton: return 2 * w <= kFitW && 2 * h <= kFitH;
    case kZoomOutButton: return w / 2 >= v.file_w && h / 2 >= v.file_h;
    default: return false;
    }
}

void pan(View& v, int button)
{
    if (!moves(v, button))
        return;
    v.pan_x += button == kPanRight ? kPanStep : button == kPanLeft ? -kPanStep : 0;
    v.pan_y += button == kPanDown ? kPanStep : button == kPanUp ? -kPanStep : 0;
}

void zoom_in(View& v)
{
    if (!moves(v, kZoomInButton))
        return;
    zoom_image(v.image, 2 * v.image->w, 2 * v.image->h);
    centre(v);
}

void zoom_out(View& v)
{
    if (!moves(v, kZoomOutButton))
        return;
    zoom_image(v.image, v.image->w / 2.0, v.image->h / 2.0);
    centre(v);
}

// Only one copy of the whole picture is made, in the screen's format: the
// decoder writes it row by row. A picture too large for that comes at the
// largest size of its shape that can be made, and is placed by that size.
void actual_size(View& v)
{
    PictureHeader header;
    PictureError error;
    SDL_Surface* whole = load_picture(v.path, v.file_w, v.file_h, header, error);
    if (!whole) {
        picture_notice(v.surface, error, v.skin);
        return;
    }
    SDL_FreeSurface(v.image);
    v.image = whole;
    int w = v.image->w, h = v.image->h;
    v.view_x = w <= kViewW ? kViewCentreX - w / 2 + kViewLeft : kViewLeft;
    v.view_y = h <= kViewH ? kViewCentreY - h / 2 + kViewTop : kViewTop;
}

Outcome press(View& v, int button)
{
    switch (button) {
    case kLeave: return Outcome::Leave;
    case kPanUp:
    case kPanDown:
    case kPanLeft:
    case kPanRight: pan(v, button); break;
    case kZoomInButton: zoom_in(v); break;
    case kZoomOutButton: zoom_out(v); break;
    case kActualButton: actual_size(v); break;
    case kShow:
        slide_show(v.surface, v.directory, v.path, v.skin);
        return Outcome::Leave;
    default: break;
    }
    return Outcome::Stay;
}

Outcome touch(View& v, int x, int y)
{
    v.drag_x = x;
    v.drag_y = y;
    if (point_in(x, y, kCloseBox))
        return Outcome::Leave;
    if (point_in(x, y, kZoomIn)) {
        play_click();
        zoom_in(v);
    } else if (point_in(x, y, kZoomOut)) {
        play_click();
        zoom_out(v);
    } else if (point_in(x, y, kActualSize)) {
        play_click();
        actual_size(v);
    } else if (point_in(x, y, kSlideShow)) {
        slide_show(v.surface, v.directory, v.path, v.skin);
        return Outcome::Leave;
    }
    return Outcome::Stay;
}

// Moving the finger right shows more of the picture's right-hand part, as
// button 6 does.
void drag(View& v, int x, int y)
{
    if (!point_in(x, y, kDragArea))
        return;
    if (x > v.drag_x)
        pan(v, kPanRight);
    if (x < v.drag_x)
        pan(v, kPanLeft);
    if (y > v.drag_y)
        pan(v, kPanDown);
    if (y < v.drag_y)
        pan(v, kPanUp);
    v.drag_x = x;
    v.drag_y = y;
}

Outcome act(View& v, const SDL_Event& e)
{
    switch (e.type) {
    case SDL_JOYBUTTONDOWN: return press(v, e.jbutton.button);
    case SDL_MOUSEBUTTONDOWN: return touch(v, e.button.x, e.button.y);
    case SDL_MOUSEMOTION: drag(v, e.motion.x, e.motion.y); break;
    case SDL_MOUSEBUTTONUP:
        v.drag_x = e.button.x;
        v.drag_y = e.button.y;
        break;
    default: break;
    }
    return Outcome::Stay;
}

// True while the last event is the press of a direction or zoom button
// that would still change the view: the button is held until another
// event (its release) arrives, and it acts again on every frame.
bool held_press_acts(const View& v, const SDL_Event& e)
{
    return e.type == SDL_JOYBUTTONDOWN && moves(v, e.jbutton.button);
}

// The release and the movements left over from the tap or press that opened
// the viewer are dropped; a press already waiting is the first to act.
bool first_press(SDL_Event& record)
{
    SDL_Event e;
    while (platform_poll_event(&e)) {
        if (e.type == SDL_JOYBUTTONDOWN || e.type == SDL_MOUSEBUTTONDOWN) {
            record = e;
            return true;
        }
    }
    return false;
}

// The next event into record. While a held button acts (held_press_acts)
// its press counts again on every frame until another event arrives, so a
// held direction button keeps panning and a held zoom button keeps zooming
// up to the zoom's limit; otherwise the viewer waits without drawing.
void next_event(const View& v, SDL_Event& record)
{
    if (!held_press_acts(v, record))
        wait_event_into(record);
    else if (!platform_poll_event(&record))
        SDL_Delay(kHeldPressPauseMs);
}

void draw_view(const View& v)
{
    blit_onto(v.surface, frame_picture, kFrame.x, kFrame.y);
    SDL_Rect part, at;
    set_rect(part, v.pan_x, v.pan_y, std::min(v.image->w, kViewW), std::min(v.image->h, kViewH));
    set_rect(at, kFrame.x + v.view_x, kFrame.y + v.view_y, 0, 0);
    SDL_BlitSurface(v.image, &part, v.surface, &at);
    show_whole_screen(v.surface);
}

// --- slide show ---

bool is_picture_file(const char* name)
{
    char type[4];
    file_extension(name, type);
    for (const char* picture : {"png", "bmp", "jpg", "gif"})
        if (std::strcmp(type, picture) == 0)
            return true;
    return false;
}

// Only regular files are shown: a FIFO or a device named like a picture
// would keep its reader waiting. The type readdir reports settles it where
// it can, so a status call is made only for links and unknown types.
bool is_slide_file(const char* path, const dirent* entry)
{
    switch (entry->d_type) {
    case DT_REG: return true;
    case DT_LNK:
    case DT_UNKNOWN: return is_regular_file(path);
    default: return false;
    }
}

// Fills slide_list with the directory's pictures in the order it yields
// them; the number listed, or -1 when the directory cannot be read.
int read_slides(const char* directory)
{
    std::unique_ptr<DIR, DirectoryCloser> dir(opendir(directory));
    if (!dir)
        return -1;
    int count = 0;
    while (count < kMaxSlides) {
        const dirent* entry = readdir(dir.get());
        if (!entry)
            break;
        if (is_picture_file(entry->d_name) && format_into(slide_list[count], "%s%s", directory, entry->d_name) &&
            is_slide_file(slide_list[count], entry))
            ++count;
    }
    for (int i = count; i < kMaxSlides; ++i)
        slide_list[i][0] = '\0';
    return count;
}

// The show starts with the picture the viewer showed.
void put_first(const char* path, int count)
{
    for (int i = 1; i < count; ++i) {
        if (std::strcmp(slide_list[i], path) == 0) {
            char first[sizeof slide_list[0]];
            copy_text(first, slide_list[0]);
            copy_text(slide_list[0], slide_list[i]);
            copy_text(slide_list[i], first);
            return;
        }
    }
}

// Moves slide_index or slide_angle for button; false when the button
// changes nothing to show.
bool step_slides(int button, int count)
{
    switch (button) {
    case kNext:
        slide_index = (slide_index + 1) % count;
        return true;
    case kPrevious:
        if (slide_index == 0)
            return false;
        --slide_index;
        return true;
    case kTurnRight:
        slide_angle = (slide_angle == 360 ? 0 : slide_angle) + 90;
        return true;
    case kTurnLeft:
        slide_angle = (slide_angle == 0 ? 360 : slide_angle) - 90;
        return true;
    default:
        return false;
    }
}

} // namespace

int show_slide(SDL_Surface* surface, const char* path, const char* skin, int angle)
{
    PictureHeader header;
    PictureError error;
    SDL_Surface* turned = fitted_picture(path, kScreenW, kScreenH, angle, header, error);
    if (!turned) {
        picture_notice(surface, error, skin);
        return 0;
    }
    SDL_FillRect(surface, nullptr, SDL_MapRGB(surface->format, 0, 0, 0));
    blit_onto(surface, turned, kScreenW / 2 - turned->w / 2, kScreenH / 2 - turned->h / 2);
    show_whole_screen(surface);
    SDL_FreeSurface(turned);
    return 1;
}

void slide_show(SDL_Surface* surface, const char* directory, const char* path, const char* skin)
{
    load_cached(reading_picture, "slmsg.png", skin);
    SDL_FillRect(surface, nullptr, SDL_MapRGB(surface->format, 0, 0, 0));
    blit_onto(surface, reading_picture, kNotice.x, kNotice.y);
    show_whole_screen(surface);
    int count = read_slides(directory);
    if (count <= 0)
        return;
    put_first(path, count);
    slide_index = 0;
    show_slide(surface, slide_list[0], skin, 0);
    SDL_Event show_event{};
    for (;;) {
        wait_event_into(show_event);
        if (show_event.type == SDL_MOUSEBUTTONDOWN) {
            slide_index = 0;
            return;
        }
        if (show_event.type != SDL_JOYBUTTONDOWN)
            continue;
        if (show_event.jbutton.button == kEndShow) {
            slide_angle = 0;
            slide_index = 0;
            return;
        }
        if (step_slides(show_event.jbutton.button, count) &&
            !show_slide(surface, slide_list[slide_index], skin, slide_angle))
            return;
    }
}

void image_viewer(SDL_Surface* surface, const char* directory, const char* path, const char* skin)
{
    load_cached(frame_picture, "imgwin.png", skin);
    load_cached(loading_picture, "lmsg.png", skin);
    blit_onto(surface, loading_picture, kNotice.x, kNotice.y);
    show_whole_screen(surface);
    PictureHeader header;
    PictureError error;
    View v{surface, directory, path, skin, fitted_picture(path, kFitW, kFitH, 0, header, error), 0, 0, 0, 0,
           0, 0, 0, 0};
    if (!v.image) {
        picture_notice(surface, error, skin);
        return;
    }
    v.file_w = header.w;
    v.file_h = header.h;
    centre(v);
    SDL_Event record{};
    bool have_event = first_press(record);
    for (;;) {
        draw_view(v);
        if (!have_event)
            next_event(v, record);
        have_event = false;
        if (act(v, record) == Outcome::Leave)
            break;
    }
    SDL_FreeSurface(v.image);
}
