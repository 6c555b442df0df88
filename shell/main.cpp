// Korvo's entry: no arguments; the one environment setting it reads is the
// installer's start check.
#include "core/start_check.h"
#include "shell/shell.h"

#include <cstdlib>

int main()
{
    // Loaded and started: that is all the check asks. Nothing has run that
    // would need undoing, so the process ends at once.
    if (start_check_asked())
        std::_Exit(0);
    reset_shared_state();
    start_up();
    enter_shell();
}
