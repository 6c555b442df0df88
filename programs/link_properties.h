// The link properties window ("props"): a panel of eight rows over the
// category window beneath, for the link at props_link. Title, description,
// clock and timing option change the link in link_items only, until the OK
// row writes its file; any other way out reloads the category, dropping
// them. The icon, deleting and adding to the desktop take effect at once.
#pragma once

void draw_link_properties();
// Waits for one event and handles it.
void link_properties_input();
