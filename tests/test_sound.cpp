// The interface sounds: loaded once, retried while missing.
#include "harness.h"

#include "gfx/sound.h"

#include <filesystem>

namespace {

using Sounds = ShellTest;

// A short silent 16-bit PCM WAV file.
std::string silent_wav()
{
    std::string data(800, '\0');
    auto u32 = [](uint32_t v) { return std::string{char(v), char(v >> 8), char(v >> 16), char(v >> 24)}; };
    auto u16 = [](uint16_t v) { return std::string{char(v), char(v >> 8)}; };
    return "RIFF" + u32(36 + static_cast<uint32_t>(data.size())) + "WAVEfmt " + u32(16) + u16(1) + u16(1) +
           u32(22050) + u32(44100) + u16(2) + u16(16) + "data" + u32(static_cast<uint32_t>(data.size())) + data;
}

} // namespace

TEST_F(Sounds, LoadedOnceAndRetriedWhileMissing)
{
    std::filesystem::remove("resources/key.wav");
    play_key();
    EXPECT_EQ(sound_sample(Sound::Key), nullptr);
    write_file("resources/key.wav", silent_wav());
    play_key();
    Mix_Chunk* first = sound_sample(Sound::Key);
    ASSERT_NE(first, nullptr);
    std::filesystem::remove("resources/key.wav");
    play_key();
    EXPECT_EQ(sound_sample(Sound::Key), first) << "the second play reuses the loaded sample";
}
