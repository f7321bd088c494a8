#include "sound/SoundCommentPlayer.h"

#include <mpg123.h>
#include <sndfile.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

#include "audio/AudioOutput.h"
#include "platform/Files.h"

namespace vellumo {

namespace {

constexpr int kSoundFinished = 1;
constexpr int kFramesPerBlock = 1024;
constexpr int kMaxChannels = 64;
constexpr int kMaxRate = 768000;
constexpr auto kExitWait = std::chrono::milliseconds(2000);

struct Request {
    std::string path;
    std::uint64_t generation;
};

}  // namespace

struct SoundCommentPlayer::Worker {
    std::mutex mutex;
    std::condition_variable wake;
    std::condition_variable finished;
    std::optional<Request> request;
    std::atomic<std::uint64_t> current{0};  // the generation that may still play
    bool exit = false;
    bool done = false;
    std::function<void(std::uint64_t)> notify;
    AudioOutputSpec output;
    out123_handle* device = nullptr;  // touched by the worker thread only
    bool live = false;

    void run() {
        for (;;) {
            Request r;
            {
                std::unique_lock lock(mutex);
                wake.wait(lock, [this] { return exit || request.has_value(); });
                if (exit) break;
                r = std::move(*request);
                request.reset();
            }
            playFile(r);
            std::lock_guard lock(mutex);
            if (notify) notify(r.generation);
        }
        if (device) {
            out123_drop(device);
            out123_del(device);
            device = nullptr;
        }
    }

    bool cancelled(std::uint64_t generation) const { return current.load() != generation; }

    bool openDevice() {
        if (!device) device = OpenAudioOutput(output, live);
        return device != nullptr;
    }

    void playFile(const Request& r) {
        int fd = OpenRegularFileForReading(r.path);
        if (fd < 0) return;
        SF_INFO info{};
        SNDFILE* sound = sf_open_fd(fd, SFM_READ, &info, SF_TRUE);  // closes fd in every case
        if (!sound) return;
        if (info.channels < 1 || info.channels > kMaxChannels || info.samplerate < 1 || info.samplerate > kMaxRate ||
            cancelled(r.generation) || !openDevice()) {
            sf_close(sound);
            return;
        }
        // More than two channels: the first two are heard.
        const int outChannels = info.channels > 2 ? 2 : info.channels;
        if (out123_start(device, info.samplerate, outChannels, MPG123_ENC_SIGNED_16) != OUT123_OK) {
            sf_close(sound);
            out123_del(device);
            device = nullptr;
            return;
        }
        std::vector<short> in(static_cast<size_t>(kFramesPerBlock) * static_cast<size_t>(info.channels));
        std::vector<short> out(static_cast<size_t>(kFramesPerBlock) * static_cast<size_t>(outChannels));
        bool failed = false;
        while (!cancelled(r.generation)) {
            const sf_count_t got = sf_readf_short(sound, in.data(), kFramesPerBlock);
            if (got <= 0) break;
            const short* data = in.data();
            if (outChannels != info.channels) {
                for (sf_count_t f = 0; f < got; ++f)
                    for (int c = 0; c < outChannels; ++c)
                        out[static_cast<size_t>(f * outChannels + c)] = in[static_cast<size_t>(f * info.channels + c)];
                data = out.data();
            }
            const size_t bytes = static_cast<size_t>(got) * static_cast<size_t>(outChannels) * sizeof(short);
            if (out123_play(device, const_cast<short*>(data), bytes) < bytes) {
                failed = true;
                break;
            }
        }
        sf_close(sound);
        if (failed) {
            // The device went away: it is opened afresh for the next sound.
            out123_del(device);
            device = nullptr;
            return;
        }
        // A sound that ran to its end is heard to its end before it counts as finished.
        if (cancelled(r.generation)) out123_drop(device);
        else if (live) out123_drain(device);
        out123_stop(device);
    }
};

SoundCommentPlayer::SoundCommentPlayer(EventQueue& queue, AudioOutputSpec output)
    : queue_(queue), worker_(std::make_shared<Worker>()) {
    worker_->output = std::move(output);
    worker_->notify = [this](std::uint64_t generation) {
        queue_.post(this, kSoundFinished, static_cast<std::intptr_t>(generation));
    };
    try {
        std::thread([worker = worker_] {
            worker->run();
            std::lock_guard lock(worker->mutex);
            worker->done = true;
            worker->finished.notify_all();
        }).detach();
    } catch (const std::system_error&) {
        worker_.reset();  // no thread: sound comments stay silent
    }
}

SoundCommentPlayer::~SoundCommentPlayer() {
    if (worker_) {
        std::unique_lock lock(worker_->mutex);
        worker_->notify = nullptr;
        worker_->current = 0;
        worker_->exit = true;
        worker_->wake.notify_all();
        worker_->finished.wait_for(lock, kExitWait, [this] { return worker_->done; });
    }
    queue_.forget(this);
}

void SoundCommentPlayer::play(const std::string& path, bool waitForEnd) {
    ++generation_;
    playing_ = true;
    holding_ = waitForEnd;
    if (!worker_) {
        queue_.post(this, kSoundFinished, static_cast<std::intptr_t>(generation_));
        return;
    }
    std::lock_guard lock(worker_->mutex);
    worker_->current = generation_;
    worker_->request = Request{path, generation_};
    worker_->wake.notify_all();
}

void SoundCommentPlayer::stop() {
    if (!playing_) return;
    ++generation_;
    playing_ = false;
    holding_ = false;
    if (worker_) {
        std::lock_guard lock(worker_->mutex);
        worker_->current = generation_;
        worker_->request.reset();
    }
    // Steps that waited for the sound run now, from the event queue.
    if (!waiting_.empty()) queue_.post(this, kSoundFinished, static_cast<std::intptr_t>(generation_));
}

void SoundCommentPlayer::whenFinished(std::function<void()> step) {
    if (!holds()) {
        step();
        return;
    }
    waiting_.push_back(std::move(step));
}

void SoundCommentPlayer::onCommand(int command, std::intptr_t param) {
    if (command == kSoundFinished) finished(static_cast<std::uint64_t>(param));
}

void SoundCommentPlayer::finished(std::uint64_t generation) {
    if (generation != generation_) return;  // a sound that was replaced
    playing_ = false;
    holding_ = false;
    std::vector<std::function<void()>> steps;
    steps.swap(waiting_);
    for (auto& step : steps) step();
}

}  // namespace vellumo
