// Opens arbitrary bytes as background music (through the engine: open, play
// to the end) and as a sound comment (libsndfile through the comment player),
// both writing to libout123's wav writer.

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <mutex>
#include <string>

#include "audio/AudioEngine.h"
#include "audio/PlayerProtocol.h"
#include "fuzz_support.h"
#include "sound/SoundCommentPlayer.h"

using namespace vellumo;

namespace {

// Delivers posted commands on the fuzzing thread when asked.
class PumpQueue : public EventQueue {
public:
    void post(CommandTarget* target, int command, std::intptr_t param) override {
        std::lock_guard lock(mutex_);
        posted_.push_back({target, command, param});
        arrived_.notify_all();
    }
    void setTimer(CommandTarget*, int, int) override {}
    void killTimer(CommandTarget*, int) override {}
    void forget(CommandTarget* target) override {
        std::lock_guard lock(mutex_);
        std::erase_if(posted_, [target](const Posted& p) { return p.target == target; });
    }
    std::uint64_t tickCount() const override { return 0; }
    // Waits (at most a while, in case nothing is ever posted) for a command.
    void waitForPost() {
        std::unique_lock lock(mutex_);
        arrived_.wait_for(lock, std::chrono::milliseconds(10), [this] { return !posted_.empty(); });
    }
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
    std::condition_variable arrived_;
    std::deque<Posted> posted_;
};

struct Answers {
    std::mutex mutex;
    std::condition_variable changed;
    bool over = false;
};

// In the memory-backed scratch folder: every input is written and played.
std::string TempPath(const char* what) { return fuzz::ScratchFolder() + "/" + what; }

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
        queue.waitForPost();
        queue.runPending();
    }
    return 0;
}
