// At the end of a run, one line per area (the test suite's name without
// "Conformance") with how many rules it checked and how many of them held,
// so that a shrinking suite shows in the test command's output.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <string>

namespace {

class AreaCounts : public ::testing::EmptyTestEventListener {
    void OnTestProgramEnd(const ::testing::UnitTest& unit) override {
        std::map<std::string, std::pair<int, int>> areas; // checked, held
        for (int i = 0; i < unit.total_test_suite_count(); ++i) {
            const ::testing::TestSuite* suite = unit.GetTestSuite(i);
            std::string area = suite->name();
            if (auto at = area.find("Conformance"); at != std::string::npos)
                area.erase(at);
            for (int j = 0; j < suite->total_test_count(); ++j) {
                const ::testing::TestInfo* test = suite->GetTestInfo(j);
                if (!test->should_run() || test->result()->Skipped())
                    continue;
                auto& [checked, held] = areas[area];
                ++checked;
                if (test->result()->Passed())
                    ++held;
            }
        }
        int checked = 0;
        int held = 0;
        for (const auto& [area, counts] : areas) {
            std::printf("conformance area %-16s %3d rules checked, %3d held\n", area.c_str(),
                        counts.first, counts.second);
            checked += counts.first;
            held += counts.second;
        }
        std::printf("conformance total %-15s %3d rules checked, %3d held\n", "", checked, held);
        std::fflush(stdout);
    }
};

const bool registered = [] {
    ::testing::UnitTest::GetInstance()->listeners().Append(new AreaCounts);
    return true;
}();

} // namespace
