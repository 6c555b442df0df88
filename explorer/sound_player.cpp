#include "explorer/sound_player.h"

#include "core/devices.h"
#include "core/events.h"
#include "core/files.h"
#include "core/state.h"
#include "core/text.h"
#include "dialogs/dialogs.h"
#include "explorer/listing.h"
#include "gfx/changes.h"
#include "gfx/font.h"
#include "gfx/image.h"
#include "gfx/sound.h"

#include <SDL_mixer.h>
#include <cstring>

namespace {

// Layout                            x    y    w    h
constexpr SDL_Rect kWindow       = { 60,  65, 200, 110};
constexpr SDL_Rect kCloseBox     = {237,  70,  17,  17};
constexpr SDL_Rect kPlayButton   = { 80, 141,  70,  24};
constexpr SDL_Rect kStopButton   = {170, 141,  70,  24};
constexpr int kNameX = 66, kNameY = 98, kNameField = 184;
constexpr int kStatusX = 66, kStatusY = 120;
constexpr int kVolumeRight = 252, kVolumeY = 120;

enum Button { kPlayStop = 13, kLeave = 14 };

SDL_Surface* window_picture;
Mix_Music* music;

// From the audio thread: the sound played to its end.
void music_ended()
{
    sound_playing = 0;
    SDL_Event ended{};
    ended.type = SDL_USEREVENT;
    ended.user.code = kSoundEndedEventCode;
    SDL_PushEvent(&ended);
}

void play()
{
    if (Mix_PlayMusic(music, 0) == 0)
        sound_playing = 1;
}

void stop()
{
    Mix_HaltMusic();   // calls no finished hook for a sound stopped
    sound_playing = 0;
}

void draw_player(const char* name)
{
    blit_at(window_picture, kWindow.x, kWindow.y);
    draw_fitted_text(screen, FontSize::Large, kNameX, kNameY, kNameField, name, 0, skin_name);
    draw_small_text(screen, kStatusX, kStatusY, sound_player_playing() ? "Playing" : "Stopped", 0, skin_name);
    char level[16];
    format_into(level, "Volume %d", static_cast<int>(volume));
    draw_small_text(screen, kVolumeRight - small_text_width(level) - 3, kVolumeY, level, 0, skin_name);
}

// False when the player is left.
bool act(const SDL_Event& e)
{
    if (e.type == SDL_JOYBUTTONDOWN) {
        int button = e.jbutton.button;
        if (button == kLeave)
            return false;
        if (button == kPlayStop) {
            if (sound_player_playing())
                stop();
            else
                play();
        }
        volume_button(button);
    } else if (e.type == SDL_MOUSEBUTTONDOWN) {
        if (touch_in(e, kCloseBox)) {
            play_click();
            return false;
        }
        if (touch_in(e, kPlayButton))
            play();
        if (touch_in(e, kStopButton))
            stop();
    }
    return true;
}

} // namespace

bool is_playable_sound(const char* name)
{
    return name_has_type(name, "wav ogg");
}

bool sound_player_playing()
{
    return music && Mix_PlayingMusic() != 0;
}

void sound_player(const char* path)
{
    // The mixer reads the file with fopen: a FIFO named like a sound would
    // keep it waiting.
    music = is_regular_file(path) ? Mix_LoadMUS(path) : nullptr;
    if (!music) {
        message_box(screen, "Cannot play this file!", 0, skin_name);
        return;
    }
    load_cached(window_picture, "player.png", skin_name);
    const char* slash = std::strrchr(path, '/');
    const char* name = slash ? slash + 1 : path;
    Mix_HookMusicFinished(music_ended);
    play();
    SDL_Event player_event{};
    for (bool first = true;; first = false) {
        show_dialog_frame(screen, first, [&] { draw_player(name); });
        wait_event_into(player_event);
        if (!act(player_event))
            break;
    }
    Mix_HookMusicFinished(nullptr);
    stop();
    Mix_FreeMusic(music);
    music = nullptr;
}
