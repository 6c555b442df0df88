// The start menu over the desktop: program scan, the four categories, system.
#pragma once

void draw_start_menu();
void start_menu_input();
