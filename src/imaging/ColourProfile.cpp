#include "imaging/ColourProfile.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <thread>

#include <lcms2.h>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "imaging/OverRows.h"

namespace vellumo {

namespace {

// Profiles from files are parsed with a context of our own whose errors go
// nowhere: a damaged profile only means the photo counts as sRGB.
cmsContext Context() {
    static cmsContext context = [] {
        cmsContext c = cmsCreateContext(nullptr, nullptr);
        cmsSetLogErrorHandlerTHR(c, [](cmsContext, cmsUInt32Number, const char*) {});
        return c;
    }();
    return context;
}

struct ProfileCloser {
    void operator()(void* p) const { cmsCloseProfile(p); }
};
using ProfileHandle = std::unique_ptr<void, ProfileCloser>;
struct TransformDeleter {
    void operator()(void* t) const { cmsDeleteTransform(t); }
};
using TransformHandle = std::unique_ptr<void, TransformDeleter>;

ProfileHandle Open(const ColourProfile& profile) {
    if (profile.IsSrgb()) return ProfileHandle(cmsCreate_sRGBProfileTHR(Context()));
    return ProfileHandle(cmsOpenProfileFromMemTHR(Context(), profile.Icc().data(),
                                                  static_cast<cmsUInt32Number>(profile.Icc().size())));
}

TransformHandle Transform(const ProfileHandle& from, cmsUInt32Number fromFormat, const ProfileHandle& to,
                          cmsUInt32Number toFormat, cmsUInt32Number flags = 0) {
    return TransformHandle(cmsCreateTransformTHR(Context(), from.get(), fromFormat, to.get(), toFormat,
                                                 INTENT_PERCEPTUAL, flags | cmsFLAGS_NOCACHE));
}

// Steps of the linear light between the sum of the matrix and the output
// curve: enough that an sRGB-like curve stays within a level near black.
constexpr int kLinearSteps = 1 << 14;
constexpr int kLinearMax = kLinearSteps - 1;

// How one conversion is done.
struct Conversion {
    enum class Kind {
        Unusable,  // the source profile cannot be used
        Keep,      // nothing changes: sRGB to sRGB, or a target that cannot be used
        Matrix,    // both profiles are curves and a matrix: tables
        Gray,      // a gray source: one colour per gray value
        Lcms,      // anything else, pixel by pixel through Little CMS
    };
    Kind kind = Kind::Unusable;
    // Matrix: what each red, green and blue value adds to the red, green and
    // blue linear light of the target, in steps of 1 / kLinearMax; then the
    // target's value of each step of each channel.
    std::array<std::array<std::int32_t, 4>, 256> in[3];
    std::vector<std::uint8_t> out[3];
    // The tables of red, green and blue: one for all three when the
    // target's curves are the same, so the tables stay in the first cache.
    const std::uint8_t* outOf[3] = {};
    // Gray: blue, green, red of each gray value.
    std::array<std::array<std::uint8_t, 3>, 256> gray;
    TransformHandle transform;  // Lcms: BGRA to BGRA, the fourth byte copied
};

inline int Step(std::int32_t v) { return std::clamp<std::int32_t>(v, 0, kLinearMax); }

#if defined(__SSE2__)
// Two pixels a step: the three contributions of each added as four lanes,
// both sums packed and clamped to the steps at once.
int MatrixPairs(const Conversion& c, std::uint8_t* p, int count) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i top = _mm_set1_epi16(kLinearMax);
    auto sum = [&c](const std::uint8_t* q) {
        const __m128i r = _mm_loadu_si128(reinterpret_cast<const __m128i*>(c.in[0][q[2]].data()));
        const __m128i g = _mm_loadu_si128(reinterpret_cast<const __m128i*>(c.in[1][q[1]].data()));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(c.in[2][q[0]].data()));
        return _mm_add_epi32(_mm_add_epi32(r, g), b);
    };
    const std::uint8_t* red = c.outOf[0];
    const std::uint8_t* green = c.outOf[1];
    const std::uint8_t* blue = c.outOf[2];
    int done = 0;
    for (; done + 2 <= count; done += 2, p += 8) {
        __m128i steps = _mm_packs_epi32(sum(p), sum(p + 4));
        steps = _mm_min_epi16(_mm_max_epi16(steps, zero), top);
        p[2] = red[_mm_extract_epi16(steps, 0)];
        p[1] = green[_mm_extract_epi16(steps, 1)];
        p[0] = blue[_mm_extract_epi16(steps, 2)];
        p[6] = red[_mm_extract_epi16(steps, 4)];
        p[5] = green[_mm_extract_epi16(steps, 5)];
        p[4] = blue[_mm_extract_epi16(steps, 6)];
    }
    return done;
}
#else
int MatrixPairs(const Conversion&, std::uint8_t*, int) { return 0; }
#endif

