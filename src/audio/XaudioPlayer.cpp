#include "audio/XaudioPlayer.h"

#include <system_error>

#include "audio/PlayerProtocol.h"

namespace vellumo {

namespace {

std::intptr_t Pack(std::int32_t a, std::int32_t b) {
    return static_cast<std::intptr_t>((static_cast<std::uint64_t>(static_cast<std::uint32_t>(b)) << 32) |
                                      static_cast<std::uint32_t>(a));
}

PlayerMessage Unpack(int code, std::intptr_t param) {
    const auto bits = static_cast<std::uint64_t>(param);
    return {code, static_cast<std::int32_t>(static_cast<std::uint32_t>(bits)),
            static_cast<std::int32_t>(static_cast<std::uint32_t>(bits >> 32))};
}

}  // namespace

static_assert(sizeof(std::intptr_t) >= 8, "notifications carry two 32-bit arguments in one parameter");

XaudioPlayer::XaudioPlayer(EventQueue& queue, AudioOutputSpec output, AudioEngine::BlockWritten blockWritten)
    : queue_(queue) {
    try {
        engine_ = std::make_unique<AudioEngine>(
            std::move(output),
            [this](int code, std::int32_t a, std::int32_t b) {
                queue_.post(this, audio::kNotificationBase + code, Pack(a, b));
            },
            std::move(blockWritten));
    } catch (const std::system_error&) {
        engine_.reset();  // no thread: the program runs without music
    }
}

XaudioPlayer::~XaudioPlayer() {
    // The engine first: after it no notification is on its way.
    engine_.reset();
    queue_.forget(this);
}

int XaudioPlayer::SendCommand(int code, const std::string& path, std::int32_t number) {
    if (code < audio::kFirstCode || code > audio::kLastCode) return audio::kErrInvalidCode;
    if (engine_) engine_->post(code, path, number);
    return 0;
}

void XaudioPlayer::Play() { SendCommand(audio::kPlay); }
void XaudioPlayer::Pause() { SendCommand(audio::kPause); }
void XaudioPlayer::Stop() { SendCommand(audio::kStop); }
void XaudioPlayer::OpenInput(const std::string& path) { SendCommand(audio::kOpenInput, path); }
void XaudioPlayer::CloseInput() { SendCommand(audio::kCloseInput); }
void XaudioPlayer::QueueInput(const std::string& path, std::int32_t number) {
    SendCommand(audio::kQueueInput, path, number);
}

void XaudioPlayer::onCommand(int command, std::intptr_t param) {
    const int code = command - audio::kNotificationBase;
    if (code < audio::kFirstCode || code > audio::kLastCode) return;
    HandleMessage(Unpack(code, param));
}

void XaudioPlayer::HandleMessage(const PlayerMessage& message) {
    switch (message.code) {
        case audio::kAcknowledge: OnAcknowledge(message.a); return;
        case audio::kRefusal: OnRefusal(message.a, message.b); return;
        case audio::kPlayerState: OnPlayerState(message.a); return;
        case audio::kInputAdvanced: OnInputAdvanced(message.a); return;
        default: return;  // notifications nobody handles
    }
}

}  // namespace vellumo
