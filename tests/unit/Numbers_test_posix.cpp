// Numbers read the same under a locale whose decimal point is a comma, as the program
// runs on a German desktop (the toolkit takes the C library's locale from the
// environment).
#include <gtest/gtest.h>

#include <clocale>
#include <string>

#include "db/Numbers.h"
#include "startup/StartupLogic.h"

namespace quorvel::test {
namespace {

class GermanNumbers : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(std::setlocale(LC_NUMERIC, "de_DE.UTF-8"))
            << "de_DE.UTF-8 is not installed (scripts/install-deps)";
    }
    void TearDown() override { std::setlocale(LC_NUMERIC, saved_.c_str()); }

  private:
    std::string saved_ = std::setlocale(LC_NUMERIC, nullptr);
};

TEST_F(GermanNumbers, DecimalPointIsStillThePoint) {
    EXPECT_EQ(db::ParseNumber("12.5"), 12.5);
    EXPECT_EQ(db::ParseNumber(" 0.75 "), 0.75);
    EXPECT_FALSE(db::ParseNumber("12,5"));
    EXPECT_EQ(startup::OsVersionNumber(6, 1), 6.1);
}

}  // namespace
}  // namespace quorvel::test
