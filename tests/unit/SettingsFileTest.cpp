// The settings file format, the custom colours text and the auto-hide fade schedule.
#include "ImageMagick.h"
#include "app/CustomColors.h"
#include "app/FadeSchedule.h"
#include "platform/FileSystem.h"
#include "platform/IniFile.h"

#include <QSettings>
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <fstream>
#include <unistd.h>

using namespace vexmira::app;
using vexmira::platform::IniFile;
using vexmira::testing::TemporaryFolder;

namespace {

void writeText(const std::filesystem::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

std::string readText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

} // namespace

TEST(IniFile, NamesAreComparedWithoutRegardToCase) {
    TemporaryFolder folder;
    writeText(folder / "a.cfg", "[OPTIONS]\r\nSHOWHINT=0\r\noptShowredpoint = 1\r\n");
    IniFile file(folder / "a.cfg");
    EXPECT_EQ(file.readInteger("Options", "showHint", 1), 0);
    EXPECT_EQ(file.readInteger("options", "optShowRedPoint", 0), 1);
    // Writing with other capitals changes the same line.
    file.writeInteger("Options", "ShowHint", 1);
    EXPECT_EQ(file.text(), "[OPTIONS]\nShowHint=1\noptShowredpoint = 1\n");
}

TEST(IniFile, BadNumbersAndMissingKeysGiveDefaults) {
    TemporaryFolder folder;
    writeText(
        folder / "a.cfg",
        "[Options]\nrefreshRate=fast\nopScaleValue=150\nbad=12abc\nhex=$1F\nhex2=0x10\nbig=99999999999\n"
        "neg=-20\nspaced=  7  \nhalf=62,5\nempty=\n");
    const IniFile file(folder / "a.cfg");
    EXPECT_EQ(file.readInteger("Options", "refreshRate", 5), 5);
    EXPECT_DOUBLE_EQ(file.readFloat("Options", "opScaleValue", 100.0) / 100.0, 1.5);
    EXPECT_DOUBLE_EQ(file.readFloat("Options", "refreshRate", 100.0), 100.0);
    EXPECT_EQ(file.readInteger("Options", "bad", 3), 3);
    EXPECT_EQ(file.readInteger("Options", "hex", 0), 31);
    EXPECT_EQ(file.readInteger("Options", "hex2", 0), 16);
    EXPECT_EQ(file.readInteger("Options", "big", 4), 4);
    EXPECT_EQ(file.readInteger("Options", "neg", 0), -20);
    EXPECT_EQ(file.readInteger("Options", "spaced", 0), 7);
    EXPECT_DOUBLE_EQ(file.readFloat("Options", "half", 0), 62.5);
    EXPECT_EQ(file.readInteger("Options", "empty", 9), 9);
    EXPECT_EQ(file.readInteger("Options", "missing", 8), 8);
    EXPECT_EQ(file.readInteger("Nowhere", "refreshRate", 6), 6);
    EXPECT_TRUE(file.readBool("Options", "neg", false));
    EXPECT_FALSE(file.readBool("Options", "missing", false));

    const IniFile none(folder / "no-such-file.cfg");
    EXPECT_EQ(none.readString("Options", "HotKey", "None"), "None");
}

TEST(IniFile, UntouchedLinesKeepTheirPlaceAndNewKeysJoinTheirSection) {
    TemporaryFolder folder;
    const std::string original = "; kept comment\n[Velikost]\nLevo=10\nGor=20\n\n[Foreign]\nkey=value with = "
                                 "sign\n\n[Options]\nunknown=42\n";
    writeText(folder / "a.cfg", original);
    IniFile file(folder / "a.cfg");
    file.writeInteger("Velikost", "Gor", 30);
    file.writeBool("Options", "optAutohide", true);
    file.writeFloat("Options", "opScaleValue", 150.0);
    file.writeString("New", "HotKey", "Ctrl+F9");
    ASSERT_TRUE(file.save());
    EXPECT_EQ(readText(folder / "a.cfg"),
              "; kept comment\n[Velikost]\nLevo=10\nGor=30\n\n[Foreign]\nkey=value with = sign\n\n"
              "[Options]\nunknown=42\noptAutohide=1\nopScaleValue=150\n\n[New]\nHotKey=Ctrl+F9\n");
    EXPECT_EQ(IniFile(folder / "a.cfg").readString("Foreign", "key", ""), "value with = sign");
}

TEST(IniFile, SavingIntoAMissingFolderFailsWithoutDamage) {
    TemporaryFolder folder;
    IniFile file(folder / "missing" / "a.cfg");
    file.writeInteger("Options", "x", 1);
    EXPECT_FALSE(file.save());
}

TEST(IniFile, AgreesWithQtsIniImplementationBothWays) {
    TemporaryFolder folder;
    const QString theirs = QString::fromStdString((folder / "theirs.cfg").string());
    {
        QSettings settings(theirs, QSettings::IniFormat);
        settings.setValue("Velikost/Levo", 1234);
        settings.setValue("Velikost/Gor", -7);
        settings.setValue("Options/opScaleValue", 87.5);
        settings.setValue("Options/HotKey", "Ctrl+Shift+S");
        settings.setValue("Options/optAutohide", 1);
    }
    const IniFile read(folder / "theirs.cfg");
    EXPECT_EQ(read.readInteger("Velikost", "Levo", 0), 1234);
    EXPECT_EQ(read.readInteger("velikost", "gor", 0), -7);
    EXPECT_DOUBLE_EQ(read.readFloat("Options", "opScaleValue", 0), 87.5);
    EXPECT_EQ(read.readString("Options", "HotKey", ""), "Ctrl+Shift+S");
    EXPECT_TRUE(read.readBool("Options", "optAutohide", false));

    IniFile ours(folder / "ours.cfg");
    ours.writeInteger("Velikost", "Levo", 55);
    ours.writeFloat("Options", "opScaleValue", 150.25);
    ours.writeString("Options", "HotKey", "None");
    ours.writeBool("Options", "optAutohideagain", true);
    ASSERT_TRUE(ours.save());
    QSettings settings(QString::fromStdString((folder / "ours.cfg").string()), QSettings::IniFormat);
    EXPECT_EQ(settings.value("Velikost/Levo").toInt(), 55);
    EXPECT_DOUBLE_EQ(settings.value("Options/opScaleValue").toDouble(), 150.25);
    EXPECT_EQ(settings.value("Options/HotKey").toString(), "None");
    EXPECT_EQ(settings.value("Options/optAutohideagain").toInt(), 1);
}

TEST(CustomColors, TextFormRoundTripsAndSkipsBrokenLines) {
    CustomColorSet colors{};
    for (int i = 0; i < 16; ++i)
        colors[i] = 0x010101u * static_cast<unsigned>(i) + 0x00A000u;
    const std::string text = formatCustomColors(colors);
    EXPECT_EQ(text.substr(0, 14), "ColorA=00A000\r");
    EXPECT_NE(text.find("\r\nColorP=0FAF0F"), std::string::npos);
    EXPECT_EQ(parseCustomColors(text, {}), colors);

    CustomColorSet start{};
    start.fill(0xFFFFFF);
    const CustomColorSet parsed =
        parseCustomColors("ColorB=123456\nColorZ=000000\nColorC=xyz\njunk\nColorD=abcdef", start);
    EXPECT_EQ(parsed[1], 0x123456u);
    EXPECT_EQ(parsed[3], 0xABCDEFu);
    EXPECT_EQ(parsed[2], 0xFFFFFFu);
    EXPECT_EQ(parsed[0], 0xFFFFFFu);
}

TEST(FadeSchedule, OpacityTickByTickWithThePointerAway) {
    // tick -> opacity shown after it
    const std::pair<int, int> expected[] = {{1, 255},  {54, 255}, {55, 198}, {56, 196}, {98, 112}, {99, 105},
                                            {100, 98}, {101, 93}, {118, 8},  {119, 3},  {120, 3},  {500, 3}};
    int alpha = 255;
    int opacity = 255;
    std::size_t next = 0;
    for (int tick = 1; tick <= 500 && next < std::size(expected); ++tick) {
        const FadeStep step = fadeAway(alpha);
        alpha = step.alphaLevel;
        if (step.opacity >= 0) opacity = step.opacity;
        if (tick == expected[next].first) {
            EXPECT_EQ(opacity, expected[next].second) << "tick " << tick;
            ++next;
        }
    }
    EXPECT_EQ(next, std::size(expected));
}

TEST(FadeSchedule, CornerAndInsideRestoreTheEdgeHolds) {
    const QSize client(433, 278);
    const QPoint far(900, 900);
    // top-left corner of the screen, wherever the window is
    EXPECT_EQ(fadeTick({1, 0}, {-1419, -100}, client, 433, 3).opacity, 255);
    EXPECT_EQ(fadeTick({1, 0}, {-1419, -100}, client, 433, 3).alphaLevel, 255);
    // strictly inside
    EXPECT_EQ(fadeTick(far, {10, 10}, client, 433, 50).opacity, 255);
    // on the right or bottom edge: nothing changes
    const FadeStep edge = fadeTick(far, {433, 100}, client, 433, 50);
    EXPECT_EQ(edge.alphaLevel, 50);
    EXPECT_EQ(edge.opacity, -1);
    EXPECT_EQ(fadeTick(far, {100, 278}, client, 433, 120).opacity, -1);
    // outside: a fade step
    EXPECT_EQ(fadeTick(far, {-5, 10}, client, 433, 201).opacity, 198);
}

// What the home platform's INI reader does with the line ends, a byte-order mark and a section
// written twice, and that what is written back ends with a line break.
TEST(IniFile, LineEndsMarkAndRepeatedSectionsAsOnTheHomePlatform) {
    const struct {
        const char* name;
        std::string text;
        int hint;
        int rate;
    } cases[] = {
        {"byte-order mark", "\xEF\xBB\xBF[Options]\nShowHint=0\nrefreshRate=7", 0, 7},
        // The second mark is part of the first line, which is then no section header; writing
        // back must keep the first mark, or the file reads differently the next time.
        {"two byte-order marks", "\xEF\xBB\xBF\xEF\xBB\xBF[Options]\nShowHint=0\nrefreshRate=7", 1, 5},
        {"lone CR line ends", "[Options]\rShowHint=0\rrefreshRate=8\r", 0, 8},
        {"CR LF and LF mixed", "[Options]\r\nShowHint=0\nrefreshRate=9\r\n", 0, 9},
        {"first of two sections",
         "[Options]\nShowHint=0\n[Other]\nx=1\n[OPTIONS]\nShowHint=1\nrefreshRate=30\n", 0, 5},
    };
    for (const auto& c : cases) {
        IniFile file("a.cfg", c.text);
        EXPECT_EQ(file.readInteger("Options", "ShowHint", 1), c.hint) << c.name;
        EXPECT_EQ(file.readInteger("Options", "refreshRate", 5), c.rate) << c.name;
        file.writeInteger("Options", "refreshRate", 42);
        const std::string written = file.text();
        EXPECT_TRUE(written.ends_with("\n")) << c.name;
        EXPECT_EQ(written.find('\r'), std::string::npos) << c.name;
        EXPECT_EQ(IniFile("b.cfg", written).readInteger("Options", "refreshRate", 0), 42) << c.name;
    }
    // The write goes into the first section; the second keeps its lines untouched.
    IniFile twice("c.cfg", "[Options]\nShowHint=0\n[Options]\nrefreshRate=30\n");
    twice.writeInteger("Options", "refreshRate", 42);
    EXPECT_EQ(twice.text(), "[Options]\nShowHint=0\nrefreshRate=42\n[Options]\nrefreshRate=30\n");
}

TEST(IniFile, ALineBreakInAValueNeverStartsALine) {
    IniFile file("a.sct", "[scroll]\ntext=old\nxstep=3\n");
    file.writeString("scroll", "text", "one\r\ntwo\nthree\rfour");
    file.writeString("scroll", "fname", "[scroll]\nxstep=9");
    const IniFile reread("a.sct", file.text());
    EXPECT_EQ(reread.readString("scroll", "text", ""), "one two three four");
    EXPECT_EQ(reread.readString("scroll", "fname", ""), "[scroll] xstep=9");
    EXPECT_EQ(reread.readInteger("scroll", "xstep", 0), 3);
}

TEST(IniFile, BytesThatAreNotUtf8SurviveAWrite) {
    TemporaryFolder folder;
    const std::string odd = "Str\xE8g+\xFF\xFE";
    writeText(folder / "a.cfg", "[Options]\nHotKey=" + odd + "\n");
    IniFile file(folder / "a.cfg");
    file.writeString("Options", "HotKey", file.readString("Options", "HotKey", ""));
    file.writeInteger("Options", "CbBeep", 1);
    ASSERT_TRUE(file.save());
    EXPECT_EQ(readText(folder / "a.cfg"), "[Options]\nHotKey=" + odd + "\nCbBeep=1\n");
}

// The file on disk: never half written, never replaced when it could not be read, a link stays
// a link, the permission bits stay, and temporaries of a killed save are cleared.
TEST(SettingsFileOnDisk, WritesKeepLinksModesAndUnreadableFiles) {
    TemporaryFolder folder;
    writeText(folder / "target.cfg", "[Options]\nrefreshRate=3\n");
    std::filesystem::permissions(folder / "target.cfg", std::filesystem::perms(0640));
    std::filesystem::create_symlink("target.cfg", folder / "Vexmira.cfg");
    IniFile linked(folder / "Vexmira.cfg");
    linked.writeInteger("Options", "refreshRate", 4);
    ASSERT_TRUE(linked.save());
    EXPECT_TRUE(std::filesystem::is_symlink(folder / "Vexmira.cfg"));
    EXPECT_EQ(IniFile(folder / "target.cfg").readInteger("Options", "refreshRate", 0), 4);
    EXPECT_EQ(std::filesystem::status(folder / "target.cfg").permissions() & std::filesystem::perms::all,
              std::filesystem::perms(0640));

    // A path that exists but cannot be read as a file: defaults, and nothing is written over it.
    std::filesystem::create_directory(folder / "busy.cfg");
    writeText(folder / "busy.cfg" / "inside", "kept");
    IniFile unreadable(folder / "busy.cfg");
    ASSERT_TRUE(unreadable.unreadableReason().has_value());
    EXPECT_EQ(unreadable.readInteger("Options", "refreshRate", 5), 5);
    unreadable.writeInteger("Options", "refreshRate", 9);
    std::string problem;
    EXPECT_FALSE(unreadable.save(&problem));
    EXPECT_NE(problem.find("could not be read"), std::string::npos) << problem;
    EXPECT_EQ(readText(folder / "busy.cfg" / "inside"), "kept");

    // Temporaries: one of a process that is gone goes, one of a running process stays.
    writeText(folder / "target.cfg.tmp-999999999-AbC123", "half");
    const std::string live = "target.cfg.tmp-" + std::to_string(getppid()) + "-XyZ789";
    writeText(folder / live, "in progress");
    vexmira::platform::removeStaleTemporaries(folder / "Vexmira.cfg");
    EXPECT_FALSE(std::filesystem::exists(folder / "target.cfg.tmp-999999999-AbC123"));
    EXPECT_TRUE(std::filesystem::exists(folder / live));
    int left = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder.path()))
        left += entry.path().filename().string().find(".tmp-") != std::string::npos;
    EXPECT_EQ(left, 1); // no save left one of its own
}

