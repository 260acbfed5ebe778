// Test entry: the numerical start-up steps run before any test, as they run
// before the window opens in the program.
#include <gtest/gtest.h>

#include "numeric/startup.h"

int main(int argc, char** argv)
{
  Titrelle::StartUpNumericFoundation();
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
