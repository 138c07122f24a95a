#pragma once
// Tells the events what one completed frame is: its monitor line first,
// then the reply, event or poll it carries.

#include "line/FrameReader.h"
#include "line/LineEvents.h"

namespace tulex {

void RouteFrame(const FrameReader& frame, LineEvents& events);

}  // namespace tulex
