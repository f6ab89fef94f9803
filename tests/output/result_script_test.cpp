#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <bit>
#include <charconv>
#include <chrono>
#include <clocale>
#include <cmath>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <future>
#include <limits>
#include <string>
#include <vector>

#include "expect_error.hpp"
#include "result_script.hpp"
#include "section_plan.hpp"
#include "temp_folder.hpp"

namespace nurlo {
namespace {

// A number as the MATLAB language reads a literal: optional minus, digits, optionally a decimal
// point and more digits, optionally an exponent.
bool isMatlabNumber(const std::string& text) {
    std::size_t at = 0;
    const auto digits = [&] {
        const std::size_t from = at;
        while (at < text.size() && text[at] >= '0' && text[at] <= '9') {
            ++at;
        }
        return at > from;
    };
    const auto accept = [&](std::string_view chars) {
        if (at < text.size() && chars.find(text[at]) != std::string_view::npos) {
            ++at;
            return true;
        }
        return false;
    };
    accept("-");
    if (!digits()) {
        return false;
    }
    if (accept(".")) {
        digits();
    }
    if (accept("eE")) {
        accept("+-");
        if (!digits()) {
            return false;
        }
    }
    return at == text.size();
}

std::uint64_t bits(double value) { return std::bit_cast<std::uint64_t>(value); }

const std::vector<double>& awkwardValues() {
    static const std::vector<double> values = {
        0.0, -0.0, 0.1, -0.1, 0.25, -0.5, 1.0 / 3.0, -2.0 / 3.0, 3.14, std::acos(-1.0),
        // tiny: the smallest subnormal, the smallest normal, and values near them
        5e-324, -5e-324, 2.2250738585072014e-308, 1e-300, -1e-300, 1e-7, 1.5e-5,
        // huge
        1.7976931348623157e308, -1.7976931348623157e308, 1e300, 1e23, 1e22, 1e21,
        // integral
        3.0, -4.0, 1e16, 9007199254740993.0, 123456789.0, -32768.0,
        // every bit of the mantissa in use
        std::nextafter(1.0, 2.0), std::nextafter(1.0, 0.0), 0.1 + 0.2};
    return values;
}

// Sets a locale whose decimal point is a comma for the life of the guard, and puts back "C".
class CommaLocale {
public:
    CommaLocale() {
        for (const char* name : {"it_IT.UTF-8", "it_IT.utf8", "it_IT", "de_DE.UTF-8", "de_DE.utf8",
                                 "fr_FR.UTF-8", "fr_FR.utf8", "es_ES.UTF-8", "nl_NL.UTF-8"}) {
            if (std::setlocale(LC_ALL, name) != nullptr &&
                std::string(std::localeconv()->decimal_point) == ",") {
                name_ = name;
                return;
            }
        }
        std::setlocale(LC_ALL, "C");
    }
    ~CommaLocale() { std::setlocale(LC_ALL, "C"); }
    CommaLocale(const CommaLocale&) = delete;
    CommaLocale& operator=(const CommaLocale&) = delete;

    const char* name() const { return name_; }

private:
    const char* name_ = nullptr;
};

TEST(FormatNumber, ReadsBackAsTheSameDoubleBitForBit) {
    for (const double value : awkwardValues()) {
        const std::string text = formatNumber(value);
        EXPECT_TRUE(isMatlabNumber(text)) << text;
        EXPECT_EQ(std::signbit(value), text.front() == '-') << text;

        double parsed = 1.0;
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), parsed);
        EXPECT_EQ(error, std::errc()) << text;
        EXPECT_EQ(end, text.data() + text.size()) << text;
        EXPECT_EQ(bits(parsed), bits(value)) << text;

        // The C library's reader, as an independent check of the same text.
        EXPECT_EQ(bits(std::strtod(text.c_str(), nullptr)), bits(value)) << text;
    }
}

