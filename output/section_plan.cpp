#include "section_plan.hpp"

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
    return section;
}

}  // namespace nurlo
