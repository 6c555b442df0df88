// Trying a program out for real: the part of platform_try_program that both
// backends share (the PC backend traces around it, or lets a test stand in).
#pragma once

#include "platform/platform.h"

ProgramRun try_program(const char* path, const char* const argv[], const char* const settings[], int timeout_ms,
                       char* output, unsigned long capacity);
