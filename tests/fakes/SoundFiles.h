#pragma once
// Sound files for the audio tests: tone sequences written as WAV (libsndfile)
// or encoded to MP3 by Debian's lame, captures of libout123's "wav" writer
// read back, and the pitch of a stretch of samples measured by counting zero
// crossings. Tones are chosen so that one period is a whole number of samples
// at 44100 Hz (441 Hz: 100 samples).
#include <sndfile.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <limits>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "fakes/FakeEventQueue.h"

namespace vellumo::testing {

struct Tone {
    int hertz;
    int frames;
};

// Interleaved 16-bit samples of a tone sequence; every channel carries the tone.
inline std::vector<short> ToneSamples(const std::vector<Tone>& tones, int rate = 44100, int channels = 2) {
    std::vector<short> samples;
    for (const Tone& t : tones) {
        for (int i = 0; i < t.frames; ++i) {
            const double v = std::sin(2.0 * M_PI * t.hertz * i / rate);
            for (int c = 0; c < channels; ++c) samples.push_back(static_cast<short>(std::lround(v * 12000.0)));
        }
    }
    return samples;
}

inline bool WriteWav(const std::string& path, const std::vector<short>& samples, int rate = 44100, int channels = 2) {
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = channels;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!f) return false;
    const sf_count_t frames = static_cast<sf_count_t>(samples.size()) / channels;
    const bool ok = sf_writef_short(f, samples.data(), frames) == frames;
    sf_close(f);
    return ok;
}

// Encodes the tones with lame (constant 128 kbit/s; its info tag lets the
// decoder drop the encoder's delay and padding, so the frame count is exact).
inline bool MakeToneMp3(const std::string& path, const std::vector<Tone>& tones, int rate = 44100, int channels = 2) {
    const std::string wav = path + ".source.wav";
    if (!WriteWav(wav, ToneSamples(tones, rate, channels), rate, channels)) return false;
    pid_t pid = fork();
    if (pid == 0) {
        execlp("lame", "lame", "--quiet", "-b", "128", wav.c_str(), path.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    if (pid < 0 || waitpid(pid, &status, 0) != pid) return false;
    unlink(wav.c_str());
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

struct Capture {
    int rate = 0;
    int channels = 0;
    std::vector<short> samples;  // interleaved
    std::int64_t frames() const { return channels ? static_cast<std::int64_t>(samples.size()) / channels : 0; }
};

inline Capture ReadCapture(const std::string& path) {
    Capture c;
    SF_INFO info{};
    SNDFILE* f = sf_open(path.c_str(), SFM_READ, &info);
    if (!f) return c;
    c.rate = info.samplerate;
    c.channels = info.channels;
    std::vector<short> block(4096 * static_cast<size_t>(info.channels));
    for (;;) {
        sf_count_t got = sf_readf_short(f, block.data(), 4096);
        if (got <= 0) break;
        c.samples.insert(c.samples.end(), block.begin(), block.begin() + got * info.channels);
    }
    sf_close(f);
    return c;
}

// The pitch of frames [first, first + count) of channel 0, in Hz, from the
// number of sign changes; 0 for silence.
inline int PitchAt(const Capture& c, std::int64_t first, std::int64_t count) {
    if (c.channels == 0 || first < 0 || first + count > c.frames() || count < 2) return -1;
    int crossings = 0;
    bool positive = c.samples[static_cast<size_t>(first * c.channels)] >= 0;
    bool loud = false;
    for (std::int64_t i = first + 1; i < first + count; ++i) {
        const short s = c.samples[static_cast<size_t>(i * c.channels)];
        if (std::abs(s) > 2000) loud = true;
        const bool p = s >= 0;
        if (p != positive) ++crossings;
        positive = p;
    }
    if (!loud) return 0;
    return static_cast<int>(std::lround(crossings / 2.0 * c.rate / static_cast<double>(count)));
}

// The pitch of each of consecutive stretches of `frames`, measured over their
// middle half (away from the joins), rounded to whole tens of Hz.
inline std::vector<int> PitchSequence(const Capture& c, std::int64_t frames) {
    std::vector<int> pitches;
    for (std::int64_t start = 0; start + frames <= c.frames(); start += frames) {
        const int p = PitchAt(c, start + frames / 4, frames / 2);
        pitches.push_back(static_cast<int>(std::lround(p / 10.0)) * 10);
    }
    return pitches;
}

// Holds the engine thread once it has written `holdAt` frames, until released.
class EngineGate {
public:
    std::function<void(std::int64_t)> callback() {
        return [this](std::int64_t frames) {
            std::unique_lock lock(mutex_);
            frames_ = frames;
            if (frames >= holdAt_) {
                held_ = true;
                changed_.notify_all();
                changed_.wait(lock, [&] { return frames < holdAt_; });
                held_ = false;
            }
        };
    }
    void holdAt(std::int64_t frames) {
        std::lock_guard lock(mutex_);
        holdAt_ = frames;
        if (frames_ < holdAt_) held_ = false;  // a held engine goes on from here
        changed_.notify_all();
    }
    void release() { holdAt(std::numeric_limits<std::int64_t>::max()); }
    // Waits (pumping the queue) until the engine is held; false after a long time.
    // What the engine posted before it was held has been delivered on return.
    bool waitHeld(FakeEventQueue& queue) {
        const bool held = PumpUntil(queue, [&] {
            std::lock_guard lock(mutex_);
            return held_;
        });
        queue.runPending();
        return held;
    }
    std::int64_t frames() {
        std::lock_guard lock(mutex_);
        return frames_;
    }

    // Delivers posted commands until the condition holds; false after 20 s
    // (a guard against a hang, not a speed requirement).
    static bool PumpUntil(FakeEventQueue& queue, const std::function<bool()>& condition) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        for (;;) {
            queue.runPending();
            if (condition()) return true;
            if (std::chrono::steady_clock::now() > end) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::int64_t holdAt_ = std::numeric_limits<std::int64_t>::max();
    std::int64_t frames_ = 0;
    bool held_ = false;
};

}  // namespace vellumo::testing
