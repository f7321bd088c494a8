#pragma once
// The exception every decoder throws on failure: a numeric code and a text.
#include <string>

namespace vellumo {

// Failure codes of the decoders, as GetCode() reports them.
enum DecoderErrorCode : int {
    ErrWrongSignature = 1,     // not this format, or the TIFF library refused the file
    ErrUnsupported = 2,        // a variant of the format this decoder does not handle
    ErrPathNotFound = 3,       // a folder of the path does not exist
    ErrFileNotFound = 4,       // the file does not exist (and any other open failure)
    ErrAccess = 5,             // access denied, not a regular file, empty, or reading failed
    ErrFormatNotSupported = 6, // no decoder for the format, a JPEG library error, an RLE delta
    ErrInternal = 7,           // the data contradicts itself (PCX runs, TIFF rows)
    ErrUnknownFileType = 8,    // no signature matched
    ErrOutOfMemory = 10,       // palette or buffer allocation failed, or the picture is too large
    ErrEndOfFile = 11,         // a read went past the end of the file
    ErrStopped = 12,           // the caller raised the stop flag while decoding
};

class CTextException {
public:
    CTextException(int code, std::string text) : code_(code), text_(std::move(text)) {}

    int GetCode() const { return code_; }
    const std::string& GetErrorText() const { return text_; }

private:
    int code_;
    std::string text_;
};

}  // namespace vellumo
