#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "expect_error.hpp"
#include "section_plan.hpp"
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
    const LSection section = {.axis = axis,
                              .lastNode = static_cast<Int16>(estimates.size() - 1),
                              .step = step,
                              .fineStep = step / 10,
                              .end = end,
                              .fixedCoordinate = fixed};
    ResultScript script(path);
    writeSectionHeader(script, section, datum);
    Int16 index = 0;
    for (const double estimate : estimates) {
        index = checkedAdd(index, 1);
        writeNodeLine(script, index, estimate);
    }
    writeSectionClosing(script, section);
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

// The cases here are written out independently of the table of data; a datum added to the table
// needs its expected lines here too.
TEST(SectionScript, EveryDatumOfTheTableHasItsCase) {
    ASSERT_EQ(kDatumCases.size(), kBoundaryData.size());
    for (std::size_t k = 0; k < kBoundaryData.size(); ++k) {
        EXPECT_EQ(kDatumCases[k].datum, kBoundaryData[k].datum);
    }
}

TEST(XSectionScript, EveryLineForEveryDatum) {
    TempFolder folder;
    for (const DatumCase& c : kDatumCases) {
        SCOPED_TRACE(std::string(datumRow(c.datum).listText));
        // Lx = 2, nx = 4, a section below the inner corner at ordinate 1 of ny = 4 with Ly = 1.
        const std::string text = writeSection(folder / "risultato.m", SectionAxis::X, 0.5, 2.0,
                                              0.25, c.datum, {0.0, 0.125, -0.5, 1e-7, 4.0});
        EXPECT_EQ(text, std::string("x=0:0.05:2;\n"
                                    "y=0.25;\n") +
                            c.xSectionLine +
                            "z2=[];\n"
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
        SCOPED_TRACE(std::string(datumRow(c.datum).listText));
        // Ly = 3, ny = 3, a section at or right of the inner corner ending at b = 2: yEnd = 2.
        const std::string text = writeSection(folder / "risultato.m", SectionAxis::Y, 1.0, 2.0, 1.5,
                                              c.datum, {-2.25, 0.0625, 3.0});
        EXPECT_EQ(text, std::string("y=0:0.1:2;\n"
                                    "x=1.5;\n") +
                            c.ySectionLine +
                            "z2=[];\n"
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

struct PlanCase {
    const char* name;
    SectionAxis axis;
    Int16 a, b, fixed;
    Int16 lastNode;
    double end, fixedCoordinate;
};

// Lx = 3 in nx = 6 steps and Ly = 2 in 4 steps: both steps are 0.5; the corner (a, b).
Problem lShaped(Int16 a, Int16 b, Int16 nx = 6) {
    return {.domain = WalkDomain::lShaped(nx, 4, a, b), .lx = 3, .ly = 2};
}

TEST(LSectionPlan, TheLineCrossesBelowTheCornerAndEndsOnItsSegmentFromItsRowOn) {
    constexpr SectionAxis X = SectionAxis::X;
    constexpr SectionAxis Y = SectionAxis::Y;
    const std::vector<PlanCase> cases = {
        {"j < b: the whole line", X, 3, 2, 1, 6, 3.0, 0.5},
        {"j = b: up to the corner", X, 3, 2, 2, 3, 1.5, 1.0},
        {"j > b: up to the segment x = a", X, 3, 2, 4, 3, 1.5, 2.0},
        {"a = nx: the segment is the right side", X, 6, 2, 3, 6, 3.0, 1.5},
        {"b > ny: nothing is cut", X, 3, 7, 4, 6, 3.0, 2.0},
        {"b < 0: every row ends on x = a", X, 2, -2, 0, 2, 1.0, 0.0},
        {"a < 0 and j >= b: no node at all", X, -1, 2, 3, -1, -0.5, 1.5},
        {"along y, i < a: the whole column", Y, 3, 2, 1, 4, 2.0, 0.5},
        {"along y, i >= a: up to the segment y = b", Y, 3, 2, 5, 2, 1.0, 2.5},
    };
    for (const PlanCase& c : cases) {
        SCOPED_TRACE(c.name);
        const LSection section = planLSection(lShaped(c.a, c.b), c.axis, c.fixed);
        EXPECT_EQ(section.lastNode, c.lastNode);
        EXPECT_EQ(section.step, 0.5);
        EXPECT_EQ(section.end, c.end);
        EXPECT_EQ(section.fixedCoordinate, c.fixedCoordinate);
    }
}

TEST(LSectionPlan, LinesThatWouldLeaveTheGridAreRefusedBeforeAnyWalk) {
    constexpr SectionAxis X = SectionAxis::X;
    EXPECT_RUNTIME_ERROR(planLSection(lShaped(9, 2), X, 3), ErrorKind::SubscriptOutOfRange);
    EXPECT_RUNTIME_ERROR(planLSection(lShaped(3, 2), X, 5), ErrorKind::SubscriptOutOfRange);
    EXPECT_RUNTIME_ERROR(planLSection(lShaped(3, 2), X, -1), ErrorKind::SubscriptOutOfRange);
    EXPECT_RUNTIME_ERROR(planLSection(lShaped(3, 2, 0), X, 1), ErrorKind::FloatingPoint);
    // The last node's line would be "z2(32768)=...;".
    EXPECT_RUNTIME_ERROR(planLSection(lShaped(3, 2, 32767), X, 1), ErrorKind::Overflow);
}

}  // namespace
}  // namespace nurlo