void ConvertRow(const Conversion& c, std::uint8_t* p, int count) {
    switch (c.kind) {
        case Conversion::Kind::Matrix: {
            const int done = MatrixPairs(c, p, count);
            p += 4 * static_cast<std::ptrdiff_t>(done);
            count -= done;
            for (std::uint8_t* end = p + 4 * static_cast<std::ptrdiff_t>(count); p != end; p += 4) {
                const std::int32_t* r = c.in[0][p[2]].data();
                const std::int32_t* g = c.in[1][p[1]].data();
                const std::int32_t* b = c.in[2][p[0]].data();
                const std::int32_t red = r[0] + g[0] + b[0];
                const std::int32_t green = r[1] + g[1] + b[1];
                const std::int32_t blue = r[2] + g[2] + b[2];
                p[2] = c.outOf[0][Step(red)];
                p[1] = c.outOf[1][Step(green)];
                p[0] = c.outOf[2][Step(blue)];
            }
            break;
        }
        case Conversion::Kind::Gray:
            for (std::uint8_t* end = p + 4 * static_cast<std::ptrdiff_t>(count); p != end; p += 4) {
                const auto& v = c.gray[p[1]];
                p[0] = v[0];
                p[1] = v[1];
                p[2] = v[2];
            }
            break;
        case Conversion::Kind::Lcms:
            cmsDoTransform(c.transform.get(), p, p, static_cast<cmsUInt32Number>(count));
            break;
        default:
            break;
    }
}

// The grid of colours a conversion is checked on.
std::vector<std::uint8_t> CheckColours() {
    static const std::uint8_t levels[] = {0, 1, 3, 8, 20, 40, 64, 96, 128, 160, 192, 224, 250, 255};
    std::vector<std::uint8_t> rgb;
    for (std::uint8_t r : levels)
        for (std::uint8_t g : levels)
            for (std::uint8_t b : levels) rgb.insert(rgb.end(), {r, g, b});
    return rgb;
}

bool Within(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b, int levels) {
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::abs(int(a[i]) - int(b[i])) > levels) return false;
    return true;
}

