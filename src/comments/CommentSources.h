#pragma once
// Where a photo's comment comes from and how the texts are combined.
//
// Six sources, chosen by the IncludedMask (the letters of CommentsIncluded):
// the photo level (e embedded text of the image file, a attached "photo.txt",
// d the photo's descript.ion line) gathered here on every photo shown, and
// the scope level (f folder, s script, g archive comment files) gathered by
// the settings scope chain. CommentsOrder says how they combine:
//   1 photo level first, then the scopes from the innermost outwards;
//   2 the scopes from the archive inwards, then the photo level;
//   3 the first non-empty text from the photo outwards;
//   4 the first non-empty text from the archive inwards.
// Texts are joined without a separator and cut to 1023 bytes (whole characters).
#include <string>

namespace vellumo {

class DescriptIon;

// Joins a new photo-level text t onto the gathered one by the order: the
// first text as it is; then 1 appends, 2 prepends, 3 and 4 replace.
std::string MergeComment(const std::string& gathered, const std::string& t, int order);

struct PhotoCommentSources {
    int includedMask = 0;
    int order = 1;
    std::string embedded;            // the decoder's embedded text
    std::string photoPath;           // the photo's full path
    const DescriptIon* descriptIon;  // the folder's data (may be empty)
};

// The photo-level comment. With order 3 a non-empty embedded text keeps the
// attached file from being read (a descript.ion line still replaces it).
std::string GatherPhotoComment(const PhotoCommentSources& sources);

// The text before macros and tags: photo level and scope level by the order;
// any other order gives "".
std::string CombineComments(const std::string& photoComment, const std::string& scopeComments, int order);

}  // namespace vellumo
