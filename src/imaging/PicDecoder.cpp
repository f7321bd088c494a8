#include "imaging/PicDecoder.h"

namespace vellumo {

void CPicDecoder::RaiseError(int code, const std::string& message) {
    throw CTextException(code, "Decoder error: " + message + "\n");
}

int CPicDecoder::ChooseDestBpp(int sourceBpp, int destBpp) {
    if (destBpp == 0) return sourceBpp <= 8 ? 8 : 32;
    return destBpp <= 8 ? 8 : 32;
}

void CPicDecoder::CheckStop() const {
    if (stop_ && stop_->load(std::memory_order_relaxed)) RaiseError(ErrStopped, "Decoding stopped.");
}

void CPicDecoder::CreateBitmap(CBmp& bmp, std::int64_t width, std::int64_t height, int bpp, bool hasAlpha,
                               bool zeroFill) {
    if (width <= 0 || height <= 0 || width > INT32_MAX || height > INT32_MAX)
        RaiseError(ErrUnsupported, "Illegal picture size.");
    if (width * height > kPixelCap) RaiseError(ErrOutOfMemory, "out of memory");
    bmp.Create(static_cast<int>(width), static_cast<int>(height), bpp, hasAlpha, zeroFill);
}

void CPicDecoder::DecodeFile(const std::string& path, CBmp& bmp, int wantedBpp, ProgressSink* sink) {
    CFileSource source(sink);
    const int code = source.OpenFile(path);
    if (code == ErrOutOfMemory) RaiseError(code, "out of memory");
    if (code != 0) RaiseError(code, "Opening " + path + " failed");
    DecodeSource(source, bmp, wantedBpp);
    source.Close();
}

void CPicDecoder::DecodeSource(CDataSource& source, CBmp& bmp, int wantedBpp) {
    int destBpp = wantedBpp;
    std::vector<RGBAPixel> palette;
    colourProfile_.reset();
    coloursConverted_ = false;
    DecodeFormat(bmp, palette, destBpp, source);
}

void CPicDecoder::DecodeFormat(CBmp&, std::vector<RGBAPixel>&, int&, CDataSource&) {}

}  // namespace vellumo
