#include "TitlePattern.h"

#include <QString>

namespace vexmira::mirror {

bool titleMatches(const std::string& pattern, const std::string& title) {
    if (pattern.empty()) return false;
    const std::u32string p = QString::fromStdString(pattern).toCaseFolded().toStdU32String();
    const std::u32string t = QString::fromStdString(title).toCaseFolded().toStdU32String();
    // Greedy with one step back: a later "*" never needs an earlier one to take more.
    std::size_t pi = 0, ti = 0, star = std::u32string::npos, resume = 0;
    while (ti < t.size()) {
        if (pi < p.size() && (p[pi] == U'?' || p[pi] == t[ti])) {
            ++pi, ++ti;
        } else if (pi < p.size() && p[pi] == U'*') {
            star = pi++;
            resume = ti;
        } else if (star != std::u32string::npos) {
            pi = star + 1;
            ti = ++resume;
        } else {
            return false;
        }
    }
    while (pi < p.size() && p[pi] == U'*')
        ++pi;
    return pi == p.size();
}

} // namespace vexmira::mirror