TEST(FormatNumber, ChosenFormsOfPlainIntegralTinyAndSignedValues) {
    EXPECT_EQ(formatNumber(0.0), "0");
    EXPECT_EQ(formatNumber(-0.0), "-0");
    EXPECT_EQ(formatNumber(3.0), "3");
    EXPECT_EQ(formatNumber(-4.0), "-4");
    EXPECT_EQ(formatNumber(0.25), "0.25");
    EXPECT_EQ(formatNumber(-0.5), "-0.5");
    EXPECT_EQ(formatNumber(1e16), "1e+16");
    EXPECT_EQ(formatNumber(1e-7), "1e-07");
    EXPECT_EQ(formatNumber(5e-324), "5e-324");
    EXPECT_EQ(formatNumber(1.7976931348623157e308), "1.7976931348623157e+308");
}

TEST(FormatNumber, NonFiniteValuesAreSpelledAsMatlabReadsThem) {
    EXPECT_EQ(formatNumber(std::numeric_limits<double>::infinity()), "Inf");
    EXPECT_EQ(formatNumber(-std::numeric_limits<double>::infinity()), "-Inf");
    EXPECT_EQ(formatNumber(std::numeric_limits<double>::quiet_NaN()), "NaN");
}

TEST(FormatNumber, DecimalPointStaysAPointUnderACommaLocale) {
    TempFolder folder;
    const CommaLocale locale;
    if (locale.name() == nullptr) {
        GTEST_SKIP() << "no locale with a decimal comma is installed";
    }
    EXPECT_EQ(formatNumber(0.25), "0.25");
    EXPECT_EQ(formatNumber(-1.5e-7), "-1.5e-07");
    {
        ResultScript script(folder / "risultato.m");
        script.writeLine({"y=", 2.5, ";"});
        writeNodeLine(script, Int16{12}, -0.125);
    }
    EXPECT_EQ(readFile(folder / "risultato.m"), "y=2.5;\nz2(12)=-0.125;\n") << locale.name();
}

TEST(ResultScript, WritesTheItemsOfALineWithNothingBetweenThem) {
    TempFolder folder;
    const std::string owned = "owned text";
    {
        ResultScript script(folder / "risultato.m");
        script.writeLine({"a", 1.5, Int16{-2}, "b", std::string_view("c")});
        script.writeLine({owned});
        script.writeLine({Int16{32767}, -0.0, Int16{-32768}});
        script.writeLine({""});
    }
    EXPECT_EQ(readFile(folder / "risultato.m"), "a1.5-2bc\nowned text\n32767-0-32768\n\n");
}

TEST(ResultScript, EachLineIsInTheFileWhenWriteLineReturns) {
    TempFolder folder;
    const auto path = folder / "risultato.m";
    ResultScript script(path);
    EXPECT_EQ(readFile(path), "");
    script.writeLine({"x=0:", 0.1, ":", 2.0, ";"});
    EXPECT_EQ(readFile(path), "x=0:0.1:2;\n");
    writeNodeLine(script, Int16{1}, 0.75);
    EXPECT_EQ(readFile(path), "x=0:0.1:2;\nz2(1)=0.75;\n");
    script.close();
    EXPECT_EQ(readFile(path), "x=0:0.1:2;\nz2(1)=0.75;\n");
}

TEST(ResultScript, ASecondRunWithFewerLinesLeavesNothingOfTheFirst) {
    TempFolder folder;
    const auto path = folder / "risultato.m";
    ResultScript script(path);
    for (double estimate : {0.5, -1.25, 1e-300, 7.0, 123456.75}) {
        writeBareEstimate(script, estimate);
    }
    script.close();
    ASSERT_EQ(readFile(path), "0.5\n-1.25\n1e-300\n7\n123456.75\n");

    // The next click opens the file again.
    {
        ResultScript next(path);
        writeBareEstimate(next, 2.0);
    }
    EXPECT_EQ(readFile(path), "2\n");
}

TEST(ResultScript, OpenedAndClosedWithoutLinesLeavesAnEmptyFile) {
    TempFolder folder;
    const auto path = folder / "risultato.m";
    {
        ResultScript script(path);
        writeBareEstimate(script, 1.0);
    }
    ASSERT_EQ(readFile(path), "1\n");
    ResultScript script(path);
    script.close();
    EXPECT_TRUE(std::filesystem::exists(path));
    EXPECT_EQ(std::filesystem::file_size(path), 0u);
}

