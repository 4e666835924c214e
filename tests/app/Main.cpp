// The GUI tests need one application object for the whole run.
#include <gtest/gtest.h>

#include "app/Application.h"

int main(int argc, char** argv) {
  // Listing the tests (ctest's discovery) runs without the test environment.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  zel::TApplication app(argc, argv);
  zel::SetUpFonts();
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
