#include <gtest/gtest.h>

#include "progress_text.hpp"

namespace nurlo {
namespace {

TEST(ProgressText, ShareDoneAndTimeLeftFromThePaceSoFar) {
    struct Case {
        Stage stage;
        std::int64_t done, total;
        double elapsed;
        const char* text;
    };
    const Case cases[] = {
        {Stage::Walks, 0, 1000, 0.0, "0 %"},
        {Stage::Walks, 420, 1000, 0.5, "42 %"},  // too early to tell the time left
        {Stage::Walks, 420, 1000, 2.0, "42 % — circa 3 s"},
        {Stage::Walks, 420, 1000, 130.5, "42 % — circa 3 min"},
        {Stage::Walks, 1, 1000, 10.0, "0 % — circa 2 h 47 min"},
        {Stage::Walks, 1, 100000, 10.0, "0 % — circa 12 giorni"},
        {Stage::Walks, 999, 1000, 100.0, "99 % — circa 1 s"},
        {Stage::Walks, 1000, 1000, 100.0, "100 %"},
        {Stage::Walks, 0, 0, 5.0, "0 %"},  // N <= 0: nothing to do
        {Stage::Fill, 421, 1001, 3.0, "Griglia: 42 %"},
        {Stage::Idle, 0, 0, 0.0, ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(progressText(c.stage, c.done, c.total, c.elapsed).toStdString(), c.text)
            << c.done << " of " << c.total << " in " << c.elapsed << " s";
    }
}

TEST(ProgressText, TimeLeftIsRoundedToWhatAPersonNeeds) {
    EXPECT_EQ(timeLeftText(0.2).toStdString(), "circa 1 s");
    EXPECT_EQ(timeLeftText(59.4).toStdString(), "circa 59 s");
    EXPECT_EQ(timeLeftText(59.6).toStdString(), "circa 1 min");
    EXPECT_EQ(timeLeftText(3569).toStdString(), "circa 59 min");
    EXPECT_EQ(timeLeftText(3600).toStdString(), "circa 1 h");
    EXPECT_EQ(timeLeftText(47.9 * 3600).toStdString(), "circa 47 h 54 min");
    EXPECT_EQ(timeLeftText(50 * 3600).toStdString(), "circa 2 giorni");
}

}  // namespace
}  // namespace nurlo