// Names up to the longest a folder holds are written; their temporaries are short, and cleaned
// up like the others when their process is gone.
TEST(SettingsFileOnDisk, TheLongestLegalNamesAreWritten) {
    TemporaryFolder folder;
    for (const std::size_t length : {200u, 239u, 255u}) {
        const std::filesystem::path file = folder / (std::string(length - 4, 'n') + ".png");
        vexmira::platform::writeFileAtomically(file, std::string_view("picture"));
        EXPECT_EQ(readText(file), "picture") << length;
        EXPECT_TRUE(vexmira::platform::writeNewFile(folder / (std::string(length - 4, 'm') + ".jpg"),
                                                    std::span<const std::uint8_t>()))
            << length;
    }
    writeText(folder / ".tmp-999999999-AbC123", "half");
    vexmira::platform::removeStaleTemporaries(folder / (std::string(251, 'n') + ".png"));
    EXPECT_FALSE(std::filesystem::exists(folder / ".tmp-999999999-AbC123"));
}

// Only regular files are read, never waiting on a pipe, and none beyond the limit asked.
TEST(SettingsFileOnDisk, PipesDevicesAndHugeFilesAreNotRead) {
    TemporaryFolder folder;
    ASSERT_EQ(mkfifo((folder / "pipe.cfg").c_str(), 0600), 0);
    std::filesystem::create_symlink("/dev/zero", folder / "zero.cfg");
    {
        std::ofstream big(folder / "big.cfg", std::ios::binary);
        big.seekp(100LL << 20);
        big.put('\n');
    }
    for (const char* name : {"pipe.cfg", "zero.cfg", "big.cfg"}) {
        const auto content = vexmira::platform::readWholeFile(folder / name);
        EXPECT_EQ(content.status, vexmira::platform::ReadStatus::Unreadable) << name;
        EXPECT_FALSE(content.reason.empty()) << name;
        EXPECT_TRUE(IniFile(folder / name).unreadableReason().has_value()) << name;
    }
    EXPECT_EQ(vexmira::platform::readWholeFile(folder / "big.cfg", std::size_t(200) << 20).status,
              vexmira::platform::ReadStatus::Read);
}

