#pragma once
// The messages of the failures swpctl doctor can explain further: they name
// what is known at once (the program holding the port) and point to doctor.

#include <QString>

namespace swpctl {

// No adapter socket could be opened: the engine's text, the programs that
// hold UDP 5433 (pid and name, as doctor finds them), and doctor.
QString AdapterFailureMessage();
// Nothing answered the search.
QString NoDeviceMessage();

} // namespace swpctl
