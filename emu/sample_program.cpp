// A sample program on the emulated card: shows its name and folder, the
// clock it was started at is in the shell's log, and on any button it goes
// back to the menu the way console programs do, by running
// "/usr/gp2x/gp2xmenu".
#include "emu/standin.h"

#include <string>
#include <unistd.h>

int main(int, char** argv)
{
    char folder[512] = "?";
    if (!getcwd(folder, sizeof folder))
        folder[0] = '\0';
    std::string name = argv[0];
    standin_start(std::string("in ") + folder);
    standin_clear(0, 80, 40);
    standin_text(40, 80, "sample program:");
    standin_text(40, 100, name);
    standin_text(40, 116, folder);
    standin_text(40, 200, "any button: back to the menu");
    standin_show();
    standin_wait_press();
    standin_log("back to the menu");
    standin_return_to_menu();
    return 1;
}