TEST(IniFile, NumbersAreDigitsWithOneSignAndFloatsAreWrittenShort) {
    const struct {
        const char* text;
        std::optional<int> value;
    } integers[] = {{"42", 42},
                    {" -7 ", -7},
                    {"+3", 3},
                    {"$1F", 31},
                    {"0x1f", 31},
                    {"-$10", -16},
                    {"--5", std::nullopt},
                    {"+-5", std::nullopt},
                    {"0x-5", std::nullopt},
                    {"$+5", std::nullopt},
                    {"5x", std::nullopt},
                    {"", std::nullopt},
                    {"1e3", std::nullopt},
                    {"2147483648", std::nullopt},
                    {"-2147483648", -2147483647 - 1}};
    for (const auto& c : integers)
        EXPECT_EQ(IniFile::parseInteger(c.text), c.value) << c.text;
    EXPECT_EQ(IniFile::parseFloat("1,5"), 1.5);
    EXPECT_EQ(IniFile::parseFloat(" 2.25 "), 2.25);
    EXPECT_FALSE(IniFile::parseFloat("1.5.2").has_value());

    IniFile file("a.cfg", "");
    const struct {
        double value;
        const char* written;
    } floats[] = {
        {1.1 * 100, "110"}, {0.1 * 3 * 100, "30"}, {150.0, "150"}, {12.5, "12.5"}, {0.07 * 100, "7"}};
    for (const auto& f : floats) {
        file.writeFloat("Options", "opScaleValue", f.value);
        EXPECT_EQ(file.readString("Options", "opScaleValue", ""), f.written) << f.value;
    }
}

