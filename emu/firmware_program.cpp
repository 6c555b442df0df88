// The emulator's stand-in for the console firmware's own programs
// ("LineDraw.gpe", "TCPMP.gpe", "ts_calibrate"): shows which one runs, with
// its options, and returns on any button or touch, as the real ones return
// to the launch script that started them.
#include "emu/standin.h"

#include <string>

int main(int argc, char** argv)
{
    std::string line = argv[0];
    for (int i = 1; i < argc; ++i)
        line += std::string(" ") + argv[i];
    standin_start(line);
    standin_clear(64, 24, 24);
    standin_text(40, 80, "firmware program (stand-in):");
    standin_text(40, 100, line);
    standin_text(40, 200, "any button: back");
    standin_show();
    standin_wait_press();
    standin_log("done");
    SDL_Quit();
    return 0;
}
