// The start check: the installer runs the card's Korvo.gpe with
// kStartCheckSetting in its environment before it changes anything. The
// shell then ends with status 0 at the top of its entry, when the loader,
// the C library and the start-up of every library it links have run, and
// before it touches a device or a file. A shell that cannot start on the
// console (a library or the loader missing, a program for another machine)
// fails the check instead, and the installer leaves the console as it is.
#pragma once

#include <cstdlib>
#include <cstring>

constexpr const char* kStartCheckName = "KORVO_START_CHECK";
constexpr const char* kStartCheckSetting = "KORVO_START_CHECK=1";

inline bool start_check_asked()
{
    const char* value = std::getenv(kStartCheckName);
    return value && std::strcmp(value, "1") == 0;
}
