// Every unit test runs under the check that it leaves the process-wide values
// as it found them (the test program's main comes with GoogleTest).
#include "tests/processstate.h"

namespace {
const bool installed = [] {
  testing::UnitTest::GetInstance()->listeners().Append(new processstate::LeftStateCheck);
  return true;
}();
}  // namespace
