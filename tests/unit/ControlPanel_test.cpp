// The control panel's loading rule: every loader runs, in order, whatever another did.
#include "panel/ControlPanel.h"

#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace quorvel::test {
namespace {

TEST(ControlPanelLoading, ALoaderThatFailsNeitherStopsTheOthersNorIsReported) {
    struct Case {
        const char* name;
        int failing;  // index of the loader that throws; -1 for none
    };
    for (const Case& c : {Case{"none", -1}, Case{"first", 0}, Case{"middle", 2}, Case{"last", 5}}) {
        std::vector<int> ran;
        const auto loader = [&](int index) {
            return [&ran, index, &c] {
                ran.push_back(index);
                if (index == c.failing) {
                    if (index % 2) throw 42;  // not even an exception class
                    throw std::runtime_error("unreadable");
                }
            };
        };
        EXPECT_NO_THROW(
            panel::RunLoadSteps({loader(0), loader(1), loader(2), loader(3), loader(4), loader(5)}))
            << c.name;
        EXPECT_EQ(ran, (std::vector<int>{0, 1, 2, 3, 4, 5})) << c.name;
    }
}

}  // namespace
}  // namespace quorvel::test
