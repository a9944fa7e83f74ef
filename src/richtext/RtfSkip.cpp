#include "RtfSkip.h"

#include <algorithm>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace vexmira::richtext {

namespace {

bool special(char c) {
    return c == '{' || c == '}' || c == '\\';
}

// The first brace or backslash at or after `at`.
std::size_t nextSpecial(std::string_view text, std::size_t at) {
    const char* data = text.data();
    const std::size_t size = text.size();
#if defined(__SSE2__)
    const __m128i open = _mm_set1_epi8('{');
    const __m128i close = _mm_set1_epi8('}');
    const __m128i backslash = _mm_set1_epi8('\\');
    while (at + 16 <= size) {
        const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + at));
        const __m128i hits =
            _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(chunk, open), _mm_cmpeq_epi8(chunk, close)),
                         _mm_cmpeq_epi8(chunk, backslash));
        const int mask = _mm_movemask_epi8(hits);
        if (mask != 0) return at + static_cast<std::size_t>(__builtin_ctz(static_cast<unsigned>(mask)));
        at += 16;
    }
#endif
    while (at < size && !special(data[at]))
        ++at;
    return at;
}

} // namespace

std::size_t skipRestOfGroup(std::string_view text, std::size_t at) {
    int depth = 1;
    while (true) {
        at = nextSpecial(text, at);
        if (at >= text.size()) return text.size();
        const char c = text[at];
        if (c == '{') {
            ++depth;
            ++at;
        } else if (c == '}') {
            if (--depth == 0) return at;
            ++at;
        } else { // a backslash: an escaped sign, or a word that may be \binN
            ++at;
            if (at < text.size() && text.substr(at).starts_with("bin")) {
                std::size_t p = at + 3;
                unsigned long long length = 0;
                bool digits = false;
                while (p < text.size() && text[p] >= '0' && text[p] <= '9') {
                    digits = true;
                    length = std::min<unsigned long long>(length * 10 + static_cast<unsigned>(text[p] - '0'),
                                                          text.size());
                    ++p;
                }
                if (digits) {
                    if (p < text.size() && text[p] == ' ') ++p;
                    at = p + std::min<std::size_t>(static_cast<std::size_t>(length), text.size() - p);
                    continue;
                }
            }
            if (at < text.size()) ++at; // the escaped sign, or the word's first letter
        }
    }
}

} // namespace vexmira::richtext