// The tables of a conversion between two profiles of curves and a matrix,
// made with Little CMS: the source into the target's linear light (where
// the three channels add up), and that light through the target's curves.
// False when the tables do not give what Little CMS gives.
bool BuildMatrix(Conversion& c, const ColourProfile& target, const ProfileHandle& source,
                 const std::vector<std::uint8_t>& colours, const std::vector<std::uint8_t>& expected) {
    ProfileHandle linear = Open(target);
    if (!linear) return false;
    cmsToneCurve* straight = cmsBuildGamma(Context(), 1.0);
    if (!straight) return false;
    const bool written = cmsWriteTag(linear.get(), cmsSigRedTRCTag, straight) &&
                         cmsWriteTag(linear.get(), cmsSigGreenTRCTag, straight) &&
                         cmsWriteTag(linear.get(), cmsSigBlueTRCTag, straight);
    cmsFreeToneCurve(straight);
    ProfileHandle screen = Open(target);
    if (!written || !screen) return false;
    TransformHandle toLight = Transform(source, TYPE_RGB_FLT, linear, TYPE_RGB_FLT);
    TransformHandle fromLight = Transform(linear, TYPE_RGB_FLT, screen, TYPE_RGB_FLT);
    if (!toLight || !fromLight) return false;

    // Each value of each channel alone, the others 0; black once.
    std::vector<float> ramps(3 * 256 * 3 + 3, 0.0f);
    for (int ch = 0; ch < 3; ++ch)
        for (int v = 0; v < 256; ++v) ramps[static_cast<std::size_t>((ch * 256 + v) * 3 + ch)] = static_cast<float>(v) / 255.0f;
    std::vector<float> light(ramps.size());
    cmsDoTransform(toLight.get(), ramps.data(), light.data(), static_cast<cmsUInt32Number>(ramps.size() / 3));
    const float* black = &light[light.size() - 3];
    for (int ch = 0; ch < 3; ++ch)
        for (int v = 0; v < 256; ++v)
            for (int k = 0; k < 3; ++k) {
                // Black's light goes with the red table only, so the three add up to it once.
                float value = light[static_cast<std::size_t>((ch * 256 + v) * 3 + k)];
                if (ch > 0) value -= black[k];
                c.in[ch][static_cast<std::size_t>(v)][static_cast<std::size_t>(k)] =
                    static_cast<std::int32_t>(std::lround(std::clamp(value, -4.0f, 4.0f) * kLinearMax));
            }

    std::vector<float> steps(static_cast<std::size_t>(kLinearSteps) * 3);
    for (int i = 0; i < kLinearSteps; ++i)
        for (int k = 0; k < 3; ++k) steps[static_cast<std::size_t>(i * 3 + k)] = static_cast<float>(i) / kLinearMax;
    std::vector<float> encoded(steps.size());
    cmsDoTransform(fromLight.get(), steps.data(), encoded.data(), kLinearSteps);
    for (int k = 0; k < 3; ++k) {
        c.out[k].resize(kLinearSteps);
        for (int i = 0; i < kLinearSteps; ++i) {
            const float v = std::clamp(encoded[static_cast<std::size_t>(i * 3 + k)], 0.0f, 1.0f);
            c.out[k][static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(std::lround(v * 255.0f));
        }
    }
    const bool oneCurve = c.out[1] == c.out[0] && c.out[2] == c.out[0];
    for (int k = 0; k < 3; ++k) {
        if (oneCurve && k > 0) c.out[k].clear();
        c.outOf[k] = c.out[oneCurve ? 0 : k].data();
    }

    c.kind = Conversion::Kind::Matrix;
    std::vector<std::uint8_t> bgra;
    for (std::size_t i = 0; i < colours.size(); i += 3) bgra.insert(bgra.end(), {colours[i + 2], colours[i + 1], colours[i], 255});
    ConvertRow(c, bgra.data(), static_cast<int>(bgra.size() / 4));
    std::vector<std::uint8_t> got;
    for (std::size_t i = 0; i < bgra.size(); i += 4) got.insert(got.end(), {bgra[i + 2], bgra[i + 1], bgra[i]});
    return Within(got, expected, 2);
}

std::shared_ptr<Conversion> BuildConversion(const ColourProfile& sourceProfile, const ColourProfile& targetProfile) {
    auto c = std::make_shared<Conversion>();
    ProfileHandle target = Open(targetProfile);
    if (!target || cmsGetColorSpace(target.get()) != cmsSigRgbData) {
        c->kind = Conversion::Kind::Keep;
        return c;
    }
    ProfileHandle source = Open(sourceProfile);
    if (!source) return c;
    const cmsColorSpaceSignature space = cmsGetColorSpace(source.get());
    if (space == cmsSigGrayData) {
        TransformHandle t = Transform(source, TYPE_GRAY_8, target, TYPE_BGR_8);
        if (!t) return c;
        std::array<std::uint8_t, 256> grays;
        for (int v = 0; v < 256; ++v) grays[static_cast<std::size_t>(v)] = static_cast<std::uint8_t>(v);
        cmsDoTransform(t.get(), grays.data(), c->gray.data(), 256);
        bool same = true;
        for (int v = 0; v < 256; ++v)
            for (std::uint8_t k : c->gray[static_cast<std::size_t>(v)]) same = same && std::abs(int(k) - v) <= 1;
        c->kind = same ? Conversion::Kind::Keep : Conversion::Kind::Gray;
        return c;
    }
    if (space != cmsSigRgbData) return c;
    TransformHandle direct = Transform(source, TYPE_RGB_8, target, TYPE_RGB_8);
    if (!direct) return c;
    const std::vector<std::uint8_t> colours = CheckColours();
    std::vector<std::uint8_t> expected(colours.size());
    cmsDoTransform(direct.get(), colours.data(), expected.data(), static_cast<cmsUInt32Number>(colours.size() / 3));
    // A profile that only restates sRGB (or the screen's own): the pixels stay.
    if (Within(colours, expected, 1)) {
        c->kind = Conversion::Kind::Keep;
        return c;
    }
    if (cmsIsMatrixShaper(source.get()) && cmsIsMatrixShaper(target.get()) &&
        BuildMatrix(*c, targetProfile, source, colours, expected))
        return c;
    c->transform = Transform(source, TYPE_BGRA_8, target, TYPE_BGRA_8, cmsFLAGS_COPY_ALPHA);
    c->kind = c->transform ? Conversion::Kind::Lcms : Conversion::Kind::Unusable;
    return c;
}

// The conversions made, newest last.
struct Kept {
    ColourProfile source, target;
    std::shared_ptr<const Conversion> conversion;
};
constexpr std::size_t kKeptConversions = 16;

struct KeptConversions {
    std::mutex lock;
    std::vector<Kept> kept;
};

std::shared_ptr<const Conversion> ConversionFor(const ColourProfile& source, const ColourProfile& target) {
    // Never destroyed: workers left to finish on their own may still convert at exit.
    static auto* conversions = new KeptConversions;
    std::lock_guard<std::mutex> hold(conversions->lock);
    std::vector<Kept>& kept = conversions->kept;
    for (const Kept& k : kept)
        if (k.source == source && k.target == target) return k.conversion;
    std::shared_ptr<const Conversion> made = BuildConversion(source, target);
    if (kept.size() >= kKeptConversions) kept.erase(kept.begin());
    kept.push_back({source, target, made});
    return made;
}

std::uint64_t HashOf(const std::vector<std::uint8_t>& bytes) {
    std::uint64_t h = 14695981039346656037ull;
    for (std::uint8_t b : bytes) h = (h ^ b) * 1099511628211ull;
    return h | 1;  // never 0, the key of sRGB
}

}  // namespace

