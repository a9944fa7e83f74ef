#include "SlideText.h"

#include "FileNames.h"
#include "SlideList.h"
#include "platform/FileSystem.h"

#include <stdexcept>

namespace vexmira::sources {

void loadTextSlide(widgets::TRichEdit& viewer, const std::filesystem::path& file) {
    const platform::FileContent content = platform::readWholeFile(file);
    const auto fail = [&file](const std::string& why) {
        throw std::runtime_error((displayName(file) + ": ").toStdString() + why);
    };
    if (content.status == platform::ReadStatus::Missing) fail("the file does not exist");
    if (content.status != platform::ReadStatus::Read) fail(content.reason);
    const richtext::ReadResult result = viewer.loadText(content.bytes, FileKind(file) == fkText);
    if (!result.error.empty()) fail(result.error);
}

} // namespace vexmira::sources
