// The lines between the program and the guest's agent: what one side writes the other
// reads back as it was, and a reply that is not exactly the answer asked for is refused
// (the program then takes the agent for lost).
#include "platform/atspi/WatchWire.h"

#include <gtest/gtest.h>

namespace quorvel::test {
namespace {

using namespace platform::atspi::wire;

struct RoundTrip {
    const char* what;
    Request request;
    Reply reply;
};

class WatchWireRoundTrip : public ::testing::TestWithParam<RoundTrip> {};

TEST_P(WatchWireRoundTrip, ReadsBackWhatWasWritten) {
    const RoundTrip& c = GetParam();
    const std::string request = FormatRequest(c.request);
    ASSERT_FALSE(request.empty());
    EXPECT_EQ(request.find('\n'), std::string::npos);
    EXPECT_EQ(ParseRequest(request), c.request) << request;
    const std::string reply = FormatReply(c.request.verb, c.reply);
    ASSERT_FALSE(reply.empty());
    EXPECT_EQ(reply.find('\n'), std::string::npos);
    EXPECT_EQ(ParseReply(reply, c.request.verb, c.reply.seq), c.reply) << reply;
}

const std::string kAwkwardText =
    std::string("a b\nc%d\r\x7f\x01=caf\xc3\xa9 ") + std::string(1, '\0') + "end";

std::string Repeat(const std::string& part, std::size_t times) {
    std::string whole;
    for (std::size_t i = 0; i < times; ++i) whole += part;
    return whole;
}

INSTANTIATE_TEST_SUITE_P(
    Lines, WatchWireRoundTrip,
    ::testing::Values(
        RoundTrip{"NoApplications", {1, Verb::Apps, {}}, {1, true, {}}},
        RoundTrip{"ManyIdsBothWays",
                  {9, Verb::Release, {std::int64_t{1}, std::int64_t{42}, std::int64_t{1} << 62}},
                  {9, true, {}}},
        RoundTrip{"TextsOfEveryByte",
                  {3, Verb::Attr, {std::int64_t{7}, kAwkwardText, std::string()}},
                  {3, true, {std::int64_t{1}}}},
        RoundTrip{"AnEmptyBar", {4, Verb::Text, {std::int64_t{7}}}, {4, true, {std::string()}}},
        RoundTrip{"APageAddressWithSpaces",
                  {8, Verb::Page, {std::int64_t{7}, std::string("DocURL")}},
                  {8, true, {std::string("file:///home/guest/My Downloads/a%20b.html")}}},
        RoundTrip{"AWindowLeftOfTheScreen",
                  {5, Verb::Extents, {std::int64_t{7}}},
                  {5, true, {std::int64_t{-2147483647 - 1}, std::int64_t{-3}, std::int64_t{0},
                             std::int64_t{2147483647}}}},
        RoundTrip{"AFailedCall", {6, Verb::Name, {std::int64_t{0}}}, {6, false, {}}},
        RoundTrip{"TheLargestProcessId",
                  {7, Verb::Pid, {std::int64_t{7}}},
                  {7, true, {std::int64_t{4294967295}}}}),
    [](const auto& info) { return std::string(info.param.what); });

struct Refused {
    const char* what;
    std::string line;
};

// Replies to request 12 of the verb each names.
struct RefusedReply {
    const char* what;
    Verb verb;
    std::string line;
};

class WatchWireRefusedReply : public ::testing::TestWithParam<RefusedReply> {};

TEST_P(WatchWireRefusedReply, IsNotTakenForAnAnswer) {
    EXPECT_EQ(ParseReply(GetParam().line, GetParam().verb, 12), std::nullopt);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, WatchWireRefusedReply,
    ::testing::Values(
        RefusedReply{"AnotherSequenceNumber", Verb::Count, "11 ok 3"},
        RefusedReply{"ALaterSequenceNumber", Verb::Count, "13 ok 3"},
        RefusedReply{"AFieldMissing", Verb::Extents, "12 ok 1 2 3"},
        RefusedReply{"AFieldTooMany", Verb::Count, "12 ok 3 4"},
        RefusedReply{"AFailWithFields", Verb::Count, "12 fail 3"},
        RefusedReply{"NeitherOkNorFail", Verb::Count, "12 maybe 3"},
        RefusedReply{"TextForANumber", Verb::Count, "12 ok =3"},
        RefusedReply{"ANumberForAText", Verb::Name, "12 ok 3"},
        RefusedReply{"ALeadingZero", Verb::Count, "12 ok 03"},
        RefusedReply{"ALeadingZeroInTheSequence", Verb::Count, "012 ok 3"},
        RefusedReply{"MinusZero", Verb::Extents, "12 ok -0 0 0 0"},
        RefusedReply{"APlusSign", Verb::Count, "12 ok +3"},
        RefusedReply{"ANegativeId", Verb::Child, "12 ok -4"},
        RefusedReply{"AProcessIdPast32Bits", Verb::Pid, "12 ok 4294967296"},
        RefusedReply{"ACountPast32Bits", Verb::Count, "12 ok 2147483648"},
        RefusedReply{"ATruthOtherThan0Or1", Verb::Frame, "12 ok 2"},
        RefusedReply{"TwoSpaces", Verb::Count, "12 ok  3"},
        RefusedReply{"ATrailingSpace", Verb::Count, "12 ok 3 "},
        RefusedReply{"ACarriageReturn", Verb::Count, "12 ok 3\r"},
        RefusedReply{"AnEscapeCutShort", Verb::Name, "12 ok =ab%4"},
        RefusedReply{"LowerCaseHex", Verb::Name, "12 ok =a%0a"},
        RefusedReply{"APlainByteEscaped", Verb::Name, "12 ok =%41"},
        RefusedReply{"AByteThatNeedsEscapingLeftBare", Verb::Name, "12 ok =caf\xc3\xa9"},
        RefusedReply{"AnEmptyLine", Verb::Apps, ""},
        RefusedReply{"TooLong", Verb::Name, "12 ok =" + std::string(kMaxLine, 'a')}),
    [](const auto& info) { return std::string(info.param.what); });

class WatchWireRefusedRequest : public ::testing::TestWithParam<Refused> {};

TEST_P(WatchWireRefusedRequest, IsNotServed) {
    EXPECT_EQ(ParseRequest(GetParam().line), std::nullopt);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, WatchWireRefusedRequest,
    ::testing::Values(Refused{"AnUnknownVerb", "1 type =casino"},
                      Refused{"AVerbInCapitals", "1 APPS"},
                      Refused{"NoVerb", "1"},
                      Refused{"NoSequenceNumber", "apps"},
                      Refused{"ANegativeSequenceNumber", "-1 apps"},
                      Refused{"AFieldMissing", "1 attr 7 =class"},
                      Refused{"ANumberForAText", "1 attr 7 =class 5"},
                      Refused{"AStateOtherThan0Or1", "1 state 7 2"},
                      Refused{"AnIndexPast32Bits", "1 child 7 2147483648"},
                      Refused{"ASequenceNumberPast64Bits", "99999999999999999999 apps"},
                      Refused{"AReplyForARequest", "1 ok"},
                      Refused{"TooLong", "1 release" + Repeat(" 1", kMaxLine / 2)}),
    [](const auto& info) { return std::string(info.param.what); });

TEST(WatchWire, WritesNothingForFieldsItsVerbDoesNotTake) {
    // A line no reader would take is never written: the caller sees it before sending.
    EXPECT_EQ(FormatRequest({1, Verb::Count, {std::string("7")}}), "");
    EXPECT_EQ(FormatRequest({1, Verb::State, {std::int64_t{7}, std::int64_t{2}}}), "");
    EXPECT_EQ(FormatReply(Verb::Text, {1, true, {std::string(kMaxLine, 'x')}}), "");
    EXPECT_EQ(FormatReply(Verb::Text, {1, false, {std::string("x")}}), "");
}

}  // namespace
}  // namespace quorvel::test
