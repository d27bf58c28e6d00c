#include "model/text_file.h"

#include <gtest/gtest.h>

#include <string>

using namespace parvane::TextCodec;

TEST(TextCodec, Utf8CheckFindsAFaultAtAnyPlaceOfALongAsciiText) {
    // Long ASCII runs are checked 32 and eight bytes at a time: a fault or a character must
    // be seen wherever it falls against those steps, and ASCII after it must still be read.
    for (std::size_t at = 0; at < 72; ++at) {
        const std::string before(at, 'a');
        const std::string after(13 + at % 37, 'z');
        EXPECT_TRUE(IsValidUtf8(before + "\xc3\xa9" + after)) << at;
        EXPECT_TRUE(IsValidUtf8(before + "\xf0\x9f\x98\x80" + after)) << at;
        EXPECT_FALSE(IsValidUtf8(before + "\xe9" + after)) << at << " Latin-1 byte";
        EXPECT_FALSE(IsValidUtf8(before + "\xc3" + after)) << at << " cut sequence";
        EXPECT_FALSE(IsValidUtf8(before + "\xc0\x80" + after)) << at << " overlong";
        EXPECT_FALSE(IsValidUtf8(before + "\xe2\x82")) << at << " cut at the end";
        EXPECT_FALSE(IsValidUtf8(before + "\xc3\xa9" + after + "\xff" + before)) << at;
    }
}
