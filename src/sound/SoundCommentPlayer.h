#pragma once
// Plays WAV sound comments (libsndfile reads, libout123 plays) on a worker
// thread of its own, one sound at a time: a new sound or stop() ends the one
// still playing. The user-interface thread never waits for it.
//
// A sound played with waitForEnd "holds": the slideshow asks holds() before
// its next step, and whenFinished() runs a step once the sound has been
// heard to its end (or at once when nothing holds). The end of every sound is
// reported back through the event queue.
//
// Broken or foreign files, missing files and a missing audio device give
// silence, at once, with no message.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "audio/AudioEngine.h"
#include "platform/EventQueue.h"

namespace vellumo {

class SoundCommentPlayer : public CommandTarget {
public:
    explicit SoundCommentPlayer(EventQueue& queue, AudioOutputSpec output = {});
    ~SoundCommentPlayer() override;
    SoundCommentPlayer(const SoundCommentPlayer&) = delete;
    SoundCommentPlayer& operator=(const SoundCommentPlayer&) = delete;

    // Starts the sound file from its beginning, ending any sound still playing.
    void play(const std::string& path, bool waitForEnd);
    // Ends the sound still playing, if any.
    void stop();
    // True from play() until its end was reported on this thread.
    bool playing() const { return playing_; }
    // True while a sound played with waitForEnd has not ended.
    bool holds() const { return playing_ && holding_; }
    // Runs the step at once when nothing holds, else when the holding sound has ended.
    void whenFinished(std::function<void()> step);

    void onCommand(int command, std::intptr_t param) override;
    void onTimer(int) override {}

private:
    void finished(std::uint64_t generation);

    struct Worker;
    EventQueue& queue_;
    std::shared_ptr<Worker> worker_;
    std::uint64_t generation_ = 0;
    bool playing_ = false;
    bool holding_ = false;
    std::vector<std::function<void()>> waiting_;
};

}  // namespace vellumo
