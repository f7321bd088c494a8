#include "imaging/DataSource.h"

#include <algorithm>
#include <cstring>

#include "imaging/Bmp.h"
#include "imaging/TextException.h"

namespace vellumo {

void CDataSource::Open(const std::string& name, std::int64_t size) {
    name_ = name;
    fileSize_ = size;
    consumed_ = 0;
}

void CDataSource::Close() {
    if (sink_) sink_->OnProgress(1.0);
    name_.clear();
}

const std::uint8_t* CDataSource::ReadBytes(std::size_t n) {
    const std::int64_t before = consumed_;
    // Saturate: a count beyond any file size is past the end anyway.
    const std::int64_t add = n > static_cast<std::size_t>(INT64_MAX / 2) ? INT64_MAX / 2 : static_cast<std::int64_t>(n);
    consumed_ = std::min<std::int64_t>(before + add, INT64_MAX / 2);
    if (sink_ && consumed_ / 1024 > before / 1024 && fileSize_ > 0)
        sink_->OnProgress(static_cast<double>(consumed_) / static_cast<double>(fileSize_));
    if (consumed_ > fileSize_) {
        consumed_ = before;  // the position stays where the data ends
        throw CTextException(ErrEndOfFile, "End of file reached while decoding.\n");
    }
    return nullptr;
}

std::uint8_t* CMemorySource::Reserve(std::size_t size) {
    data_ = AllocateBlock(size + kPadding, false);
    // Filled at once by a read or a copy.
    if (size >= kPopulateFrom) PopulateForWriting(data_.get(), size);
    dataSize_ = size + kPadding;
    std::memset(data_.get() + size, 0, kPadding);
    return data_.get();
}

void CMemorySource::OpenBytes(const std::string& name, const std::uint8_t* data, std::size_t size) {
    std::uint8_t* p = Reserve(size);
    if (size) std::memcpy(p, data, size);
    Open(name, static_cast<std::int64_t>(size));
}

const std::uint8_t* CMemorySource::PeekBytes(std::size_t n) {
    const std::size_t pos = static_cast<std::size_t>(consumed_);
    if (pos + n <= dataSize_) return data_.get() + pos;
    peekScratch_.assign(n, 0);
    if (pos < dataSize_) std::memcpy(peekScratch_.data(), data_.get() + pos, dataSize_ - pos);
    return peekScratch_.data();
}

const std::uint8_t* CMemorySource::ReadBytes(std::size_t n) {
    const std::size_t pos = static_cast<std::size_t>(consumed_);
    CDataSource::ReadBytes(n);
    return data_.get() + pos;
}

const std::uint8_t* CMemorySource::ReadRemainder() { return data_.get() + consumed_; }

void CMemorySource::Close() {
    CDataSource::Close();
    data_.reset();
    dataSize_ = 0;
    peekScratch_.clear();
}

}  // namespace vellumo
