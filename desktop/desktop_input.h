// The desktop's input: moving over the shortcut grid, starting and removing
// shortcuts, the start menu, the sidebar, the volume and the description bar.
#pragma once

void desktop_input();
