// installer: run from the shell's folder on the card; puts the shell in
// place of the stock launcher and reboots. No arguments.
#include "install/install_steps.h"

int main()
{
    return run_installer("");
}
