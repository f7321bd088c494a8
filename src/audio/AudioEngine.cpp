#include "audio/AudioEngine.h"

#include <mpg123.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include "audio/AudioOutput.h"
#include "audio/PlayerProtocol.h"
#include "platform/Files.h"

namespace vellumo {

namespace {

// How long the destructor waits for the engine thread: one device call is at
// most a buffer's worth of sound.
constexpr auto kExitWait = std::chrono::milliseconds(2000);
// One block of decoded sound: a little more than one MPEG frame of stereo.
constexpr size_t kBlockBytes = 8192;

struct Command {
    int code;
    std::string path;
    std::int32_t number = 0;
};

// A decoder set up the engine's way: signed 16-bit samples, mono or stereo,
// at the file's rate, with the encoder's delay and padding removed (so one
// song follows the next without the silence the encoder added).
mpg123_handle* NewDecoder() {
    mpg123_handle* decoder = mpg123_new(nullptr, nullptr);
    if (!decoder) return nullptr;
    mpg123_param(decoder, MPG123_ADD_FLAGS, MPG123_QUIET | MPG123_GAPLESS, 0.0);
    mpg123_format_none(decoder);
    const long* rates = nullptr;
    size_t count = 0;
    mpg123_rates(&rates, &count);
    for (size_t i = 0; i < count; ++i)
        mpg123_format(decoder, rates[i], MPG123_MONO | MPG123_STEREO, MPG123_ENC_SIGNED_16);
    return decoder;
}

// One open MP3 file and its decoder.
struct Input {
    mpg123_handle* decoder = nullptr;
    int fd = -1;
    long rate = 0;
    int channels = 0;
    std::string path;
    std::int32_t number = 0;  // what it was queued with

    bool open() const { return fd >= 0; }

    // Opens the file and reads up to its first audio frame, so that empty,
    // tag-only and foreign files are refused here rather than at playing.
    bool openFile(const std::string& file) {
        close();
        if (!decoder) return false;
        int f = OpenRegularFileForReading(file);
        if (f < 0) return false;
        if (mpg123_open_fd(decoder, f) != MPG123_OK) {
            ::close(f);
            return false;
        }
        long r = 0;
        int c = 0, encoding = 0;
        if (mpg123_getformat(decoder, &r, &c, &encoding) != MPG123_OK || r <= 0 || c < 1 || c > 2) {
            mpg123_close(decoder);
            ::close(f);
            return false;
        }
        fd = f;
        rate = r;
        channels = c;
        path = file;
        return true;
    }

    void close() {
        if (fd < 0) return;
        mpg123_close(decoder);
        ::close(fd);
        fd = -1;
    }
};

}  // namespace

struct AudioEngine::Shared {
    std::mutex mutex;
    std::condition_variable wake;      // a command arrived
    std::condition_variable finished;  // the thread ended
    std::deque<Command> commands;
    bool done = false;
    Notify notify;  // cleared when the owner goes away
    BlockWritten blockWritten;
    AudioOutputSpec output;

    // Under the lock, so that no notification is on its way once the owner
    // has cleared the callback; the callback only posts to the event queue.
    void send(int code, std::int32_t a, std::int32_t b = 0) {
        std::lock_guard lock(mutex);
        if (notify) notify(code, a, b);
    }
};

namespace {

// The engine's own state, touched only by the engine thread.
class EngineLoop {
public:
    explicit EngineLoop(std::shared_ptr<AudioEngine::Shared> shared) : shared_(std::move(shared)) {
        current_.decoder = NewDecoder();
        queued_.decoder = NewDecoder();
    }

    ~EngineLoop() {
        closeInput();
        queued_.close();
        if (output_) {
            // Quick exit: what is still buffered need not be heard.
            if (outputStarted_) out123_drop(output_);
            out123_del(output_);
        }
        if (current_.decoder) mpg123_delete(current_.decoder);
        if (queued_.decoder) mpg123_delete(queued_.decoder);
    }

