#include "section_plan.hpp"

#include <stdexcept>

namespace nurlo {

LSection planLSection(const Problem& problem, SectionAxis axis, Int16 fixed) {
    // The section runs along one axis (its length, count and corner index "along") and crosses
    // the other at the fixed index ("across"). The corner's indexes are 16-bit values read from
    // the fields; the square's corner, beyond every node, never meets a section.
    const bool alongX = axis == SectionAxis::X;
    const WalkDomain& domain = problem.domain;
    const double length = alongX ? problem.lx : problem.ly;
    const Int16 count = alongX ? domain.nx() : domain.ny();
    const int corner = alongX ? domain.a() : domain.b();
    const double acrossLength = alongX ? problem.ly : problem.lx;
    const Int16 acrossCount = alongX ? domain.ny() : domain.nx();
    const int acrossCorner = alongX ? domain.b() : domain.a();

    LSection section;
    section.axis = axis;
    section.fixed = fixed;
    section.step = checkedReal(length / count);
    section.fineStep = checkedReal(section.step / 10);
    // Below the inner corner the line crosses the whole domain; from the corner's row on it ends
    // on the corner's segment.
    const bool belowCorner = fixed < acrossCorner;
    section.end = belowCorner ? length : checkedReal(checkedReal(corner * length) / count);
    section.lastNode = belowCorner ? count : static_cast<Int16>(corner);
    section.fixedCoordinate = checkedReal(checkedReal(fixed * acrossLength) / acrossCount);

    if (fixed < 0 || fixed > acrossCount || section.lastNode > count) {
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
    const BoundaryDatumRow& row = datumRow(datum);
    return axis == SectionAxis::X ? row.exactAlongX : row.exactAlongY;
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
