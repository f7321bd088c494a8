#pragma once
// The sound comment of a shown photo: the ".wav" file beside it with the same
// name. Whether it plays, and whether it must be heard to its end before the
// next slideshow step, is decided here; SoundCommentPlayer plays it.
#include <functional>
#include <string>

#include "sound/SoundCommentPlayer.h"

namespace vellumo {

struct SoundCommentSituation {
    bool commentsOn = true;         // PlaySoundCommentToPhoto
    bool noPhoto = false;           // the start picture is shown (its sound always plays)
    bool slideshowStepping = false; // a small slideshow runs, or a total one runs and is not paused
    bool ctrlDown = false;          // Ctrl held: nothing is played or stopped
};

struct SoundCommentAction {
    enum class Kind { Nothing, Play, StopPlaying };
    Kind kind = Kind::Nothing;
    std::string path;         // the sound file for Play
    bool waitForEnd = false;  // heard to its end before the next slideshow step
};

// The sound file of a photo: its extension replaced by "wav", found in any
// case of its name when the exact one is missing (IMG_1.WAV).
std::string SoundCommentPath(const std::string& photoPath);

SoundCommentAction DecideSoundComment(const std::string& photoPath, const SoundCommentSituation& situation,
                                      const std::function<bool(const std::string&)>& fileExists);

// Decides and carries out the sound comment of a photo.
void PlaySoundComment(const std::string& photoPath, const SoundCommentSituation& situation, SoundCommentPlayer& player);

// Commands 134 (toggle), 135 (on), 136 (off): the new switch position.
bool SwitchedSoundComments(int command, bool on);

}  // namespace vellumo
