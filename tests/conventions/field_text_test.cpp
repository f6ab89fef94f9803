#include <gtest/gtest.h>

#include <clocale>
#include <string>

#include "expect_error.hpp"
#include "field_text.hpp"
#include "messages.hpp"

namespace nurlo {
namespace {

TEST(LengthFromText, AcceptsDecimalNumbersInEveryUsualSpelling) {
    const struct {
        const char* text;
        double value;
    } cases[] = {
        {"1", 1.0},     {"  2.5 ", 2.5}, {"2,5", 2.5},    {"-3", -3.0},   {"+0.125", 0.125},
        {".5", 0.5},    {"5.", 5.0},     {"1e3", 1000.0}, {"1E-2", 0.01}, {"-2.5e+1", -25.0},
        {"\t7\t", 7.0}, {"0", 0.0},      {"1e-400", 0.0}, {"3,14", 3.14}, {"007", 7.0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(lengthFromText(c.text), c.value) << "text \"" << c.text << "\"";
    }
}

TEST(LengthFromText, RefusesAnythingThatIsNotANumber) {
    for (const char* text :
         {"",  "   ", "abc", "1.2.3", "1,2,5", "1 000", "1.000,5", "1e",  "e5",  "--1", "+",
          "-", ".",   "inf", "nan",   "0x10",  "1e5.5", "12a",     "a12", "1 2", "١"}) {
        EXPECT_RUNTIME_ERROR(lengthFromText(text), ErrorKind::TypeMismatch);
    }
}

TEST(LengthFromText, ANumberBeyondADoubleIsAnOverflow) {
    EXPECT_RUNTIME_ERROR(lengthFromText("1e999"), ErrorKind::Overflow);
    EXPECT_RUNTIME_ERROR(lengthFromText("-1e309"), ErrorKind::Overflow);
    // Its words are about the number's size: 40000 is a fine length, so the 16-bit range of the
    // counts would mislead.
    try {
        lengthFromText("1e400");
        ADD_FAILURE() << "no overflow";
    } catch (const RuntimeError& error) {
        const std::string report = errorText(error).toStdString();
        EXPECT_NE(report.find("troppo grande"), std::string::npos) << report;
        EXPECT_EQ(report.find("32767"), std::string::npos) << report;
    }
    EXPECT_EQ(lengthFromText("40000"), 40000.0);
    EXPECT_EQ(lengthFromText("1.7976931348623157e308"), 1.7976931348623157e308);
}

TEST(CountFromText, RoundsToTheNearestIntegerWithHalvesToEven) {
    const struct {
        const char* text;
        int value;
    } cases[] = {
        {"4", 4},      {" 32767 ", 32767}, {"-32768", -32768},   {"2.5", 2},
        {"3.5", 4},    {"-2.5", -2},       {"2,6", 3},           {"1e2", 100},
        {"0.4999", 0}, {"32767.4", 32767}, {"-32768.5", -32768}, {"-0.3", 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(countFromText(c.text), c.value) << "text \"" << c.text << "\"";
    }
}

TEST(CountFromText, OutsideSixteenBitsIsAnOverflowAndTextIsATypeMismatch) {
    for (const char* text : {"40000", "32768", "32767.5", "-32769", "-32768.51", "1e5", "1e999"}) {
        EXPECT_RUNTIME_ERROR(countFromText(text), ErrorKind::Overflow);
    }
    for (const char* text : {"", "dieci", "4 4", "4;", "1/2"}) {
        EXPECT_RUNTIME_ERROR(countFromText(text), ErrorKind::TypeMismatch);
    }
}

TEST(FieldText, ConversionsIgnoreTheLocalesDecimalSeparator) {
    const char* italian = std::setlocale(LC_ALL, "it_IT.UTF-8");
    if (italian == nullptr) {
        italian = std::setlocale(LC_ALL, "de_DE.UTF-8");
    }
    if (italian == nullptr) {
        GTEST_SKIP() << "no locale with a decimal comma is installed";
    }
    EXPECT_EQ(lengthFromText("2.5"), 2.5);
    EXPECT_EQ(lengthFromText("2,5"), 2.5);
    EXPECT_EQ(estimateText(0.25), "0.25");
    std::setlocale(LC_ALL, "C");
}

TEST(EstimateText, FifteenSignificantDigitsWithoutTrailingZeros) {
    EXPECT_EQ(estimateText(0.9999996829318346), "0.999999682931835");
    EXPECT_EQ(estimateText(0.2134234660), "0.213423466");
    EXPECT_EQ(estimateText(3.0), "3");
    EXPECT_EQ(estimateText(-0.5), "-0.5");
    EXPECT_EQ(estimateText(0.0), "0");
    EXPECT_EQ(estimateText(-0.0), "0");
    EXPECT_EQ(estimateText(1.0 / 3.0), "0.333333333333333");
    EXPECT_EQ(estimateText(123456789012345678.0), "1.23456789012346e+17");
    EXPECT_EQ(estimateText(0.000001), "1e-06");
}

}  // namespace
}  // namespace nurlo