    void run() {
        for (;;) {
            Command command;
            bool haveCommand = false;
            {
                std::unique_lock lock(shared_->mutex);
                if (state_ != audio::Playing)
                    shared_->wake.wait(lock, [this] { return !shared_->commands.empty(); });
                if (!shared_->commands.empty()) {
                    command = std::move(shared_->commands.front());
                    shared_->commands.pop_front();
                    haveCommand = true;
                }
            }
            if (haveCommand) {
                if (command.code == audio::kExit) return;
                handle(command);
            } else {
                playBlock();
            }
        }
    }

private:
    void notifyState() { shared_->send(audio::kPlayerState, state_); }
    void setState(audio::PlayerState state) {
        state_ = state;
        notifyState();
    }
    void acknowledge(int code) { shared_->send(audio::kAcknowledge, code); }
    void refuse(int code, int error) { shared_->send(audio::kRefusal, code, error); }

    void handle(const Command& c) {
        switch (c.code) {
            case audio::kPlay: play(); return;
            case audio::kPause:
                if (!current_.open()) return refuse(c.code, audio::kErrNotInThisState);
                holdOutput();
                setState(audio::Paused);
                return acknowledge(c.code);
            case audio::kStop:
                if (!current_.open()) return refuse(c.code, audio::kErrNotInThisState);
                holdOutput();
                mpg123_seek(current_.decoder, 0, SEEK_SET);
                atEnd_ = false;
                setState(audio::Stopped);
                return acknowledge(c.code);
            case audio::kOpenInput: openInputCommand(c.path); return;
            case audio::kCloseInput:
                holdOutput();
                closeInput();
                queued_.close();
                setState(audio::Stopped);
                return acknowledge(c.code);
            case audio::kQueueInput:
                if (!queued_.openFile(c.path)) return refuse(c.code, audio::kErrCannotOpenInput);
                queued_.number = c.number;
                return acknowledge(c.code);
            default: return refuse(c.code, audio::kErrInvalidCode);
        }
    }

    void play() {
        if (!current_.open()) {
            // Play after CloseInput opens the last input again.
            if (lastPath_.empty()) return refuse(audio::kPlay, audio::kErrNotInThisState);
            if (!openInput(lastPath_)) return refuse(audio::kPlay, audio::kErrCannotOpenInput);
        }
        if (atEnd_) {
            mpg123_seek(current_.decoder, 0, SEEK_SET);
            atEnd_ = false;
        }
        if (!startOutput()) {
            if (state_ != audio::Stopped) setState(audio::Stopped);
            return refuse(audio::kPlay, audio::kErrNoOutput);
        }
        setState(audio::Playing);
        acknowledge(audio::kPlay);
    }

    void openInputCommand(const std::string& path) {
        const bool wasPlaying = state_ == audio::Playing;
        closeInput();
        queued_.close();
        lastPath_ = path;
        if (!openInput(path)) {
            if (wasPlaying) holdOutput();
            if (state_ != audio::Stopped) setState(audio::Stopped);
            return refuse(audio::kOpenInput, audio::kErrCannotOpenInput);
        }
        if (wasPlaying) {
            // Playing goes on with the new input.
            if (!startOutput()) {
                holdOutput();
                setState(audio::Stopped);
                refuse(audio::kOpenInput, audio::kErrNoOutput);
                return;
            }
        } else if (state_ != audio::Stopped) {
            setState(audio::Stopped);
        }
        acknowledge(audio::kOpenInput);
    }

    bool openInput(const std::string& path) {
        atEnd_ = false;
        return current_.openFile(path);
    }

    void closeInput() {
        current_.close();
        atEnd_ = false;
    }

    // The end of the current input with one queued: the queued one goes on
    // at once, on the same output when the format is the same.
    bool advance() {
        if (!queued_.open()) return false;
        current_.close();
        std::swap(current_, queued_);
        lastPath_ = current_.path;
        atEnd_ = false;
        if (!startOutput()) {
            deviceFailed();
            return true;
        }
        shared_->send(audio::kInputAdvanced, current_.number);
        return true;
    }

