// The sound player: it plays at once, B stops and plays again, the volume
// buttons work while it shows, and leaving stops the sound; while it plays
// the console stays on.
#include "harness.h"

#include "core/devices.h"
#include "core/events.h"
#include "core/text.h"
#include "explorer/sound_player.h"
#include "frames.h"

#include <SDL_mixer.h>
#include <cstdint>
#include <string>
#include <vector>

namespace {

// Seconds of a quiet 16-bit tone, long enough to be playing while a test
// looks.
std::string tone_wav(int seconds)
{
    std::string data;
    for (int i = 0; i < 22050 * seconds; ++i) {
        int16_t sample = static_cast<int16_t>(i % 50 < 25 ? 200 : -200);
        data += static_cast<char>(sample & 0xFF);
        data += static_cast<char>((sample >> 8) & 0xFF);
    }
    auto u32 = [](uint32_t v) { return std::string{char(v), char(v >> 8), char(v >> 16), char(v >> 24)}; };
    auto u16 = [](uint16_t v) { return std::string{char(v), char(v >> 8)}; };
    return "RIFF" + u32(36 + static_cast<uint32_t>(data.size())) + "WAVEfmt " + u32(16) + u16(1) + u16(1) +
           u32(22050) + u32(44100) + u16(2) + u16(16) + "data" + u32(static_cast<uint32_t>(data.size())) + data;
}

class SoundPlayer : public ShellTest {
protected:
    void SetUp() override
    {
        ShellTest::SetUp();
        copy_text(skin_name, "Blue");
        volume = 50;
        open_devices();
        write_file("song.WAV", tone_wav(20));
    }
};

} // namespace

TEST_F(SoundPlayer, PlaysStopsPlaysAndLeavingStops)
{
    std::vector<int> playing;
    {
        FrameWatch watch([&](SDL_Surface*) { playing.push_back(sound_player_playing() ? 1 : 0); });
        for (int b : {13, 13, 14})
            push_button(b);
        sound_player("song.WAV");
    }
    EXPECT_EQ(playing, (std::vector<int>{1, 0, 1})) << "at once, stopped, again";
    EXPECT_FALSE(sound_player_playing());
    EXPECT_EQ(Mix_PlayingMusic(), 0) << "leaving stopped the sound";
    EXPECT_EQ(sound_playing.load(), 0) << "the console may power off again";

    // The close box leaves too, the sound stopped.
    push_touch(245, 78);
    sound_player("song.WAV");
    EXPECT_EQ(Mix_PlayingMusic(), 0);
}

TEST_F(SoundPlayer, VolumeButtonsWorkAndAPlayingSoundKeepsTheConsoleOn)
{
    std::vector<int> keeps_on;
    {
        FrameWatch watch([&](SDL_Surface*) { keeps_on.push_back(sound_playing.load()); });
        for (int b : {16, 16, 17, 14})
            push_button(b);
        clear_trace();
        sound_player("song.WAV");
    }
    EXPECT_EQ(volume, 60);
    EXPECT_TRUE(traced("mixer pcm 60"));
    EXPECT_TRUE(traced("mixer pcm 70"));
    ASSERT_FALSE(keeps_on.empty());
    EXPECT_EQ(keeps_on.front(), 1);
    // The power-off timer comes again while a sound plays, and asks for
    // the power-off once the sound stopped.
    sound_playing = 1;
    EXPECT_EQ(off_expired(5000, nullptr), 5000u);
    sound_playing = 0;
    SDL_Event request;
    while (SDL_PollEvent(&request)) {
    }
    off_expired(5000, nullptr);
    ASSERT_EQ(SDL_PollEvent(&request), 1);
    EXPECT_EQ(request.user.code, kPowerOffEventCode);
}

// The volume buttons: steps of 10 within 0 and 100.
TEST_F(SoundPlayer, VolumeStaysWithinItsRange)
{
    volume = 95;
    EXPECT_TRUE(volume_button(kVolumeUpButton));
    EXPECT_EQ(volume, 100);
    EXPECT_TRUE(volume_button(kVolumeUpButton));
    EXPECT_EQ(volume, 100);
    volume = 5;
    EXPECT_TRUE(volume_button(kVolumeDownButton));
    EXPECT_EQ(volume, 0);
    EXPECT_FALSE(volume_button(13));
    EXPECT_EQ(volume, 0);
}

// What the mixer cannot read is said so, and nothing plays; the types the
// player takes, whatever their case.
TEST_F(SoundPlayer, UnreadableFilesAreSaidSo)
{
    write_file("noise.wav", "not a sound at all");
    EXPECT_TRUE(shows_message("Cannot play this file!", 0, [] { sound_player("noise.wav"); }));
    EXPECT_TRUE(shows_message("Cannot play this file!", 0, [] { sound_player("missing.ogg"); }));
    EXPECT_EQ(Mix_PlayingMusic(), 0);
    EXPECT_TRUE(is_playable_sound("a.WAV"));
    EXPECT_TRUE(is_playable_sound("a.ogg"));
    EXPECT_FALSE(is_playable_sound("a.mp3"));
    EXPECT_FALSE(is_playable_sound("wav"));
}
