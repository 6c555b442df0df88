// uninstall: takes the shell out of "/usr/gp2x", puts the stock launcher
// back and reboots. No arguments.
#include "install/install_steps.h"

int main()
{
    return run_uninstaller("");
}
