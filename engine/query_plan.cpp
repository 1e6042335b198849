#include "engine/query_plan.h"

#include <algorithm>
#include <cctype>
#include <utility>

#include "engine/product.h"
#include "engine/text.h"

namespace ch {

const std::array<std::string, kQueryPlanSize>& PredefinedQueryPlan() {
    static const std::array<std::string, kQueryPlanSize> plan = {
        "1 index of funny avi",    "2 index of funny mpg",  "3 index of funny mpeg",
        "4 index of funny wmv",    "5 index of funny rmvb", "6 index of funny rm",
        "7 index of funny flv",    "8 index of funny mov",  "9 index of funny mpa",
        "10 index of funny mpe",   "11 index of funny asf", "12 index of funny asx",
        "13 index of funny video", "14 index of funny",     "15 funny",
    };
    return plan;
}

bool IsDefaultKeyword(const std::string& keyword) {
    return text::ToLower(keyword) == kDefaultKeyword;
}

std::string ResultsPageAddress(const std::string& query, int start) {
    return std::string("http://") + kResultsHost +
           "/search?num=100&hl=en&lr=&newwindow=1&as_qdr=all&q=" + text::PercentEncode(query) +
           "&start=" + std::to_string(start) + "&sa=N";
}

void ShuffleQueryPlan(std::vector<std::string>& plan, RandomGenerator& random) {
    const int count = static_cast<int>(plan.size());
    for (int pass = 0; pass < 3; ++pass) {
        for (int i = 1; i <= count - 3; ++i) {
            const int j = static_cast<int>((count - 1 - i) * random.Next() + 1 + i);
            std::swap(plan[static_cast<size_t>(i)], plan[static_cast<size_t>(j)]);
        }
    }
}

std::string TextAfterFirstBlank(const std::string& text) {
    const size_t blank = text.find(' ');
    return blank == std::string::npos ? text : text.substr(blank + 1);
}

}  // namespace ch
