#pragma once
// Helpers for the imaging tests: byte builders, temporary files, decoding.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "imaging/AnyPicDecoder.h"
#include "imaging/WinBmp.h"

namespace vellumo::test {

using Bytes = std::vector<std::uint8_t>;

inline void Put8(Bytes& b, int v) { b.push_back(static_cast<std::uint8_t>(v)); }
inline void Put16(Bytes& b, int v) {
    Put8(b, v & 0xFF);
    Put8(b, (v >> 8) & 0xFF);
}
inline void Put32(Bytes& b, std::uint32_t v) {
    Put16(b, static_cast<int>(v & 0xFFFF));
    Put16(b, static_cast<int>(v >> 16));
}
inline void PutBytes(Bytes& b, const Bytes& more) { b.insert(b.end(), more.begin(), more.end()); }

// A folder that is removed with everything in it.
class TempDir {
public:
    TempDir() {
        char pattern[] = "/tmp/vellumo-imaging-XXXXXX";
        path_ = mkdtemp(pattern);
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::permissions(path_, std::filesystem::perms::owner_all, ec);
        std::filesystem::remove_all(path_, ec);
    }
    std::string File(const std::string& name) const { return path_ + "/" + name; }
    std::string Write(const std::string& name, const Bytes& data) const {
        const std::string p = File(name);
        std::ofstream(p, std::ios::binary).write(reinterpret_cast<const char*>(data.data()),
                                                 static_cast<std::streamsize>(data.size()));
        return p;
    }
    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

inline Bytes ReadFile(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
}

struct DecodeResult {
    bool ok = false;
    int code = 0;
    std::string error;
    std::string text;
};

// Decodes bytes with CAnyPicDecoder into bmp, reduced towards sizeHint when
// given (showing first pictures to preview, if any).
inline DecodeResult DecodeBytes(const Bytes& data, CBmp& bmp, int wantedBpp = 0, int sizeHint = 0,
                                PreviewSink* preview = nullptr) {
    CAnyPicDecoder decoder;
    decoder.SetSizeHint(sizeHint);
    decoder.SetPreviewSink(preview);
    CMemorySource source;
    source.OpenBytes("memory", data.data(), data.size());
    DecodeResult r;
    try {
        decoder.DecodeSource(source, bmp, wantedBpp);
        r.ok = true;
        r.text = decoder.GetText();
    } catch (const CTextException& e) {
        r.code = e.GetCode();
        r.error = e.GetErrorText();
    }
    return r;
}

inline DecodeResult DecodeBytes(const Bytes& data) {
    CDrawDibBmp bmp;
    return DecodeBytes(data, bmp);
}

inline std::string Err(const std::string& message) { return "Decoder error: " + message + "\n"; }

inline RGBAPixel Px(const CBmp& bmp, int x, int y) { return bmp.GetPixel(x, y); }

// Every prefix-truncated and byte-corrupted variant must decode or fail with
// a code, never crash (sanitizers check the rest).
inline void ExpectRobust(const Bytes& data, std::size_t step = 1) {
    for (std::size_t n = 0; n < data.size(); n += step) {
        Bytes cut(data.begin(), data.begin() + static_cast<std::ptrdiff_t>(n));
        DecodeResult r = DecodeBytes(cut);
        if (!r.ok) {
            EXPECT_NE(r.code, 0);
        }
    }
    std::uint32_t seed = 12345;
    for (int round = 0; round < 200; ++round) {
        Bytes bad = data;
        for (int k = 0; k < 4; ++k) {
            seed = seed * 1103515245u + 12345u;
            const std::size_t pos = (seed >> 8) % bad.size();
            seed = seed * 1103515245u + 12345u;
            bad[pos] = static_cast<std::uint8_t>(seed >> 16);
        }
        DecodeResult r = DecodeBytes(bad);
        if (!r.ok) {
            EXPECT_NE(r.code, 0);
        }
    }
}

}  // namespace vellumo::test
