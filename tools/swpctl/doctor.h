#pragma once
// swpctl doctor: one search with the wizard's discovery wait and a look at the
// machine; prints the findings (text or JSON) and returns the exit code of the
// main finding. Runs the event loop of the application until it is done.

#include "tools/swpctl/options.h"

namespace swpctl {

int RunDoctor(const CtlOptions& options);

} // namespace swpctl
