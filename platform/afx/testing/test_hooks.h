// Internal: the queues that answer message boxes and file dialogs in headless runs.
#pragma once

#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "afx_testing.h"

namespace afx::detail {

struct TestHooks {
    std::mutex mu;
    std::deque<int> boxAnswers;
    std::vector<afx::testing::ShownBox> shown;
    std::deque<std::string> fileAnswers;
};

TestHooks& Hooks();

}  // namespace afx::detail
