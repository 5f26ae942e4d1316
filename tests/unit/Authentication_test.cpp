// The sign-in check against a real (keyed) data file.
#include "login/Authentication.h"

#include <gtest/gtest.h>

#include "db/Database.h"
#include "support/TempDir.h"

namespace quorvel::test {
namespace {

using login::SignIn;

class SignInTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string error;
        db_ = db::Database::Create(dir_.file("QuorvelData.mdb"), db::kDataFilePassword, error);
        ASSERT_TRUE(db_) << error;
        ASSERT_TRUE(db::AddLogin(*db_, "admin", "Secret1"));
        ASSERT_TRUE(db::AddLogin(*db_, "guest", "pass"));
        ASSERT_TRUE(db::AddLogin(*db_, "cashier", "till"));
    }
    SignIn Check(const std::string& login, const std::string& password) {
        return login::CheckSignIn(db_.get(), login, password);
    }
    TempDir dir_;
    std::unique_ptr<db::Database> db_;
};

TEST_F(SignInTest, TheTwoLoginsBranch) {
    EXPECT_EQ(Check("admin", "Secret1"), SignIn::Admin);
    EXPECT_EQ(Check("guest", "pass"), SignIn::Guest);
}

TEST_F(SignInTest, UnknownLoginsAndBrokenConnectionsAreInvalidLogins) {
    EXPECT_EQ(Check("nobody", "pass"), SignIn::InvalidLogin);
    EXPECT_EQ(Check("", "pass"), SignIn::InvalidLogin);
    // Text that would break a spliced statement is only a name that is not there.
    EXPECT_EQ(Check("o'brien", "pass"), SignIn::InvalidLogin);
    EXPECT_EQ(Check("x' or '1'='1", "x' or '1'='1"), SignIn::InvalidLogin);
    EXPECT_EQ(login::CheckSignIn(nullptr, "admin", "Secret1"), SignIn::InvalidLogin);
    db_->Close();
    EXPECT_EQ(Check("admin", "Secret1"), SignIn::InvalidLogin);
}

TEST_F(SignInTest, PasswordIsExactAfterTrimmingWhatWasTyped) {
    EXPECT_EQ(Check("admin", "secret1"), SignIn::InvalidPassword);
    EXPECT_EQ(Check("admin", "Secret"), SignIn::InvalidPassword);
    EXPECT_EQ(Check("admin", "  Secret1  "), SignIn::Admin);
    EXPECT_EQ(Check("guest", "pass\t"), SignIn::InvalidPassword);
}

TEST_F(SignInTest, AnEmptyStoredPasswordNeverMatches) {
    ASSERT_TRUE(db::AddLogin(*db_, "nopass", ""));
    EXPECT_EQ(Check("nopass", ""), SignIn::InvalidPassword);
    EXPECT_EQ(Check("nopass", "   "), SignIn::InvalidPassword);
}

TEST_F(SignInTest, LookupTrimsAndIgnoresCaseButTheBranchTakesTheTextAsTyped) {
    EXPECT_EQ(Check(" admin", "Secret1"), SignIn::Nothing);
    EXPECT_EQ(Check("admin ", "Secret1"), SignIn::Nothing);
    EXPECT_EQ(Check("ADMIN", "Secret1"), SignIn::Nothing);
    EXPECT_EQ(Check("Guest", "pass"), SignIn::Nothing);
    EXPECT_EQ(Check("cashier", "till"), SignIn::Nothing);
}

TEST(TrimBlanks, RemovesOnlyLeadingAndTrailingBlanks) {
    EXPECT_EQ(login::TrimBlanks("  a b  "), "a b");
    EXPECT_EQ(login::TrimBlanks("   "), "");
    EXPECT_EQ(login::TrimBlanks("\ta\t"), "\ta\t");
}

}  // namespace
}  // namespace quorvel::test
