// uninstall: puts the stock launcher back, takes the shell out of
// "/usr/gp2x" and reboots. No arguments; what it did goes to the screen and
// to "uninstall.log" beside it.
#include "install/install_steps.h"

int main(int, char** argv)
{
    return run_uninstaller("", argv[0]);
}
