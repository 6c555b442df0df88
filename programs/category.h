// The four category windows ("apps", "emus", "ports", "games"): the links of
// one program category as pages of 15 icons.
#pragma once

// Draws the category window that is current, or, beneath the link
// properties window, the one it returns to (highlighting props_link).
void draw_category_window();
// Waits for one event and handles it for the current category window.
void category_input();
