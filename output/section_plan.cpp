#include "section_plan.hpp"

#include <stdexcept>

namespace nurlo {

LSection planLSection(const LSectionInput& input) {
    // The section runs along one axis (its length, count and corner index "along") and crosses
    // the other at the fixed index ("across").
    const bool alongX = input.axis == SectionAxis::X;
    const double length = alongX ? input.lx : input.ly;
    const Int16 count = alongX ? input.nx : input.ny;
    const Int16 corner = alongX ? input.a : input.b;
    const double acrossLength = alongX ? input.ly : input.lx;
    const Int16 acrossCount = alongX ? input.ny : input.nx;
    const Int16 acrossCorner = alongX ? input.b : input.a;

    LSection section;
    section.axis = input.axis;
    section.fixed = input.fixed;
    section.step = checkedReal(length / count);
    section.fineStep = checkedReal(section.step / 10);
    // Below the inner corner the line crosses the whole domain; from the corner's row on it ends
    // on the corner's segment.
    const bool belowCorner = input.fixed < acrossCorner;
    section.end = belowCorner ? length : checkedReal(checkedReal(corner * length) / count);
    section.lastNode = belowCorner ? count : corner;
    section.fixedCoordinate = checkedReal(checkedReal(input.fixed * acrossLength) / acrossCount);

    if (input.fixed < 0 || input.fixed > acrossCount || section.lastNode > count) {
        throw RuntimeError(ErrorKind::SubscriptOutOfRange);
    }
    // The node lines number the nodes from 1, in 16 bits: a last node at 32767 would be written
    // as z2(32768) only after every walk of the line, so it is refused now.
    static_cast<void>(checkedAdd(section.lastNode, Int16{1}));
    return section;
}

namespace {
std::vector<Node> nodesAlong(SectionAxis axis, Int16 fixed, Int16 last) {
    std::vector<Node> nodes;
    nodes.reserve(last < 0 ? 0 : static_cast<std::size_t>(last) + 1);
    for (int k = 0; k <= last; ++k) {
        nodes.push_back(sectionNode(axis, fixed, static_cast<Int16>(k)));
    }
    return nodes;
}
}  // namespace

std::vector<Node> LSection::nodes() const { return nodesAlong(axis, fixed, lastNode); }

std::vector<Node> squareSectionNodes(SectionAxis axis, Int16 fixed, Int16 n) {
    return nodesAlong(axis, fixed, n);
}

void writeBareEstimate(ResultScript& script, double estimate) { script.writeLine({estimate}); }

std::string_view exactSolutionText(SectionAxis axis, BoundaryDatum datum) {
    const bool x = axis == SectionAxis::X;
    switch (datum) {
        // The closing lines plot z against the running coordinate for every datum, so z is
        // defined for every datum too. Without it the script stops at "plot(x,z)" in a fresh
        // session, or plots a z left over from an earlier script as if it were this solution.
        case BoundaryDatum::Nullo:
            return x ? "z=zeros(size(x));" : "z=zeros(size(y));";
        case BoundaryDatum::Seno:
            return x ? "z=NaN(size(x));" : "z=NaN(size(y));";
        case BoundaryDatum::ExpXSiny:
            return "z=exp(x).*sin(y);";
        case BoundaryDatum::XY:
            return "z=x*y;";
        case BoundaryDatum::X2MinusY2:
            return x ? "z=x.^2-y^2;" : "z=x^2-y.^2;";
        case BoundaryDatum::X3Minus3XY2:
            return x ? "z=x.^3-3*x*y^2;" : "z=x^3-3*x*y.^2;";
    }
    throw std::invalid_argument("exactSolutionText: no such boundary datum");
}

void writeSectionHeader(ResultScript& script, const LSection& section, BoundaryDatum datum) {
    const bool x = section.axis == SectionAxis::X;
    script.writeLine({x ? "x=0:" : "y=0:", section.fineStep, ":", section.end, ";"});
    script.writeLine({x ? "y=" : "x=", section.fixedCoordinate, ";"});
    script.writeLine({exactSolutionText(section.axis, datum)});
    // The node lines fill z2 from index 1; emptied first, it holds this script's estimates only,
    // even after a longer script in the same session, and exists even for a line without nodes.
    script.writeLine({"z2=[];"});
}

void writeNodeLine(ResultScript& script, Int16 index, double estimate) {
    script.writeLine({"z2(", index, ")=", estimate, ";"});
}

void writeSectionClosing(ResultScript& script, const LSection& section) {
    const bool x = section.axis == SectionAxis::X;
    script.writeLine({x ? "x2=0:" : "y2=0:", section.step, ":", section.end, ";"});
    script.writeLine({x ? "plot(x,z)" : "plot(y,z)"});
    script.writeLine({"hold on"});
    script.writeLine({x ? "plot (x2,z2,'.')" : "plot (y2,z2,'.')"});
    script.writeLine({x ? "xlabel ('Ascissa di partenza')" : "xlabel ('Ordinata di partenza')"});
    script.writeLine({"ylabel ('Vincita')"});
}

}  // namespace nurlo
