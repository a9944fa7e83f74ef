#pragma once

#include <QIcon>

namespace vexmira::sources {

// The pictures of the text editor's toolbar, drawn here rather than shipped as files.
enum class EditorIcon {
    BlankPage,
    OpenFolder,
    Disk,
    DiskWithGrid,
    Printer,
    Scissors,
    TwoPages,
    Clipboard,
    CurvedArrow,
    LargerA,
    SmallerA,
    LetterA,
    Bold,
    Italic,
    Underline,
    AlignLeft,
    AlignCentre,
    AlignRight,
    BulletList
};

// A 16 x 16 icon.
QIcon editorIcon(EditorIcon icon);

} // namespace vexmira::sources
