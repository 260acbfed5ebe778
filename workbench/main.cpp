// Program entry: runs the start-up steps of the numerical units. The window
// is not part of this build yet, so the program says so and ends.
#include <cstdio>

#include "numeric/startup.h"

int main()
{
  Titrelle::StartUpNumericFoundation();
  std::puts("Titrelle: the calculator window is not available in this build yet.");
  return 0;
}
