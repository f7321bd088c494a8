#include "comments/CommentSources.h"

#include "comments/CommentLimits.h"
#include "comments/DescriptIon.h"
#include "comments/RotationMacro.h"
#include "config/ScopeStack.h"
#include "config/Settings.h"
#include "platform/Paths.h"
#include "platform/TextCodec.h"

namespace vellumo {

namespace {

std::string Cut(std::string text) {
    if (text.size() > kCommentByteLimit) text.resize(CutUtf8(text, kCommentByteLimit).size());
    return text;
}

}  // namespace

std::string MergeComment(const std::string& gathered, const std::string& t, int order) {
    if (gathered.empty()) return Cut(t);
    switch (order) {
        case 1: return Cut(gathered + t);
        case 2: return Cut(t + gathered);
        default: return Cut(t);
    }
}

std::string GatherPhotoComment(const PhotoCommentSources& s) {
    std::string comment;
    if (s.includedMask & IncludedEmbedded) {
        // The decoders hand over the file's bytes: UTF-8, or the legacy code page.
        std::string_view bytes = s.embedded;
        comment = Cut(DecodeText(bytes.substr(0, bytes.find('\0')), LegacyCodePage(), nullptr));
    }
    if (!(s.order == 3 && !comment.empty()) && (s.includedMask & IncludedAttached) && !s.photoPath.empty()) {
        // An empty attached file adds nothing (it does not wipe the embedded text).
        std::string file = AttachedCommentFile(s.photoPath);
        std::string text = ReadCommentFile(file, kCommentByteLimit);
        if (!text.empty()) comment = MergeComment(comment, text, s.order);
    }
    if ((s.includedMask & IncludedDescriptIon) && s.descriptIon && s.descriptIon->hasData()) {
        std::string description = s.descriptIon->find(FileNameOf(s.photoPath));
        if (!description.empty()) comment = MergeComment(comment, description, s.order);
    }
    return comment;
}

std::string CombineComments(const std::string& photoComment, const std::string& scopeComments, int order) {
    switch (order) {
        case 1: return Cut(photoComment + scopeComments);
        case 2: return Cut(scopeComments + photoComment);
        case 3: return photoComment.empty() ? scopeComments : photoComment;
        case 4: return scopeComments.empty() ? photoComment : scopeComments;
        default: return {};
    }
}

}  // namespace vellumo
