#pragma once
// Child processes started from an argument list, never through a shell, and
// the small helpers that turn a configured program text into such a list.
#include <memory>
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
};

// Starts argv[0] (a path, or a name looked up on PATH) with the arguments as
// they are: no shell sees them, so blanks, quotes, "$" or line breaks in a
// file name reach the program unchanged. The child inherits no descriptor
// above stderr and runs in a session of its own, so a Ctrl+C meant for the
// viewer does not end an editor holding unsaved text. nullptr when it could
// not be started (argv empty, program missing or not executable).
std::unique_ptr<ChildProcess> StartChildProcess(const std::vector<std::string>& argv);

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
