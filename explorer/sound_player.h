// The sound player: a small window over the explorer that plays one sound
// file. It starts playing at once; B (or the Play and Stop buttons) plays
// and stops, the volume buttons set the volume, X or the close box leaves,
// and leaving stops the sound. While a sound plays the console does not
// power itself off.
#pragma once

// The types the player plays: "wav" and "ogg" (the console's SDL_mixer
// decodes both; it has no MP3 decoder), whatever their case.
bool is_playable_sound(const char* name);

// Plays the file at path until the user leaves. A file the mixer cannot
// read is said so ("Cannot play this file!").
void sound_player(const char* path);

// Whether the player's sound is playing now (for its tests).
bool sound_player_playing();
