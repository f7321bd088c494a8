#pragma once
// The player object through which the program drives the audio engine: it
// owns one engine, posts commands to it and receives the engine's
// notifications on the user-interface thread (through the event queue),
// dispatching each one to a virtual handler. The music player derives from it.
//
// Commands return at once; the engine carries them out in order on its own
// thread and answers with an acknowledgement or a refusal, which nobody needs
// to read. When no engine could be started, commands are ignored.
#include <cstdint>
#include <memory>
#include <string>

#include "audio/AudioEngine.h"
#include "platform/EventQueue.h"

namespace vellumo {

// One decoded notification.
struct PlayerMessage {
    int code = 0;
    std::int32_t a = 0;  // first argument (command code, player state, ...)
    std::int32_t b = 0;  // second argument (error code of a refusal)
};

class XaudioPlayer : public CommandTarget {
public:
    XaudioPlayer(EventQueue& queue, AudioOutputSpec output = {}, AudioEngine::BlockWritten blockWritten = {});
    ~XaudioPlayer() override;
    XaudioPlayer(const XaudioPlayer&) = delete;
    XaudioPlayer& operator=(const XaudioPlayer&) = delete;

    // Posts a command to the engine: 0, or kErrInvalidCode for a code outside
    // 1 .. 159 (then nothing is posted).
    int SendCommand(int code, const std::string& path = {}, std::int32_t number = 0);
    void Play();
    void Pause();
    void Stop();
    void OpenInput(const std::string& path);
    void CloseInput();
    // The file to go on with when the current one ends; OnInputAdvanced
    // reports with the same number when it did.
    void QueueInput(const std::string& path, std::int32_t number);
    bool hasEngine() const { return engine_ != nullptr; }

    // Notifications arrive here as posted commands.
    void onCommand(int command, std::intptr_t param) override;
    void onTimer(int) override {}

protected:
    virtual void HandleMessage(const PlayerMessage& message);
    virtual void OnAcknowledge(int /*command*/) {}
    virtual void OnRefusal(int /*command*/, int /*error*/) {}
    virtual void OnPlayerState(int /*state*/) {}
    virtual void OnInputAdvanced(int /*number*/) {}

    EventQueue& queue_;

private:
    std::unique_ptr<AudioEngine> engine_;
};

}  // namespace vellumo
