#include "sound/SoundComment.h"

#include "platform/Files.h"
#include "platform/Paths.h"

namespace vellumo {

std::string SoundCommentPath(const std::string& photoPath) {
    return ResolveDerivedName(ReplaceExtension(photoPath, "wav"));
}

SoundCommentAction DecideSoundComment(const std::string& photoPath, const SoundCommentSituation& situation,
                                      const std::function<bool(const std::string&)>& fileExists) {
    SoundCommentAction action;
    if (!situation.commentsOn && !situation.noPhoto) return action;
    if (situation.ctrlDown) return action;
    if (photoPath.empty()) return action;
    action.path = SoundCommentPath(photoPath);
    if (!fileExists(action.path)) {
        // No sound of its own: a sound still playing ends.
        action.kind = SoundCommentAction::Kind::StopPlaying;
        action.path.clear();
        return action;
    }
    action.kind = SoundCommentAction::Kind::Play;
    action.waitForEnd = situation.slideshowStepping || situation.noPhoto;
    return action;
}

void PlaySoundComment(const std::string& photoPath, const SoundCommentSituation& situation,
                      SoundCommentPlayer& player) {
    const SoundCommentAction action =
        DecideSoundComment(photoPath, situation, [](const std::string& path) { return IsRegularFile(path); });
    switch (action.kind) {
        case SoundCommentAction::Kind::Play: player.play(action.path, action.waitForEnd); break;
        case SoundCommentAction::Kind::StopPlaying: player.stop(); break;
        case SoundCommentAction::Kind::Nothing: break;
    }
}

bool SwitchedSoundComments(int command, bool on) {
    switch (command) {
        case 135: return true;
        case 136: return false;
        default: return !on;  // 134
    }
}

}  // namespace vellumo
