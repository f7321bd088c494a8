#include <gtest/gtest.h>

#include <algorithm>
#include <thread>
#include <vector>

#include "platform/TextCodec.h"
#include "platform/TextCompare.h"

using namespace vellumo;

TEST(TextCompare, FoldsCaseOverUnicodeAndSortsStably) {
    EXPECT_EQ(CompareNoCase("abc", "ABC"), 0);
    EXPECT_EQ(CompareNoCase("Ärger", "ärger"), 0);
    EXPECT_EQ(CompareNoCase("ПРИВЕТ", "привет"), 0);
    EXPECT_LT(CompareNoCase("a", "B"), 0);
    EXPECT_LT(CompareNoCase("img1", "IMG10"), 0);
    EXPECT_GT(CompareNoCase("b", "A"), 0);
    EXPECT_LT(CompareNoCase("", "a"), 0);
    std::vector<std::string> names{"b.jpg", "A.jpg", "c.JPG", "a2.jpg"};
    std::sort(names.begin(), names.end(), LessNoCase{});
    EXPECT_EQ(names, (std::vector<std::string>{"A.jpg", "a2.jpg", "b.jpg", "c.JPG"}));
}

TEST(TextCompare, InvalidBytesCompareWithoutCrashing) {
    std::string bad1 = "a\xff", bad2 = "A\xff", bad3 = "a\xc3";
    EXPECT_EQ(CompareNoCase(bad1, bad2), 0);
    EXPECT_NE(CompareNoCase(bad1, bad3), 0);
    EXPECT_EQ(ToLowerUtf8("AB\xff\xc3\x84"), "ab\xff\xc3\xa4");
}

// Sorting by keys must give exactly the order of the comparison: across
// ASCII, letters of other scripts, characters above the first plane and
// bytes that are no UTF-8, in every pair.
TEST(TextCompare, SortKeysOrderAsTheComparisonDoes) {
    const std::vector<std::string> pieces{"a", "B", "z", "_", "0", "\xc3\x84", "\xc3\xa4", "\xc3\x9f",
                                          "\xce\xa9", "\xf0\x9f\x98\x80", "\xff", "\x80", "\xc3", "~", ""};
    std::vector<std::string> names;
    for (const auto& a : pieces)
        for (const auto& b : pieces)
            for (const auto& c : {std::string(), std::string("x"), std::string("\xe2\x82\xac")}) names.push_back(a + b + c);
    int wrong = 0;
    for (const auto& a : names) {
        const std::string ka = FoldedSortKey(a);
        for (const auto& b : names) {
            const int c = CompareNoCase(a, b);
            const int k = ka.compare(FoldedSortKey(b));
            if ((c < 0) != (k < 0) || (c == 0) != (k == 0)) ++wrong;
        }
    }
    EXPECT_EQ(wrong, 0);
}

TEST(TextCompare, IsSafeFromManyThreads) {
    std::vector<std::thread> threads;
    std::atomic<int> mismatches{0};
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&] {
            for (int i = 0; i < 2000; ++i)
                if (CompareNoCase("Ölbild", "ölBILD") != 0) ++mismatches;
        });
    for (auto& th : threads) th.join();
    EXPECT_EQ(mismatches, 0);
}

TEST(TextCompare, AsciiHelpers) {
    EXPECT_TRUE(EqualsAsciiNoCase("DESCRIPT.ION", "descript.ion"));
    EXPECT_FALSE(EqualsAsciiNoCase("Ä", "ä"));
    EXPECT_EQ(FindAsciiNoCase("c:\\X.INI", ".ini"), 4u);
    EXPECT_EQ(FindAsciiNoCase("abc", "abcd"), std::string::npos);
}

TEST(TextCodec, Utf8StaysAndLegacyBytesAreDecodedFromTheCodePage) {
    TextEncoding enc;
    EXPECT_EQ(DecodeText("Gr\xc3\xbc\xc3\x9f", "CP1252", &enc), "Gr\xc3\xbc\xc3\x9f");
    EXPECT_EQ(enc.name, "UTF-8");
    EXPECT_EQ(DecodeText("Gr\xfc\xdf", "CP1252", &enc), "Gr\xc3\xbc\xc3\x9f");
    EXPECT_EQ(enc.name, "CP1252");
    EXPECT_EQ(DecodeText("\xcf\xf0\xe8", "CP1251", &enc), "\xd0\x9f\xd1\x80\xd0\xb8");  // "При"
    // Bytes CP1252 leaves undefined do not stop the decoding.
    std::string s = DecodeText("a\x81z", "CP1252", &enc);
    EXPECT_EQ(s.front(), 'a');
    EXPECT_EQ(s.back(), 'z');
}

TEST(TextCodec, RoundTripsKeepTheFileEncoding) {
    TextEncoding enc;
    std::string text = DecodeText("\xEF\xBB\xBFk=\xc3\xa4", "CP1252", &enc);
    EXPECT_EQ(text, "k=\xc3\xa4");
    EXPECT_TRUE(enc.byteOrderMark);
    EXPECT_EQ(EncodeText(text, enc), "\xEF\xBB\xBFk=\xc3\xa4");
    EXPECT_EQ(EncodeText("\xc3\xa4\xe2\x82\xac", TextEncoding{"CP1252", false}), "\xe4\x80");
    // A character the code page lacks becomes "?" instead of failing the write.
    EXPECT_EQ(EncodeText("a\xe4\xb8\xad" "b", TextEncoding{"CP1252", false}), "a?b");
}

TEST(TextCodec, CharSetNamesAndCutting) {
    EXPECT_EQ(CodePageForCharSet("RUSSIAN"), "CP1251");
    EXPECT_EQ(CodePageForCharSet("EASTEUROPE"), "CP1250");
    EXPECT_EQ(CodePageForCharSet("nonsense"), "CP1252");
    EXPECT_EQ(CutUtf8("ab\xc3\xa4", 3), "ab");
    EXPECT_EQ(CutUtf8("ab\xc3\xa4", 4), "ab\xc3\xa4");
    EXPECT_EQ(CutUtf8("abc", 0), "");
}
