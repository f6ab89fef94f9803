#include <gtest/gtest.h>

#include <string>

#include "runtime_error.hpp"

namespace nurlo {
namespace {

TEST(RuntimeError, CarriesItsKindAndAnItalianText) {
    const RuntimeError plain(ErrorKind::SubscriptOutOfRange);
    EXPECT_EQ(plain.kind(), ErrorKind::SubscriptOutOfRange);
    EXPECT_STREQ(plain.what(), "Indice non compreso nell'intervallo: nodo fuori dalla griglia");

    const RuntimeError withDetail(ErrorKind::File, "/tmp/x/risultato.m");
    EXPECT_EQ(withDetail.detail(), "/tmp/x/risultato.m");
    EXPECT_NE(std::string(withDetail.what()).find("/tmp/x/risultato.m"), std::string::npos);
    EXPECT_NE(std::string(withDetail.what()).find("file"), std::string::npos);

    for (const ErrorKind kind : {ErrorKind::TypeMismatch, ErrorKind::Overflow,
                                 ErrorKind::FloatingPoint, ErrorKind::OutOfMemory}) {
        EXPECT_FALSE(italianText(kind).empty());
    }
}

}  // namespace
}  // namespace nurlo
