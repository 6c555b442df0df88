// The dispatch table: for every window its draw operation and input handler,
// in the order of the window identifiers. A window that is not on the console
// yet has none; the main loop then only waits for the next event.
#include "shell/shell.h"

#include "desktop/desktop.h"
#include "desktop/desktop_input.h"
#include "desktop/sidebar.h"
#include "desktop/startmenu.h"
#include "explorer/explorer_window.h"
#include "programs/category.h"
#include "programs/link_properties.h"
#include "settings/power_windows.h"
#include "settings/system_window.h"
#include "settings/usb_window.h"
#include "users/users_window.h"

#include <array>

namespace {

// The last column: the window acts on a button being let go (the sidebar,
// a hold-to-use menu); the others act on presses and touches only.
//
// id                      draw                   input                  releases
constexpr std::array<WindowRow, kWindowCount> kWindows = {{
    {WindowId::Desktop,      draw_desktop,          desktop_input,         false},
    {WindowId::StartMenu,    draw_start_menu,       start_menu_input,      false},
    {WindowId::Sidebar,      draw_sidebar,          sidebar_input,         true},
    {WindowId::System,       draw_system_window,    system_window_input,   false},
    {WindowId::Usb,          draw_usb_window,       usb_window_input,      false},
    {WindowId::Explorer,     draw_explorer,         explorer_input,        false},
    {WindowId::Bright,       draw_power_window,     power_window_input,    false},
    {WindowId::Saver,        draw_power_window,     power_window_input,    false},
    {WindowId::Off,          draw_power_window,     power_window_input,    false},
    {WindowId::Apps,         draw_category_window,  category_input,        false},
    {WindowId::Emus,         draw_category_window,  category_input,        false},
    {WindowId::Ports,        draw_category_window,  category_input,        false},
    {WindowId::Games,        draw_category_window,  category_input,        false},
    {WindowId::Props,        draw_link_properties,  link_properties_input, false},
    {WindowId::Users,        draw_users_window,     users_input,           false},
}};

constexpr bool rows_in_identifier_order()
{
    for (size_t i = 0; i < kWindows.size(); ++i)
        if (static_cast<size_t>(kWindows[i].id) != i)
            return false;
    return true;
}
static_assert(rows_in_identifier_order(), "one row per window identifier, in identifier order");

constexpr WindowRow kNoWindow = {WindowId::None, nullptr, nullptr, false};

} // namespace

const WindowRow& window_row(WindowId id)
{
    size_t index = static_cast<size_t>(id);
    return index < kWindows.size() ? kWindows[index] : kNoWindow;
}
