#include <gtest/gtest.h>

#include "progress_text.hpp"

namespace nurlo {
namespace {

// The share done, and the time left from the pace so far once a second has passed, rounded to
// what a person needs.
TEST(ProgressText, ShareDoneAndTimeLeft) {
    struct Case {
        Stage stage;
        std::int64_t done, total;
        double elapsed;
        const char* text;
    } const cases[] = {
        {Stage::Walks, 420, 1000, 0.5, "42 %"},
        {Stage::Walks, 420, 1000, 2.0, "42 % — circa 3 s"},
        {Stage::Walks, 420, 1000, 130.5, "42 % — circa 3 min"},
        {Stage::Walks, 1, 1000, 10.0, "0 % — circa 2 h 47 min"},
        {Stage::Walks, 1, 100000, 10.0, "0 % — circa 12 giorni"},
        {Stage::Walks, 0, 0, 5.0, "0 %"},  // N <= 0: nothing to do
        {Stage::Fill, 421, 1001, 3.0, "Griglia: 42 %"},
        {Stage::Exact, 42, 100, 3.0, "Soluzione esatta: 42 %"},
        {Stage::Idle, 42, 100, 3.0, ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(progressText(c.stage, c.done, c.total, c.elapsed).toStdString(), c.text)
            << c.done << " of " << c.total << " in " << c.elapsed << " s";
    }
}

}  // namespace
}  // namespace nurlo
