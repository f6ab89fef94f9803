// The grid line of a section screen and the lines it leaves in risultato.m.
//
// A section along the x axis holds a fixed ordinate index and runs over the abscissa index k; a
// section along the y axis the other way round. Each node's estimate goes to the result script as
// soon as it exists, so the file grows node by node and a run-time error leaves in it exactly the
// lines of the nodes finished before.
//
// The square's sections write one bare estimate per line. The L-domain's sections write a short
// script in the MATLAB language around their estimates: a header that defines the exact solution
// along the section, one "z2(k)=estimate;" line per node and closing lines that plot both.
#pragma once

#include <string_view>
#include <vector>

#include "boundary_datum.hpp"
#include "checked.hpp"
#include "problem.hpp"
#include "result_script.hpp"
#include "walk.hpp"

namespace nurlo {

// An L-domain section: the nodes k = 0..lastNode, and the values of its script lines. Along x
// (y along y, with the roles of the axes exchanged):
// - step: Lx / nx, the distance between two nodes;
// - fineStep: step / 10, the sampling of the exact solution;
// - end: the abscissa of the last node, Lx below the inner corner (j < b), (a * Lx) / nx on the
//   segment x = a otherwise;
// - lastNode: nx below the inner corner, a otherwise;
// - fixedCoordinate: (j * Ly) / ny, the ordinate of the line.
struct LSection {
    SectionAxis axis = SectionAxis::X;
    Int16 fixed = 0;
    Int16 lastNode = 0;
    double step = 0.0;
    double fineStep = 0.0;
    double end = 0.0;
    double fixedCoordinate = 0.0;

    Node node(Int16 k) const { return sectionNode(axis, fixed, k); }
    // Every node of the section, k = 0..lastNode in order; none when lastNode < 0.
    std::vector<Node> nodes() const;
};

// The section of `problem`'s L-shaped domain along `axis` through the fixed index `fixed` (the
// ordinate j along x, the abscissa i along y); the datum plays no part. The values are computed in
// double arithmetic, each product and quotient in the order written above, and each is tested: a
// zero count raises the floating-point error. A section whose nodes would leave the grid (a fixed
// index outside the grid, or a last node past the far side, as when j >= b and a > nx) raises the
// subscript-out-of-range error; so does, with the overflow error, a last node at 32767, whose
// node line would need the index 32768. The fields alone decide them, so a screen that plans its
// section first refuses such a section before it makes a grid or runs a walk. A negative last node
// (j >= b with a < 0) leaves the section without nodes, which is no error.
LSection planLSection(const Problem& problem, SectionAxis axis, Int16 fixed);

// Every node of the square's section along `axis` through `fixed`, k = 0..n in order: the nodes
// that writeSquareSection estimates.
std::vector<Node> squareSectionNodes(SectionAxis axis, Int16 fixed, Int16 n);

// A square section screen's line: the bare estimate.
void writeBareEstimate(ResultScript& script, double estimate);

// The exact solution along the section for `datum`, as a script assignment to z of a vector the
// size of the running coordinate: the datum's row of kBoundaryData says it for either axis.
std::string_view exactSolutionText(SectionAxis axis, BoundaryDatum datum);

// The header of an L-domain section script: the fine range of the running coordinate
// ("x=0:fineStep:end;" or "y=0:fineStep:end;"), the fixed coordinate of the section
// ("y=fixed;" or "x=fixed;"), the exact solution and "z2=[];", which empties the estimates.
void writeSectionHeader(ResultScript& script, const LSection& section, BoundaryDatum datum);

// One node of an L-domain section: "z2(index)=estimate;", index counting from 1.
void writeNodeLine(ResultScript& script, Int16 index, double estimate);

// The six closing lines of an L-domain section script: the range of the nodes
// ("x2=0:step:end;" or "y2=0:step:end;") and the plot of the exact solution and the estimates.
void writeSectionClosing(ResultScript& script, const LSection& section);

// The estimate at every node of the square's section along `axis` through the fixed index
// `fixed`, k = 0..n in order, each written as its bare line right after `estimateAt` returns it.
// `estimateAt(Node)` returns the estimate as a double. A fixed index off the grid is refused by
// the estimator at the first node, before any line is written.
template <class EstimateAt>
void writeSquareSection(ResultScript& script, SectionAxis axis, Int16 fixed, Int16 n,
                        EstimateAt&& estimateAt) {
    for (const Int16 k : Int16Range(0, n)) {
        writeBareEstimate(script, estimateAt(sectionNode(axis, fixed, k)));
    }
}

// The estimate at every node of an L-domain section in order, each written as its
// "z2(k + 1)=estimate;" line right after `estimateAt` returns it.
template <class EstimateAt>
void writeSectionNodes(ResultScript& script, const LSection& section, EstimateAt&& estimateAt) {
    for (const Int16 k : Int16Range(0, section.lastNode)) {
        const double value = estimateAt(section.node(k));
        writeNodeLine(script, checkedAdd(k, 1), value);
    }
}

}  // namespace nurlo
