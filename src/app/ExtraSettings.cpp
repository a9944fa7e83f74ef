#include "ExtraSettings.h"

#include <algorithm>

namespace vexmira::app {

ExtraSettings Extras;

namespace {

constexpr const char* section = "Extras";

std::string trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

} // namespace

std::vector<std::string> splitClassList(const std::string& text) {
    std::vector<std::string> classes;
    for (std::size_t start = 0; start <= text.size();) {
        const std::size_t comma = std::min(text.find(',', start), text.size());
        if (std::string name = trimmed(text.substr(start, comma - start)); !name.empty())
            classes.push_back(std::move(name));
        start = comma + 1;
    }
    return classes;
}

std::string joinClassList(const std::vector<std::string>& classes) {
    std::string text;
    for (const std::string& name : classes)
        text += (text.empty() ? "" : ", ") + name;
    return text;
}

ExtraSettings readExtraSettings(const platform::IniFile& file) {
    ExtraSettings s;
    s.blankKey = file.readString(section, "BlankKey", s.blankKey);
    s.blankKeyArmed = file.readInteger(section, "BlankKeyOn", 0) == 1;
    s.blankPicture = file.readString(section, "BlankPicture", "");
    s.maskedClasses = splitClassList(file.readString(section, "MaskedClasses", ""));
    s.reattach = file.readInteger(section, "Reattach", 0) == 1;
    s.reattachTitle = file.readString(section, "ReattachTitle", "");
    s.followMargin = std::clamp(file.readInteger(section, "FollowMargin", s.followMargin), 0, 1000);
    return s;
}

void writeExtraSettings(platform::IniFile& file, const ExtraSettings& s) {
    if (s == ExtraSettings{} && !file.value(section, "BlankKey")) return;
    file.writeString(section, "BlankKey", s.blankKey);
    file.writeInteger(section, "BlankKeyOn", s.blankKeyArmed ? 1 : 0);
    file.writeString(section, "BlankPicture", s.blankPicture);
    file.writeString(section, "MaskedClasses", joinClassList(s.maskedClasses));
    file.writeInteger(section, "Reattach", s.reattach ? 1 : 0);
    file.writeString(section, "ReattachTitle", s.reattachTitle);
    file.writeInteger(section, "FollowMargin", s.followMargin);
}

} // namespace vexmira::app
