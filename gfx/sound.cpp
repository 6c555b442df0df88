#include "gfx/sound.h"

#include <array>
#include <cstddef>

namespace {

constexpr size_t kSoundCount = static_cast<size_t>(Sound::Last);

constexpr std::array<const char*, kSoundCount> kSoundFiles = {
    "resources/click.wav",
    "resources/key.wav",
    "resources/chord.wav",
    "resources/notify.wav",
    "resources/logon.wav",
    "resources/shutdown.wav",
};

std::array<Mix_Chunk*, kSoundCount> samples{};

} // namespace

void play_sound(Sound sound)
{
    Mix_Chunk*& sample = samples[static_cast<size_t>(sound)];
    if (!sample) {
        SDL_RWops* file = SDL_RWFromFile(kSoundFiles[static_cast<size_t>(sound)], "rb");
        if (file)
            sample = Mix_LoadWAV_RW(file, 1);
    }
    if (sample)
        Mix_PlayChannelTimed(-1, sample, 0, -1);
}

Mix_Chunk* sound_sample(Sound sound)
{
    return samples[static_cast<size_t>(sound)];
}

void play_click() { play_sound(Sound::Click); }
void play_key() { play_sound(Sound::Key); }
void play_chord() { play_sound(Sound::Chord); }
void play_notify() { play_sound(Sound::Notify); }
void play_logon() { play_sound(Sound::Logon); }
void play_shutdown() { play_sound(Sound::Shutdown); }
