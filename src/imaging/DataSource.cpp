#include "imaging/DataSource.h"

#include <algorithm>
#include <cstring>

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

void CMemorySource::OpenBytes(const std::string& name, const std::uint8_t* data, std::size_t size) {
    data_.assign(size + kPadding, 0);
    if (size) std::memcpy(data_.data(), data, size);
    Open(name, static_cast<std::int64_t>(size));
}

const std::uint8_t* CMemorySource::PeekBytes(std::size_t n) {
    const std::size_t pos = static_cast<std::size_t>(consumed_);
    if (pos + n <= data_.size()) return data_.data() + pos;
    peekScratch_.assign(n, 0);
    if (pos < data_.size()) std::memcpy(peekScratch_.data(), data_.data() + pos, data_.size() - pos);
    return peekScratch_.data();
}

const std::uint8_t* CMemorySource::ReadBytes(std::size_t n) {
    const std::size_t pos = static_cast<std::size_t>(consumed_);
    CDataSource::ReadBytes(n);
    return data_.data() + pos;
}

const std::uint8_t* CMemorySource::ReadRemainder() { return data_.data() + consumed_; }

void CMemorySource::Close() {
    CDataSource::Close();
    data_.clear();
    data_.shrink_to_fit();
    peekScratch_.clear();
}

}  // namespace vellumo
