// The skin chooser: moving, the preview of the highlighted skin, and the
// confirmation that changes the skin and its wallpaper.
#include "settings_test.h"

#include "resource_files.h"
#include "settings/skin_chooser.h"

namespace {

class SkinChooser : public GroupNeeding<Needs::nothing, SettingsTest> {
protected:
    static int run(std::initializer_list<int> buttons)
    {
        for (int button : buttons)
            push_button(button);
        return skin_chooser(screen, skin_name, wallpaper_name);
    }
};

} // namespace

TEST_F(SkinChooser, ConfirmingTheSkinInUseAsksNothing)
{
    copy_text(skin_name, "Zelda");
    // No row below "Zelda"; no question, so 14 closes (a question would
    // take it as No and the second 14 would close).
    EXPECT_EQ(run({4, 13, 14, 14}), 0);
    SDL_Event left;
    EXPECT_EQ(SDL_PollEvent(&left), 1);
    EXPECT_STREQ(skin_name, "Zelda");
}

TEST_F(SkinChooser, NoKeepsTheWindowOnTheSameRow)
{
    EXPECT_EQ(run({0, 4, 13, 14, 13, 13}), 1);   // up does nothing; "Gold", No, Yes
    EXPECT_STREQ(skin_name, "Gold");
    EXPECT_STREQ(wallpaper_name, "wallpaper/Gold.png");
}

TEST_F(SkinChooser, TouchesPickTheRowAndThePreview)
{
    TEST_NEEDS(Needs::display);
    write_skin_picture("Zelda", "preview.png", 118, 88, {200, 0, 0});
    push_touch(30, 123);    // "Zelda"
    push_touch(30, 94);     // "Gold": touched from y 94, drawn from 95
    push_touch(207, 182);   // OK, then Yes
    EXPECT_EQ(run({13}), 1);
    EXPECT_STREQ(skin_name, "Gold");

    push_touch(30, 123);
    push_touch(290, 30);    // the close box
    EXPECT_EQ(run({}), 0);
    EXPECT_TRUE(shows(screen, 297, 154, {200, 0, 0})) << "Zelda's preview";
}
