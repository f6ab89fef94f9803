#include <gtest/gtest.h>

#include <string>

#include "runtime_error.hpp"

namespace nurlo {
namespace {

// The engine gives the error's kind and detail; the words of the report are the screens'.
TEST(RuntimeError, CarriesItsKindAndDetail) {
    const RuntimeError plain(ErrorKind::SubscriptOutOfRange);
    EXPECT_EQ(plain.kind(), ErrorKind::SubscriptOutOfRange);
    EXPECT_STREQ(plain.what(), "subscript out of range");

    const RuntimeError withDetail(ErrorKind::File, "/tmp/x/risultato.m");
    EXPECT_EQ(withDetail.detail(), "/tmp/x/risultato.m");
    EXPECT_NE(std::string(withDetail.what()).find("/tmp/x/risultato.m"), std::string::npos);
    EXPECT_NE(std::string(withDetail.what()).find("file"), std::string::npos);
}

}  // namespace
}  // namespace nurlo