ColourProfile::ColourProfile(std::vector<std::uint8_t> icc) : icc_(std::move(icc)) {
    if (!icc_.empty()) key_ = HashOf(icc_);
}

const ColourProfilePtr& SrgbProfile() {
    // Never destroyed, as the conversions kept.
    static const auto* srgb = new ColourProfilePtr(std::make_shared<const ColourProfile>());
    return *srgb;
}

bool SameProfile(const ColourProfilePtr& a, const ColourProfilePtr& b) {
    if (!a || !b) return !a && !b;
    return *a == *b;
}

namespace {

// The conversion that changes colours from source to target; null for none.
std::shared_ptr<const Conversion> Resolve(const ColourProfile& source, const ColourProfile& target) {
    if (source.IsSrgb() && target.IsSrgb()) return nullptr;
    std::shared_ptr<const Conversion> c = ConversionFor(source, target);
    if (c->kind == Conversion::Kind::Unusable) return source.IsSrgb() ? nullptr : Resolve(*SrgbProfile(), target);
    return c->kind == Conversion::Kind::Keep ? nullptr : c;
}

}  // namespace

// Rows handed to the converting thread at a time: some 300 KB of a large
// photo's rows, converted while they are still in the cache.
constexpr int kRowBatch = 16;

struct RowConversion::State {
    std::shared_ptr<const Conversion> conversion;
    std::uint8_t* const* lines = nullptr;
    int width = 0, height = 0;
    std::mutex lock;
    std::condition_variable wake;
    int ready = 0;      // rows written
    int told = 0;       // rows handed over (on the decoding thread only)
    bool stop = false;  // the rows are no longer wanted
    std::thread worker;

    void Run() {
        for (int next = 0; next < height;) {
            int upTo = 0;
            {
                std::unique_lock<std::mutex> hold(lock);
                wake.wait(hold, [&] { return stop || ready > next; });
                if (stop) return;
                upTo = ready;
            }
            for (; next < upTo; ++next) ConvertRow(*conversion, lines[next], width);
        }
    }
};

RowConversion::RowConversion(const ColourProfile& source, const ColourProfile& target)
    : state_(std::make_unique<State>()) {
    state_->conversion = Resolve(source, target);
}

RowConversion::~RowConversion() {
    if (!state_->worker.joinable()) return;
    {
        std::lock_guard<std::mutex> hold(state_->lock);
        state_->stop = true;
    }
    state_->wake.notify_one();
    state_->worker.join();
}

bool RowConversion::Active() const { return state_->conversion != nullptr; }

void RowConversion::Start(std::uint8_t* const* lines, int width, int height) {
    if (!Active() || state_->worker.joinable()) return;
    state_->lines = lines;
    state_->width = width;
    state_->height = height;
    state_->worker = std::thread([state = state_.get()] { state->Run(); });
}

void RowConversion::RowsReady(int rows) {
    if (!state_->worker.joinable()) return;
    rows = std::min(rows, state_->height);
    // Rows are handed over in batches: a wake-up for every row of a large
    // photo costs the two cores more than converting it.
    if (rows < state_->height && rows - state_->told < kRowBatch) return;
    state_->told = rows;
    {
        std::lock_guard<std::mutex> hold(state_->lock);
        state_->ready = rows;
    }
    state_->wake.notify_one();
}

void RowConversion::Finish() {
    if (!state_->worker.joinable()) return;
    RowsReady(state_->height);
    state_->worker.join();
}

bool ConvertColours(CBmp& bmp, const ColourProfile& source, const ColourProfile& target) {
    std::shared_ptr<const Conversion> c = Resolve(source, target);
    if (!c) return false;
    if (bmp.GetBitsPerPixel() != 32) {
        if (RGBAPixel* palette = bmp.GetPalette()) {
            ConvertRow(*c, reinterpret_cast<std::uint8_t*>(palette), bmp.GetPaletteSize());
            bmp.MarkChanged();
        }
        return true;
    }
    std::uint8_t* const* lines = bmp.GetLineArray();
    const int width = bmp.GetWidth();
    OverRows(bmp.GetHeight(), std::int64_t{width} * bmp.GetHeight(), [&](int first, int end) {
        for (int y = first; y < end; ++y) ConvertRow(*c, lines[y], width);
    });
    return true;
}

}  // namespace vellumo