// A settings file written as UTF-16 (LE or BE, with its mark) is read, and written back whole in
// its own encoding; a value ends at a NUL byte as the home platform's reader takes it.
TEST(IniFile, Utf16FilesAreReadAndWrittenInTheirOwnEncodingAndValuesEndAtNul) {
    TemporaryFolder folder;
    const std::string text = "[Options]\r\nrefreshRate=7\r\nname=Caf\xC3\xA9 \xF0\x9F\x98\x80\r\n";
    for (const bool bigEndian : {false, true}) {
        std::string bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
        for (const char16_t unit : QString::fromUtf8(text.c_str()).toStdU16String()) {
            const char high = static_cast<char>(unit >> 8), low = static_cast<char>(unit & 0xFF);
            bytes += bigEndian ? std::string{high, low} : std::string{low, high};
        }
        writeText(folder / "wide.cfg", bytes);
        IniFile file(folder / "wide.cfg");
        EXPECT_EQ(file.readInteger("Options", "refreshRate", 0), 7) << bigEndian;
        EXPECT_EQ(file.readString("Options", "name", ""), "Caf\xC3\xA9 \xF0\x9F\x98\x80") << bigEndian;
        file.writeInteger("Options", "refreshRate", 8);
        ASSERT_TRUE(file.save());
        const std::string written = readText(folder / "wide.cfg");
        EXPECT_EQ(written.substr(0, 2), bytes.substr(0, 2)) << "the mark stays";
        IniFile again(folder / "wide.cfg");
        EXPECT_EQ(again.readInteger("Options", "refreshRate", 0), 8) << bigEndian;
        EXPECT_EQ(again.readString("Options", "name", ""), "Caf\xC3\xA9 \xF0\x9F\x98\x80") << bigEndian;
        EXPECT_EQ(written.size() % 2, 0u) << "no UTF-8 appended to the wide file";
    }
    writeText(folder / "nul.cfg", std::string("[Options]\nrefreshRate=12\0junk\n", 31));
    EXPECT_EQ(IniFile(folder / "nul.cfg").readInteger("Options", "refreshRate", 5), 12);
}
