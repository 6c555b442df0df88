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

// id                      draw                   input
constexpr std::array<WindowRow, kWindowCount> kWindows = {{
    {WindowId::Desktop,      draw_desktop,          desktop_input},
    {WindowId::StartMenu,    draw_start_menu,       start_menu_input},
    {WindowId::Sidebar,      draw_sidebar,          sidebar_input},
    {WindowId::System,       draw_system_window,    system_window_input},
    {WindowId::Usb,          draw_usb_window,       usb_window_input},
    {WindowId::Explorer,     draw_explorer,         explorer_input},
    {WindowId::Bright,       draw_power_window,     power_window_input},
    {WindowId::Saver,        draw_power_window,     power_window_input},
    {WindowId::Off,          draw_power_window,     power_window_input},
    {WindowId::Apps,         draw_category_window,  category_input},
    {WindowId::Emus,         draw_category_window,  category_input},
    {WindowId::Ports,        draw_category_window,  category_input},
    {WindowId::Games,        draw_category_window,  category_input},
    {WindowId::Props,        draw_link_properties,  link_properties_input},
    {WindowId::Users,        draw_users_window,     users_input},
}};

constexpr bool rows_in_identifier_order()
{
    for (size_t i = 0; i < kWindows.size(); ++i)
        if (static_cast<size_t>(kWindows[i].id) != i)
            return false;
    return true;
}
static_assert(rows_in_identifier_order(), "one row per window identifier, in identifier order");

constexpr WindowRow kNoWindow = {WindowId::None, nullptr, nullptr};

} // namespace

const WindowRow& window_row(WindowId id)
{
    size_t index = static_cast<size_t>(id);
    return index < kWindows.size() ? kWindows[index] : kNoWindow;
}
