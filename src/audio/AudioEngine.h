#pragma once
// The MP3 playback engine: one thread of its own that decodes with libmpg123
// and plays through libout123. Commands are queued and carried out in order;
// every command is acknowledged or refused, and every change of the player
// state is notified. Notifications are handed to a callback on the engine
// thread (the player object turns them into posted commands for the
// user-interface thread).
//
// What the engine is not: it knows no playlist and no settings; the music
// player decides what to open and when to play. It only holds, besides the
// input it plays, the one input queued to follow it: that input is opened
// while the current one plays, so the next song follows without a gap.
//
// Without an audio device the engine refuses Play and stays silent; it never
// blocks its caller. A device that fails while playing ends in state Stopped.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace vellumo {

// Where the sound goes: an out123 driver and device. An empty driver means
// the desktop's outputs (PulseAudio, then ALSA). Tests use the built-in "wav"
// driver with a file name as device, which records exactly what would have
// been heard.
struct AudioOutputSpec {
    std::string driver;
    std::string device;
};

class AudioEngine {
public:
    // code is a notification code of PlayerProtocol.h; a and b its arguments.
    using Notify = std::function<void(int code, std::int32_t a, std::int32_t b)>;
    // Called on the engine thread after each block handed to the output, with
    // the number of sample frames handed over since the engine started, before
    // the engine looks at its command queue again.
    using BlockWritten = std::function<void(std::int64_t framesWritten)>;

    // Starts the engine thread. Throws std::system_error when no thread can be started.
    AudioEngine(AudioOutputSpec output, Notify notify, BlockWritten blockWritten = {});
    // Sends the exit command and waits a bounded time for the thread; a thread
    // stuck in a device call is left to finish on its own, silently.
    ~AudioEngine();
    AudioEngine(const AudioEngine&) = delete;
    AudioEngine& operator=(const AudioEngine&) = delete;

    // Queues a command (path for OpenInput and QueueInput, number for
    // QueueInput); returns at once.
    void post(int code, std::string path = {}, std::int32_t number = 0);

    // The state shared with the engine thread (it may outlive this object).
    struct Shared;

private:
    std::shared_ptr<Shared> shared_;
};

}  // namespace vellumo
