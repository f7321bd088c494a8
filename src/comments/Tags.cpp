#include "comments/Tags.h"

#include <vector>

#include "platform/TextCompare.h"

namespace vellumo {

namespace {

// Up to this many characters after "<" (and "/" and "!") are compared with the names.
constexpr size_t kNameWindow = 15;

bool IsWhite(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

struct Tag {
    bool found = false;
    bool closing = false;
    bool negated = false;
    TagKind kind = TagKind::Other;
    size_t end = 0;  // position after the ">"
};

class TagScanner {
public:
    TagScanner(std::string_view text, const TagState& state) : text_(text), state_(state) {
        language_ = ToUpperAscii(state.languageName);
        // For every position, the first ">" or white space at or after it: one
        // pass, so looking for the ">" of a tag costs nothing per "<".
        stop_.resize(text.size() + 1, text.size());
        for (size_t i = text.size(); i-- > 0;)
            stop_[i] = (text[i] == '>' || IsWhite(text[i])) ? i : stop_[i + 1];
    }

    Tag parse(size_t lt) const {
        Tag tag;
        size_t p = lt + 1;
        if (p < text_.size() && text_[p] == '/') {
            tag.closing = true;
            ++p;
        }
        if (p < text_.size() && text_[p] == '!') {
            tag.negated = true;
            ++p;
        }
        const std::string taken = ToUpperAscii(text_.substr(p, WindowBytes(p)));
        const std::string_view names[] = {"REM", language_, "SLIDESHOW", "SOUND", "MUSIC"};
        for (int k = 0; k < 5; ++k) {
            std::string_view name = names[k];
            if (name.empty() || !std::string_view(taken).starts_with(name)) continue;
            size_t after = p + name.size();
            if (after < text_.size() && text_[after] == '>') {
                tag.found = true;
                tag.kind = static_cast<TagKind>(k + 1);
                tag.end = after + 1;
                return tag;
            }
            break;  // the first name that fits decides
        }
        size_t stop = stop_[p];
        if (stop < text_.size() && text_[stop] == '>') {
            tag.found = true;
            tag.kind = TagKind::Other;
            tag.end = stop + 1;
        }
        return tag;
    }

    // The bytes of up to kNameWindow characters from p.
    size_t WindowBytes(size_t p) const {
        size_t end = p, characters = 0;
        while (end < text_.size()) {
            if ((static_cast<unsigned char>(text_[end]) & 0xC0) != 0x80 && characters++ == kNameWindow) break;
            ++end;
        }
        return end - p;
    }

    bool holds(TagKind kind, bool negated) const {
        bool condition = false;
        switch (kind) {
            case TagKind::Other: return false;
            case TagKind::Rem: condition = false; break;
            case TagKind::Language: condition = true; break;
            case TagKind::Slideshow: condition = state_.slideshowRunning; break;
            case TagKind::Sound: condition = state_.soundCommentsOn; break;
            case TagKind::Music: condition = state_.musicPlaying; break;
        }
        return negated ? !condition : condition;
    }

private:
    std::string_view text_;
    const TagState& state_;
    std::string language_;
    std::vector<size_t> stop_;
};

struct Level {
    bool emit;
    TagKind kind;
    bool negated;
};

}  // namespace

std::string ApplyTags(std::string_view text, const TagState& state) {
    TagScanner scanner(text, state);
    std::string out;
    out.reserve(text.size());
    // Open tags as a stack instead of recursion: any number of unclosed tags is fine.
    std::vector<Level> levels{{true, TagKind::Other, false}};
    size_t pos = 0;
    while (pos < text.size()) {
        const bool emit = levels.back().emit;
        size_t lt = text.find('<', pos);
        if (lt == std::string_view::npos) {
            if (emit) out.append(text.substr(pos));
            break;
        }
        if (emit) out.append(text.substr(pos, lt - pos));
        Tag tag = scanner.parse(lt);
        if (!tag.found) {
            if (emit) out.push_back('<');
            pos = lt + 1;
            continue;
        }
        pos = tag.end;
        if (!tag.closing) {
            levels.push_back({emit && scanner.holds(tag.kind, tag.negated), tag.kind, tag.negated});
        } else if (levels.size() > 1 && levels.back().kind == tag.kind && levels.back().negated == tag.negated) {
            levels.pop_back();
        }
        // Any other closing tag is dropped.
    }
    return out;
}

}  // namespace vellumo
