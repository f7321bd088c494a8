#pragma once
// Child processes started from an argument list, never through a shell, and
// the small helpers that turn a configured program text into such a list.
#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vellumo {

// A started child whose end can be waited for.
class ChildProcess {
public:
    virtual ~ChildProcess() = default;
    // True once the process has ended (it is reaped then). Never blocks.
    virtual bool hasEnded() = 0;
    // Once it has ended: its exit status (0 to 255), or -1 when a signal
    // ended it.
    virtual int exitStatus() const { return 0; }
};

// Starts argv[0] (a path, or a name looked up on PATH) with the arguments as
// they are: no shell sees them, so blanks, quotes, "$" or line breaks in a
// file name reach the program unchanged. The child inherits no descriptor
// above stderr and runs in a session of its own, so a Ctrl+C meant for the
// viewer does not end an editor holding unsaved text. nullptr when it could
// not be started (argv empty, program missing or not executable).
std::unique_ptr<ChildProcess> StartChildProcess(const std::vector<std::string>& argv);

// Runs a program (argv as for StartChildProcess, with no input) and returns
// what it wrote to its standard output, at most maxBytes of it; nothing when
// it cannot be started, fails, or has not ended within the time limit (it
// is then killed). Blocks: for worker threads only.
std::optional<std::string> RunForOutput(const std::vector<std::string>& argv, int timeLimitMs,
                                        std::size_t maxBytes = 65536);

// Splits a command text into words the way a POSIX shell splits a simple
// command, without running one and without any expansion: blanks and tabs
// separate words; '...' keeps everything literally; "..." keeps everything
// but lets a backslash escape \ " $ and `; outside quotes a backslash keeps
// the next character. An unclosed quote runs to the end of the text.
std::vector<std::string> SplitCommandWords(std::string_view text);

// The program a command word names: a word holding "/" names that file; any
// other word is looked up in the folders of pathVariable (":"-separated, an
// empty entry meaning the working folder). Returns the path of the regular,
// executable file found, or "" when there is none.
std::string FindProgram(std::string_view word, std::string_view pathVariable);

}  // namespace vellumo
