// installer: run from the shell's folder on the card; puts the shell in
// place of the stock launcher and reboots. No arguments; what it did goes
// to the screen and to "installer.log" beside it.
#include "install/install_steps.h"

int main(int, char** argv)
{
    return run_installer("", argv[0]);
}
