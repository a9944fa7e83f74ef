#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vexmira::sources {

// How a slide is shown, by its file's extension alone (letter case does not matter).
enum TFileKind { fkText = 0, fkJpeg = 1, fkPng = 2, fkBitmap = 3, fkRichText = 4, fkOther = 5 };
TFileKind FileKind(const std::filesystem::path& file);
inline bool isPictureKind(TFileKind kind) {
    return kind == fkJpeg || kind == fkPng || kind == fkBitmap;
}

// A slide list as its file holds it: the loop flag, the duration in seconds and the slides.
struct SlideListFile {
    bool loop = false;
    int duration = 4; // 0..100
    std::vector<std::filesystem::path> slides;
};

// What reading a list file gave: the list, or what is wrong and on which line (1-based).
struct SlideListRead {
    bool ok = false;
    SlideListFile list;
    int badLine = 0;
    std::string problem;
};

// Reads a list file's bytes: a UTF-8 byte-order mark is skipped, UTF-16 with a byte-order mark is
// accepted, else each line is UTF-8 when valid and cp1252 otherwise. Lines end with CR LF, LF
// or CR; blank lines are skipped. Line 1 is the loop flag, line 2 the duration (a whole number,
// optionally signed and with blanks, kept within 0..100), the rest the slides; a relative path
// is taken from `folder`, the list file's folder.
SlideListRead readSlideList(std::string_view bytes, const std::filesystem::path& folder);

// The list file's text: UTF-8 without a byte-order mark, every line ended by CR LF. Slides whose
// names hold a line break (which a line cannot hold) are left out.
std::string writeSlideList(const SlideListFile& list);

// Moves entry `index` one place up or down and returns where it went: up from the first place
// goes to the end; down from the last place stays. Out of range: nothing, -1.
template <typename T> int moveListEntry(std::vector<T>& entries, int index, bool up) {
    const int count = static_cast<int>(entries.size());
    if (index < 0 || index >= count) return -1;
    T moved = std::move(entries[static_cast<std::size_t>(index)]);
    entries.erase(entries.begin() + index);
    int to = up ? index - 1 : index + 1;
    if (up && index == 0) to = count - 1;
    if (!up && index == count - 1) to = count - 1;
    entries.insert(entries.begin() + to, std::move(moved));
    return to;
}

} // namespace vexmira::sources
