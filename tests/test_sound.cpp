// The interface sounds: loaded once, retried while missing.
#include "harness.h"

#include "gfx/sound.h"
#include "resource_files.h"

#include <filesystem>

namespace {

using Sounds = GroupNeeding<Needs::sound>;

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
