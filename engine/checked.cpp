#include "checked.hpp"

namespace nurlo {

void raiseOverflow() { throw RuntimeError(ErrorKind::Overflow); }

void raiseFloatingPoint() { throw RuntimeError(ErrorKind::FloatingPoint); }

}  // namespace nurlo
