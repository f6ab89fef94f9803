#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "result_script.hpp"
#include "temp_folder.hpp"

namespace nurlo {
namespace {

struct DatumCase {
    BoundaryDatum datum;
    const char* xSectionLine;  // the exact-solution line of an x-section script
    const char* ySectionLine;  // the exact-solution line of a y-section script
};

const std::vector<DatumCase> kDatumCases = {
    {BoundaryDatum::Nullo, "z=zeros(size(x));\n", "z=zeros(size(y));\n"},
    {BoundaryDatum::Seno, "z=NaN(size(x));\n", "z=NaN(size(y));\n"},
    {BoundaryDatum::ExpXSiny, "z=exp(x).*sin(y);\n", "z=exp(x).*sin(y);\n"},
    {BoundaryDatum::XY, "z=x*y;\n", "z=x*y;\n"},
    {BoundaryDatum::X2MinusY2, "z=x.^2-y^2;\n", "z=x^2-y.^2;\n"},
    {BoundaryDatum::X3Minus3XY2, "z=x.^3-3*x*y^2;\n", "z=x^3-3*x*y.^2;\n"},
};

// One L-domain section script as a screen writes it: header, node lines, closing lines.
std::string writeSection(const std::filesystem::path& path, SectionAxis axis, double step,
                         double end, double fixed, BoundaryDatum datum,
                         const std::vector<double>& estimates) {
    ResultScript script(path);
    writeSectionHeader(script, axis, step / 10, end, fixed, datum);
    Int16 index = 0;
    for (const double estimate : estimates) {
        index = checkedAdd(index, 1);
        writeNodeLine(script, index, estimate);
    }
    writeSectionClosing(script, axis, step, end);
    script.close();
    return readFile(path);
}

TEST(SquareSection, OneBareNumberPerNodeAndNothingElse) {
    TempFolder folder;
    const auto path = folder / "risultato.m";
    ResultScript script(path);
    for (const double estimate : {0.0, 0.3125, -0.04, 1.0 / 3.0, -0.0}) {
        writeBareEstimate(script, estimate);
    }
    script.close();
    EXPECT_EQ(readFile(path), "0\n0.3125\n-0.04\n0.3333333333333333\n-0\n");
}

TEST(XSectionScript, EveryLineForEveryDatum) {
    TempFolder folder;
    for (const DatumCase& c : kDatumCases) {
        SCOPED_TRACE(std::string(kDatumTexts[static_cast<std::size_t>(c.datum)]));
        // Lx = 2, nx = 4, a section below the inner corner at ordinate 1 of ny = 4 with Ly = 1.
        const std::string text = writeSection(folder / "risultato.m", SectionAxis::X, 0.5, 2.0,
                                              0.25, c.datum, {0.0, 0.125, -0.5, 1e-7, 4.0});
        EXPECT_EQ(text, std::string("x=0:0.05:2;\n"
                                    "y=0.25;\n") +
                            c.xSectionLine +
                            "z2(1)=0;\n"
                            "z2(2)=0.125;\n"
                            "z2(3)=-0.5;\n"
                            "z2(4)=1e-07;\n"
                            "z2(5)=4;\n"
                            "x2=0:0.5:2;\n"
                            "plot(x,z)\n"
                            "hold on\n"
                            "plot (x2,z2,'.')\n"
                            "xlabel ('Ascissa di partenza')\n"
                            "ylabel ('Vincita')\n");
    }
}

TEST(YSectionScript, EveryLineForEveryDatum) {
    TempFolder folder;
    for (const DatumCase& c : kDatumCases) {
        SCOPED_TRACE(std::string(kDatumTexts[static_cast<std::size_t>(c.datum)]));
        // Ly = 3, ny = 3, a section at or right of the inner corner ending at b = 2: yEnd = 2.
        const std::string text = writeSection(folder / "risultato.m", SectionAxis::Y, 1.0, 2.0, 1.5,
                                              c.datum, {-2.25, 0.0625, 3.0});
        EXPECT_EQ(text, std::string("y=0:0.1:2;\n"
                                    "x=1.5;\n") +
                            c.ySectionLine +
                            "z2(1)=-2.25;\n"
                            "z2(2)=0.0625;\n"
                            "z2(3)=3;\n"
                            "y2=0:1:2;\n"
                            "plot(y,z)\n"
                            "hold on\n"
                            "plot (y2,z2,'.')\n"
                            "xlabel ('Ordinata di partenza')\n"
                            "ylabel ('Vincita')\n");
    }
}

}  // namespace
}  // namespace nurlo
