#include "comments/RotationMacro.h"

#include <cstdio>
#include <sys/stat.h>

#include "comments/CommentLimits.h"
#include "platform/Files.h"
#include "platform/Paths.h"
#include "platform/TextCodec.h"

namespace vellumo {

namespace {

constexpr double kQuarterTurn = 1.5707963267948966;

std::string RemoveAll(std::string_view text, std::string_view what) {
    std::string out;
    out.reserve(text.size());
    size_t pos = 0;
    for (size_t hit; (hit = text.find(what, pos)) != std::string_view::npos; pos = hit + what.size())
        out.append(text.substr(pos, hit - pos));
    out.append(text.substr(pos));
    return out;
}

// Splits file bytes into the part a comment is read from and the rest.
void SplitCommentBytes(std::string_view bytes, std::string_view& head, std::string_view& tail) {
    std::string_view read = bytes.substr(0, kCommentByteLimit);
    if (bytes.size() > kCommentByteLimit && IsValidUtf8(bytes.substr(0, kCommentByteLimit + 4)))
        read = CutUtf8(bytes, kCommentByteLimit);
    size_t nul = read.find('\0');
    if (nul != std::string_view::npos) read = read.substr(0, nul);
    head = read;
    tail = bytes.substr(read.size());
}

}  // namespace

std::string AttachedCommentFile(const std::string& photoPath) {
    return ResolveDerivedName(ReplaceExtension(photoPath, "txt"));
}

int CountOccurrences(std::string_view text, std::string_view what) {
    if (what.empty()) return 0;
    int n = 0;
    for (size_t pos = text.find(what); pos != std::string_view::npos; pos = text.find(what, pos + what.size())) ++n;
    return n;
}

double RotationMacroAngle(std::string_view text) {
    return (CountOccurrences(text, kRotateLeftMacro) - CountOccurrences(text, kRotateRightMacro)) * kQuarterTurn;
}

double RotationMacroAngleOfFile(const std::string& photoPath) {
    if (photoPath.empty()) return 0.0;
    auto bytes = ReadWholeFile(AttachedCommentFile(photoPath), kCommentByteLimit);
    if (!bytes) return 0.0;
    std::string_view text = *bytes;
    text = text.substr(0, text.find('\0'));
    return RotationMacroAngle(text);
}

std::string RewriteRotationMacros(std::string_view head, std::string_view tail, bool left) {
    int lefts = CountOccurrences(head, kRotateLeftMacro) + (left ? 1 : 0);
    int rights = CountOccurrences(head, kRotateRightMacro) + (left ? 0 : 1);
    std::string text = RemoveAll(RemoveAll(head, kRotateLeftMacro), kRotateRightMacro);
    const int net = (lefts - rights) % 4;  // keeps the sign: -3 to 3
    std::string macros;
    switch (net) {
        case 1:
        case -3: macros = kRotateLeftMacro; break;
        case 2:
        case -2:
            macros = left ? kRotateLeftMacro : kRotateRightMacro;
            macros += macros;
            break;
        case 3:
        case -1: macros = kRotateRightMacro; break;
        default: break;
    }
    // The macros must stay within the part of the file that is read.
    if (!tail.empty() && text.size() + macros.size() > kCommentByteLimit) return macros + text + std::string(tail);
    return text + macros + std::string(tail);
}

bool WriteRotationMacro(const std::string& photoPath, bool left) {
    if (photoPath.empty()) return false;
    const std::string file = AttachedCommentFile(photoPath);
    std::string bytes;
    struct stat st {};
    if (stat(file.c_str(), &st) == 0) {
        // An existing file that cannot be read is never overwritten.
        auto content = ReadWholeFile(file);
        if (!content) return false;
        bytes = std::move(*content);
    }
    std::string_view head, tail;
    SplitCommentBytes(bytes, head, tail);
    std::string rewritten = RewriteRotationMacros(head, tail, left);
    if (rewritten.empty()) {
        if (bytes.empty() && !FileExists(file)) return false;
        return std::remove(file.c_str()) == 0;
    }
    if (rewritten == bytes) return false;
    return WriteFileAtomically(file, rewritten);
}

}  // namespace vellumo
