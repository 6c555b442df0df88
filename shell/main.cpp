// Korvo's entry: no arguments, no environment.
#include "shell/shell.h"

int main()
{
    reset_shared_state();
    start_up();
    enter_shell();
}
