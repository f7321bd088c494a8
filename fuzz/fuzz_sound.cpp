// Opens arbitrary bytes as background music (through the engine: open, play
// to the end) and as a sound comment (libsndfile through the comment player),
// both writing to libout123's wav writer.
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <mutex>
#include <string>
#include <thread>

#include "audio/AudioEngine.h"
#include "audio/PlayerProtocol.h"
#include "sound/SoundCommentPlayer.h"

using namespace vellumo;

namespace {

// Delivers posted commands on the fuzzing thread when asked.
class PumpQueue : public EventQueue {
public:
    void post(CommandTarget* target, int command, std::intptr_t param) override {
        std::lock_guard lock(mutex_);
        posted_.push_back({target, command, param});
    }
    void setTimer(CommandTarget*, int, int) override {}
    void killTimer(CommandTarget*, int) override {}
    void forget(CommandTarget* target) override {
        std::lock_guard lock(mutex_);
        std::erase_if(posted_, [target](const Posted& p) { return p.target == target; });
    }
    std::uint64_t tickCount() const override { return 0; }
    void runPending() {
        for (;;) {
            Posted p;
            {
                std::lock_guard lock(mutex_);
                if (posted_.empty()) return;
                p = posted_.front();
                posted_.pop_front();
            }
            p.target->onCommand(p.command, p.param);
        }
    }

private:
    struct Posted {
        CommandTarget* target;
        int command;
        std::intptr_t param;
    };
    std::mutex mutex_;
    std::deque<Posted> posted_;
};

struct Answers {
    std::mutex mutex;
    std::condition_variable changed;
    bool over = false;
};

std::string TempPath(const char* what) {
    return "/tmp/vellumo-fuzz-" + std::to_string(getpid()) + "-" + what;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string input = TempPath("input");
    static Answers answers;
    static AudioEngine engine(
        {"wav", TempPath("music.wav")},
        [](int code, std::int32_t a, std::int32_t) {
            // The input ended, or the engine refused to play it.
            if ((code == audio::kPlayerState && a == audio::EndOfStream) ||
                (code == audio::kRefusal && a == audio::kPlay)) {
                std::lock_guard lock(answers.mutex);
                answers.over = true;
                answers.changed.notify_all();
            }
        });
    static PumpQueue queue;
    static SoundCommentPlayer comments(queue, {"wav", TempPath("comment.wav")});

    FILE* f = std::fopen(input.c_str(), "wb");
    if (!f) return 0;
    std::fwrite(data, 1, size, f);
    std::fclose(f);

    {
        std::lock_guard lock(answers.mutex);
        answers.over = false;
    }
    engine.post(audio::kOpenInput, input);
    engine.post(audio::kPlay);
    {
        std::unique_lock lock(answers.mutex);
        answers.changed.wait(lock, [] { return answers.over; });
    }
    engine.post(audio::kCloseInput);

    comments.play(input, true);
    while (comments.playing()) {
        queue.runPending();
        std::this_thread::sleep_for(std::chrono::microseconds(100));
    }
    return 0;
}
