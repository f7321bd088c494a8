#pragma once
// CDataSource: the bytes a decoder reads, with the accounting that turns a
// read past the end into error 11. CFileSource reads a whole file into memory.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "imaging/Bmp.h"

namespace vellumo {

class ProgressSink {
public:
    virtual ~ProgressSink() = default;
    virtual void OnProgress(double fraction) = 0;
};

class CDataSource {
public:
    explicit CDataSource(ProgressSink* sink = nullptr) : sink_(sink) {}
    virtual ~CDataSource() = default;
    CDataSource(const CDataSource&) = delete;
    CDataSource& operator=(const CDataSource&) = delete;

    virtual void Open(const std::string& name, std::int64_t size);
    virtual void Close();
    // The bytes at the current position, nothing consumed. At least n bytes
    // may be read from the pointer; those beyond the end of the data read as 0.
    virtual const std::uint8_t* PeekBytes(std::size_t n) = 0;
    // Consumes n bytes and returns a pointer to them; throws CTextException
    // (11) when they go past the end.
    virtual const std::uint8_t* ReadBytes(std::size_t n);
    // The rest of the data from the current position (GetRemaining() bytes).
    virtual const std::uint8_t* ReadRemainder() = 0;

    const std::string& GetName() const { return name_; }
    std::int64_t GetFileSize() const { return fileSize_; }
    std::int64_t GetConsumed() const { return consumed_; }
    std::int64_t GetRemaining() const { return fileSize_ > consumed_ ? fileSize_ - consumed_ : 0; }
    ProgressSink* GetProgressSink() const { return sink_; }

protected:
    std::string name_;
    std::int64_t fileSize_ = 0;
    std::int64_t consumed_ = 0;
    ProgressSink* sink_ = nullptr;
};

// A data source over bytes in memory: a file read at once, or a buffer the
// caller owns (tests, fuzzing).
class CMemorySource : public CDataSource {
public:
    explicit CMemorySource(ProgressSink* sink = nullptr) : CDataSource(sink) {}
    // Copies the bytes.
    void OpenBytes(const std::string& name, const std::uint8_t* data, std::size_t size);

    const std::uint8_t* PeekBytes(std::size_t n) override;
    const std::uint8_t* ReadBytes(std::size_t n) override;
    const std::uint8_t* ReadRemainder() override;
    void Close() override;

protected:
    // Room for size bytes of data and the zero padding after them; returns
    // the start.
    std::uint8_t* Reserve(std::size_t size);

    // The data followed by zero padding, so small peeks past the end are safe.
    ByteBlock data_;
    std::size_t dataSize_ = 0;  // data and padding
    std::vector<std::uint8_t> peekScratch_;
    static constexpr std::size_t kPadding = 1024;
};

// The largest photo file read: 4 GiB.
constexpr std::uint64_t kMaxPhotoFileBytes = 4ull << 30;

class CFileSource : public CMemorySource {
public:
    explicit CFileSource(ProgressSink* sink = nullptr) : CMemorySource(sink) {}
    // Reads the whole regular file. Returns 0, or the error code: 3 a folder
    // of the path is missing, 4 no such file (or another open failure), 5 no
    // access, not a regular file, empty, or a read error, 10 (out of memory)
    // a file above kMaxPhotoFileBytes, refused before it is read.
    int OpenFile(const std::string& path);
};

}  // namespace vellumo