TEST(ResultScript, LinesWrittenBeforeARunTimeErrorStayInTheFile) {
    TempFolder folder;
    const auto path = folder / "risultato.m";
    const auto calculation = [&] {
        ResultScript script(path);
        const LSection section = {.axis = SectionAxis::X,
                                  .lastNode = 2,
                                  .step = 0.5,
                                  .fineStep = 0.05,
                                  .end = 1.0,
                                  .fixedCoordinate = 0.25};
        writeSectionHeader(script, section, BoundaryDatum::XY);
        writeNodeLine(script, Int16{1}, 0.0);
        writeNodeLine(script, Int16{2}, 0.0125);
        throw RuntimeError(ErrorKind::FloatingPoint);
        writeSectionClosing(script, section);
    };
    EXPECT_RUNTIME_ERROR(calculation(), ErrorKind::FloatingPoint);
    EXPECT_EQ(readFile(path), "x=0:0.05:1;\ny=0.25;\nz=x*y;\nz2=[];\nz2(1)=0;\nz2(2)=0.0125;\n");
}

TEST(ResultScript, CloseTwiceIsHarmlessAndAClosedScriptRefusesLines) {
    TempFolder folder;
    const auto path = folder / "risultato.m";
    ResultScript script(path);
    writeBareEstimate(script, 1.0);
    script.close();
    script.close();
    EXPECT_RUNTIME_ERROR(writeBareEstimate(script, 2.0), ErrorKind::File);
    EXPECT_EQ(readFile(path), "1\n");
}

// Runs `statement`, which must raise the file error; its detail and its message name `path`.
template <class Statement>
void expectFileErrorNaming(Statement statement, const std::filesystem::path& path) {
    try {
        statement();
        ADD_FAILURE() << "no file error for " << path;
    } catch (const RuntimeError& error) {
        EXPECT_EQ(error.kind(), ErrorKind::File);
        EXPECT_EQ(error.detail(), path.string());
        EXPECT_NE(std::string(error.what()).find(path.string()), std::string::npos) << error.what();
    }
}

TEST(ResultScript, AFolderThatCannotHoldTheFileGivesTheFileErrorNamingThePath) {
    // The tests may run as root, who writes into any folder whatever its permission bits; a
    // "folder" that is a regular file, or that does not exist, refuses everybody.
    TempFolder folder;
    const auto notAFolder = folder / "afile";
    { std::ofstream(notAFolder) << "not a folder\n"; }
    const auto inAFile = notAFolder / "risultato.m";
    expectFileErrorNaming([&] { ResultScript script(inAFile); }, inAFile);

    const auto missing = folder / "missing" / "risultato.m";
    expectFileErrorNaming([&] { ResultScript script(missing); }, missing);
    EXPECT_FALSE(std::filesystem::exists(missing));
}

TEST(ResultScript, AFailedWriteGivesTheFileErrorNamingThePath) {
    TempFolder folder;
    const auto path = folder / "risultato.m";
    ResultScript script(path);
    // Past the largest file this process may write, writes fail with EFBIG (and the signal
    // they would also raise is ignored meanwhile).
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit lowered = saved;
    lowered.rlim_cur = 4;
    const auto handler = std::signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &lowered);
    expectFileErrorNaming([&] { writeNodeLine(script, Int16{1}, 0.5); }, path);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, handler);
}

// Something that is not a regular file where risultato.m should be is refused at once: a FIFO
// would make the open wait for a reader for ever, a device is no place for a script.
TEST(ResultScript, APathThatIsNoRegularFileIsRefusedWithoutWaiting) {
    TempFolder folder;
    const auto fifo = folder / "risultato.m";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0666), 0);
    auto opening = std::async(std::launch::async, [&] { ResultScript script(fifo); });
    if (opening.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
        // Lets the open go on, so that the test ends instead of hanging.
        const int reader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
        opening.wait();
        ::close(reader);
        FAIL() << "opening a FIFO waited for a reader";
    }
    expectFileErrorNaming([&] { opening.get(); }, fifo);
    const std::filesystem::path device = "/dev/null";
    expectFileErrorNaming([&] { ResultScript script(device); }, device);
}

}  // namespace
}  // namespace nurlo
