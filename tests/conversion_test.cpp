#include "app/conversion.h"

#include <gtest/gtest.h>

namespace tallivo {
namespace {

TEST(RoundDecimals, Smoke) {
  EXPECT_EQ(RoundDecimals(2, 2.675), 2.68);
  EXPECT_EQ(EurToCyp(100), 58.53);
  EXPECT_EQ(ChangeEur(ChangeTrigger::PaidEur, 20, 5, 10), -1.46);
  EXPECT_THROW(CypToEur(1e19), EInvalidOp);
}

}  // namespace
}  // namespace tallivo
