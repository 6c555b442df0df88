#include "programs/category.h"

#include "core/events.h"
#include "core/state.h"
#include "core/text.h"
#include "explorer/explorer_window.h"
#include "explorer/open_with.h"
#include "gfx/font.h"
#include "desktop/desktop.h"
#include "gfx/image.h"
#include "gfx/sound.h"
#include "stock/stock_apps.h"

#include <array>
#include <cstring>

namespace {

constexpr int kPageSize = 15;
constexpr int kColumns = 5;
constexpr int kLabelLength = 9;
constexpr int kLabelField = 50;   // the columns are 51 pixels apart
constexpr int kWideDescription = 251;   // from this width on the small font

// Layout                             x    y   w   h
constexpr SDL_Rect kWindow        = { 20,  20, 280, 200};
constexpr SDL_Rect kCloseBox      = {277,  25,  17,  17};
constexpr SDL_Rect kAddBox        = {252,  25,  17,  17};
constexpr SDL_Rect kPageDown      = {277, 171,  17,  17};
constexpr SDL_Rect kPageUp        = {277,  46,  17,  17};
constexpr SDL_Rect kStockApps     = { 90, 222,  32,  16};
constexpr SDL_Rect kPropsButton   = {200, 222,  16,  16};
constexpr SDL_Rect kCpuSymbol     = {190,  26,  16,  16};
constexpr int kCpuTextX = 207, kCpuTextY = 26;
constexpr int kDescriptionX = 26, kDescriptionY = 197, kSmallDescriptionY = 200;
constexpr int kDescriptionField = 262;   // to the window's right edge

// Icon n of a page: column n mod 5, row n div 5.
SDL_Rect icon_rect(int n)
{
    int k = n % kColumns, r = n / kColumns;
    return {static_cast<Sint16>(35 + 51 * k), static_cast<Sint16>(55 + 49 * r), 32, 32};
}

struct CategoryWindow {
    WindowId id;
    const char* picture_file;
    SDL_Surface* picture;
};

std::array<CategoryWindow, 4> windows = {{
    {WindowId::Apps,  "appswin.png",  nullptr},
    {WindowId::Emus,  "emuswin.png",  nullptr},
    {WindowId::Ports, "portswin.png", nullptr},
    {WindowId::Games, "gameswin.png", nullptr},
}};

SDL_Surface* selection_frame;
SDL_Surface* props_button;
SDL_Surface* cpu_symbol;
SDL_Surface* stock_apps_button;

enum Button { kUp = 0, kLeft = 2, kDown = 4, kRight = 6, kProps = 9, kAdd = 11, kLaunch = 13, kClose = 14, kStock = 15 };

CategoryWindow* window_for(WindowId id)
{
    for (CategoryWindow& w : windows)
        if (w.id == id)
            return &w;
    return nullptr;
}

bool in_use(int slot)
{
    return slot >= 0 && slot < kLinkSlots && link_items[slot].link_name[0] != '\0';
}

// Links in use from slot 0 up to the first free one.
int link_count()
{
    int count = 0;
    while (count < kLinkSlots && in_use(count))
        ++count;
    return count;
}

int selected_slot()
{
    return kPageSize * list_top + selection;
}

void draw_label(int n, const char* title)
{
    char label[kLabelLength + 1];
    copy_text(label, title);
    draw_centred_text(screen, FontSize::Small, 51 * (n % kColumns) + 48, 49 * (n / kColumns) + 88, kLabelField, label,
                      0, skin_name);
}

// The highlighted link's frame, description and processor text.
void draw_highlight_details(int n, const LinkRecord& link)
{
    SDL_Rect at = icon_rect(n);
    blit_at(selection_frame, at.x, at.y);
    if (text_width(link.description) < kWideDescription)
        draw_text(screen, kDescriptionX, kDescriptionY, link.description, 0, skin_name);
    else
        draw_fitted_text(screen, FontSize::Small, kDescriptionX, kSmallDescriptionY, kDescriptionField,
                         link.description, 0, skin_name);
    draw_text(screen, kCpuTextX, kCpuTextY, link.cpu_mhz, 0, skin_name);
}

// The properties button and the clock symbol, shown while a link is
// highlighted; they lie clear of the details (drawn between them in the
// plain order) and of everything else of the window.
void draw_highlight_buttons()
{
    blit_at(props_button, kPropsButton.x, kPropsButton.y);
    blit_at(cpu_symbol, kCpuSymbol.x, kCpuSymbol.y);
}

void next_page(int new_selection)
{
    ++list_top;
    selection = new_selection;
}

void previous_page(int new_selection)
{
    --list_top;
    selection = new_selection;
}

void open_properties()
{
    if (!in_use(selected_slot()))
        return;
    return_window = current_window;
    props_link = selected_slot();
    current_window = WindowId::Props;
}

// The explorer picks a program file; opening one writes its link here.
void add_program()
{
    open_explorer(current_window, "/mnt/", "gpe", 1);
}

void launch_selected()
{
    if (in_use(selected_slot()))
        start_link(link_items[selected_slot()], current_window);
}

void handle_button(int button)
{
    int count = link_count();
    switch (button) {
    case kClose:
        current_window = WindowId::Desktop;
        break;
    case kLeft:
        if (selection > 0)
            --selection;
        else if (list_top > 0)
            previous_page(kPageSize - 1);
        break;
    case kRight:
        if (!in_use(selected_slot() + 1))
            break;
        if (selection <= kPageSize - 2)
            ++selection;
        else if (list_top < count / kPageSize)
            next_page(0);
        break;
    case kUp:
        if (selection >= kColumns)
            selection -= kColumns;
        else if (list_top > 0)
            previous_page(selection + 2 * kColumns);
        break;
    case kDown:
        if (!in_use(selected_slot() + kColumns))
            break;
        if (selection + kColumns <= kPageSize - 1)
            selection += kColumns;
        else if (list_top < count / kPageSize)
            next_page(selection - 2 * kColumns);
        break;
    case kLaunch:
        launch_selected();
        break;
    case kProps:
        open_properties();
        break;
    case kAdd:
        add_program();
        break;
    case kStock:
        if (current_window == WindowId::Apps)
            show_stock_applications(screen, skin_name);
        break;
    default:
        break;
    }
}

// The on-page icon under the touch whose slot is in use, or -1.
int touched_icon()
{
    for (int n = 0; n < kPageSize; ++n)
        if (touch_in(event, icon_rect(n)) && in_use(kPageSize * list_top + n))
            return n;
    return -1;
}

void handle_touch()
{
    int count = link_count();
    if (touch_in(event, kCloseBox)) {
        play_click();
        current_window = WindowId::Desktop;
    }
    if (touch_in(event, kAddBox)) {
        play_click();
        add_program();
    }
    if (touch_in(event, kPageDown) && count / kPageSize > list_top) {
        play_click();
        next_page(0);
    }
    if (touch_in(event, kPageUp) && list_top > 0) {
        play_click();
        previous_page(0);
    }
    if (current_window == WindowId::Apps && touch_in(event, kStockApps)) {
        play_click();
        show_stock_applications(screen, skin_name);
    }
    int icon = touched_icon();
    if (icon >= 0)
        selection = icon;
    if (touch_in(event, kPropsButton) && in_use(selected_slot())) {
        play_click();
        open_properties();
    }
    // Two presses within 300 ms, the second on an icon, start its program;
    // the first may land anywhere.
    if (tap_pending == 1) {
        tap_pending = 0;
        if (icon >= 0)
            launch_selected();
    } else {
        start_tap_window();
    }
}

// The page: the window's picture, and the icons and labels of the page's
// links up to the first free slot.
void paint_page(const CategoryWindow& w)
{
    blit_at(w.picture, kWindow.x, kWindow.y);
    if (w.id == WindowId::Apps)
        blit_at(stock_apps_button, kStockApps.x, kStockApps.y);
    for (int n = 0; n < kPageSize && in_use(kPageSize * list_top + n); ++n) {
        const LinkRecord& link = link_items[kPageSize * list_top + n];
        SDL_Rect at = icon_rect(n);
        blit_at(link.icon, at.x, at.y);
        draw_label(n, link.title);
    }
}

// Whether link n of the page is shown: every slot of the page before it is
// in use, as is its own.
bool shown_on_page(int n)
{
    if (n < 0 || n >= kPageSize)
        return false;
    for (int k = 0; k <= n; ++k)
        if (!in_use(kPageSize * list_top + k))
            return false;
    return true;
}

// The highlighted link's frame and details, when it is shown. The plain
// order draws nothing of the page over them.
void draw_details_of(int n)
{
    if (shown_on_page(n))
        draw_highlight_details(n, link_items[kPageSize * list_top + n]);
}

// The layer, one per page and per whether a link is highlighted: the
// desktop, the page, and the buttons of a highlighted link.
const CategoryWindow* shown_window = nullptr;
bool shown_highlight = false;

void compose_category_window()
{
    if (shown_window)
        paint_page(*shown_window);
    if (shown_highlight)
        draw_highlight_buttons();
}

} // namespace

void draw_category_window()
{
    bool beneath_props = current_window == WindowId::Props;
    CategoryWindow* w = window_for(beneath_props ? return_window : current_window);
    if (!w)
        return;
    load_cached(w->picture, w->picture_file, skin_name);
    load_cached(selection_frame, "sel.png", skin_name);
    load_cached(props_button, "menu.png", skin_name);
    load_cached(cpu_symbol, "cpu.png", skin_name);
    load_cached(stock_apps_button, "gph.png", skin_name);
    // Beneath the link properties the page is painted as it is, with the
    // details of the link shown there.
    if (beneath_props) {
        paint_page(*w);
        int n = props_link - kPageSize * list_top;
        draw_details_of(n);
        if (shown_on_page(n))
            draw_highlight_buttons();
        return;
    }
    shown_window = w;
    shown_highlight = shown_on_page(selection);
    show_window_layer(w->id, compose_category_window, list_top, shown_highlight);
    draw_details_of(selection);
}

void category_input()
{
    wait_event();
    if (event.type == SDL_JOYBUTTONDOWN)
        handle_button(event.jbutton.button);
    else if (event.type == SDL_MOUSEBUTTONDOWN)
        handle_touch();
}
