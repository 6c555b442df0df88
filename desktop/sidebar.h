// The sidebar: shown while button L or R is held on the desktop, acting on
// the entry highlighted when that button is released (SD card, NAND,
// log off, shut down).
#pragma once

void draw_sidebar();
void sidebar_input();
