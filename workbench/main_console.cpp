// Program entry of a build without the window (BUILD_GUI off): runs the
// start-up steps of the numerical units, says that there is no window and
// ends.
#include <cstdio>

#include "numeric/startup.h"

int main()
{
  Titrelle::StartUpNumericFoundation();
  std::puts("Titrelle: the calculator window is not available in this build.");
  return 0;
}
