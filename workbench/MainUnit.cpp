// The workbench state and the window it talks to. The routines of the
// workbench live in MainUnit_*.cpp, one file per area.
#include "workbench/MainUnit.h"

namespace Titrelle {

namespace {

TWorkbenchState State;
TWindowPorts Ports;

}  // namespace

void ConnectWindow(const TWindowPorts& NewPorts) { Ports = NewPorts; }

const TWindowPorts& Window() { return Ports; }

TWorkbenchState& Workbench() { return State; }

void ResetWorkbench() { State = TWorkbenchState(); }

}  // namespace Titrelle
