// The thread count a program outside the library gives the engine through
// FRAMIRA_THREADS (framira-batch --threads does): the engine reads it once,
// so every case runs in a fresh process of its own.
#include "work_pool.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <string>

namespace {

TEST(WorkPool, ThreadCountFromTheEnvironment)
{
    // A re-executed child, not a fork: the count must not have been read yet.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const struct {
        const char* value;  // null: unset
        int threads;        // 0: the default, as when unset
    } cases[] = {
        {nullptr, 0}, {"1", 1}, {"3", 3}, {"0", 0}, {"-2", 0}, {"2x", 0}, {" 2", 0}, {"", 0},
    };
    int counts[std::size(cases)] = {};
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(cases[i].value == nullptr ? "unset" : std::string("'") + cases[i].value + "'");
        int& count = counts[i];
        EXPECT_EXIT(
            {
                if (cases[i].value == nullptr)
                    ::unsetenv("FRAMIRA_THREADS");
                else
                    ::setenv("FRAMIRA_THREADS", cases[i].value, 1);
                std::_Exit(framira::WorkThreadCount());
            },
            [&count](int status) {
                count = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
                return count > 0;
            },
            "");
    }
    for (size_t i = 0; i < std::size(cases); ++i) {
        EXPECT_EQ(counts[i], cases[i].threads > 0 ? cases[i].threads : counts[0])
            << (cases[i].value == nullptr ? "unset" : cases[i].value);
    }
}

} // namespace
