#pragma once

#include "SlideList.h"
#include "raster/Geometry.h"

#include <QString>
#include <filesystem>
#include <vector>

namespace vexmira::sources {

// One row of the slide setup's list: a file and what the list shows of it.
struct SlideEntry {
    std::filesystem::path path; // the full path, as it was added
    QString file;               // the name without its folder
    long long size = -1;        // bytes; -1 when the file cannot be found
    QString type;               // the file type's description
    QString location;           // the folder, without a trailing separator unless it is the root
    QString dimensions;         // "640 X 480" for a picture whose header says so, else empty
    TFileKind kind = fkOther;

    // The text of a list column: 0 file, 1 size, 2 type, 3 location, 4 dimensions.
    QString column(int index) const;
};

// What adding a file gave: the entry, and when its picture's size could not be read, why.
struct SlideEntryBuild {
    SlideEntry entry;
    QString problem;
};

// An entry for `file`, from its directory entry and, for a picture, its header alone.
SlideEntryBuild makeSlideEntry(const std::filesystem::path& file);

// The folder as the "Location" column shows it.
QString locationText(const std::filesystem::path& folder);

// The order of the entries sorted by a list column, as indexes into `entries`; entries that
// compare equal keep their order. Text columns compare upper-cased, by code point; sizes as
// numbers, equal sizes by file names that are whole numbers.
std::vector<int> sortedOrder(const std::vector<SlideEntry>& entries, int column, bool descending);

// The size at which the setup's preview box shows a picture: the longer side becomes 209 pixels
// and the other keeps the proportion (rounded down, at least 1).
raster::Size thumbnailSize(raster::Size picture);

} // namespace vexmira::sources
