#include <gtest/gtest.h>

#include <string>

#include "runtime_error.hpp"

namespace nurlo {
namespace {

// The engine gives the error's kind and detail; the words of the report are the screens'.
TEST(RuntimeError, CarriesItsKindAndDetail) {
    const RuntimeError plain(ErrorKind::SubscriptOutOfRange);
    EXPECT_EQ(plain.kind(), ErrorKind::SubscriptOutOfRange);
    EXPECT_TRUE(plain.detail().empty());
    EXPECT_FALSE(plain.beyondDouble());
    EXPECT_STREQ(plain.what(), "subscript out of range");

    const RuntimeError withDetail(ErrorKind::File, "/tmp/x/risultato.m");
    EXPECT_EQ(withDetail.detail(), "/tmp/x/risultato.m");
    EXPECT_NE(std::string(withDetail.what()).find("/tmp/x/risultato.m"), std::string::npos);
    EXPECT_NE(std::string(withDetail.what()).find("file"), std::string::npos);

    const RuntimeError tooLarge = RuntimeError::numberTooLarge();
    EXPECT_EQ(tooLarge.kind(), ErrorKind::Overflow);
    EXPECT_TRUE(tooLarge.beyondDouble());
}

}  // namespace
}  // namespace nurlo
