// The six interface sounds. Each is loaded on first use, kept for the rest
// of the run and played once on the first free mixer channel; a missing file
// is tried again on the next play.
#pragma once

#include <SDL_mixer.h>

enum class Sound { Click, Key, Chord, Notify, Logon, Shutdown, Last };

void play_sound(Sound sound);
void play_click();      // taps on buttons and list entries
void play_key();        // keys of the on-screen keyboard
void play_chord();      // a notice box opens
void play_notify();     // a question box opens
void play_logon();      // the end of start-up
void play_shutdown();   // the start of power_off

// The loaded sample of a sound, none before its first successful play.
Mix_Chunk* sound_sample(Sound sound);