    // Opens the device when needed and starts it with the input's format.
    bool startOutput() {
        if (!output_) {
            output_ = OpenAudioOutput(shared_->output, live_);
            if (!output_) return false;
        }
        if (outputStarted_ && outRate_ == current_.rate && outChannels_ == current_.channels) return true;
        if (outputStarted_) out123_stop(output_);
        outputStarted_ = false;
        if (out123_start(output_, current_.rate, current_.channels, MPG123_ENC_SIGNED_16) != OUT123_OK) {
            dropOutput();
            return false;
        }
        outputStarted_ = true;
        outRate_ = current_.rate;
        outChannels_ = current_.channels;
        return true;
    }

    // Pause and stop: a live device drops what it holds and is let go until
    // the next block; a file output simply gets nothing more.
    void holdOutput() {
        if (!output_ || !outputStarted_ || !live_) return;
        out123_drop(output_);
        out123_pause(output_);
    }

    // A failed device is closed; the next Play opens it again.
    void dropOutput() {
        if (!output_) return;
        out123_del(output_);
        output_ = nullptr;
        outputStarted_ = false;
    }

    void playBlock() {
        size_t done = 0;
        const int result = mpg123_read(current_.decoder, buffer_.data(), buffer_.size(), &done);
        if (result == MPG123_NEW_FORMAT) {
            long rate = 0;
            int channels = 0, encoding = 0;
            mpg123_getformat(current_.decoder, &rate, &channels, &encoding);
            if (rate > 0 && channels >= 1 && channels <= 2) {
                current_.rate = rate;
                current_.channels = channels;
            }
            if (!startOutput()) return deviceFailed();
        }
        if (done > 0) {
            const size_t frameBytes = static_cast<size_t>(2 * outChannels_);
            done -= done % frameBytes;
            if (out123_play(output_, buffer_.data(), done) < done) return deviceFailed();
            framesWritten_ += static_cast<std::int64_t>(done / frameBytes);
            if (shared_->blockWritten) shared_->blockWritten(framesWritten_);
            return;
        }
        if (result == MPG123_OK || result == MPG123_NEW_FORMAT) return;
        // The end of the file, or a file cut short or broken from here on: the
        // music goes on with whatever follows it.
        if (advance()) return;
        atEnd_ = true;
        setState(audio::EndOfStream);
    }

    void deviceFailed() {
        dropOutput();
        setState(audio::Stopped);
        refuse(audio::kPlay, audio::kErrNoOutput);
    }

    std::shared_ptr<AudioEngine::Shared> shared_;
    Input current_;
    Input queued_;
    out123_handle* output_ = nullptr;
    bool live_ = false;
    bool outputStarted_ = false;
    long outRate_ = 0;
    int outChannels_ = 0;
    bool atEnd_ = false;
    std::string lastPath_;
    audio::PlayerState state_ = audio::Stopped;
    std::int64_t framesWritten_ = 0;
    std::vector<unsigned char> buffer_ = std::vector<unsigned char>(kBlockBytes);
};

}  // namespace

AudioEngine::AudioEngine(AudioOutputSpec output, Notify notify, BlockWritten blockWritten)
    : shared_(std::make_shared<Shared>()) {
    shared_->notify = std::move(notify);
    shared_->blockWritten = std::move(blockWritten);
    shared_->output = std::move(output);
    std::thread([shared = shared_] {
        {
            EngineLoop loop(shared);
            loop.run();
        }
        std::lock_guard lock(shared->mutex);
        shared->done = true;
        shared->finished.notify_all();
    }).detach();
}

AudioEngine::~AudioEngine() {
    std::unique_lock lock(shared_->mutex);
    shared_->notify = nullptr;
    shared_->commands.clear();
    shared_->commands.push_back({audio::kExit, {}});
    shared_->wake.notify_all();
    shared_->finished.wait_for(lock, kExitWait, [this] { return shared_->done; });
}

void AudioEngine::post(int code, std::string path, std::int32_t number) {
    std::lock_guard lock(shared_->mutex);
    shared_->commands.push_back({code, std::move(path), number});
    shared_->wake.notify_all();
}

}  // namespace vellumo
