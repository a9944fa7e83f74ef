// The options dialog's files and figures: the scale history stream against hand-built streams
// of every value type, the processor-usage sampler on recorded /proc/stat samples, the monitor
// list and the scale steps.
#include "options/OptionsValues.h"
#include "options/CpuUsageSampler.h"
#include "options/ScaleHistoryFile.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

using namespace vexmira::options;

namespace {

// A stream built byte by byte, as another writer of the format lays it out.
struct Stream {
    std::string bytes;
    Stream& raw(std::string_view s) {
        bytes += s;
        return *this;
    }
    Stream& byte(int b) {
        bytes += static_cast<char>(b);
        return *this;
    }
    Stream& shortString(std::string_view s) { return byte(static_cast<int>(s.size())).raw(s); }
    Stream& u32(std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            byte(static_cast<int>((v >> (8 * i)) & 0xFF));
        return *this;
    }
};

Stream comboHeader() {
    Stream s;
    s.raw("TPF0").shortString("TComboBox").shortString("CBX");
    return s;
}

} // namespace

TEST(ScaleHistoryFile, ReadsStreamsWithEveryValueTypeAndKeepsOnlyTheHistory) {
    Stream s = comboHeader();
    s.shortString("Left").byte(2).byte(8);                          // 8-bit integer
    s.shortString("Top").byte(3).byte(0x10).byte(0x01);             // 16-bit
    s.shortString("Width").byte(4).u32(57);                         // 32-bit
    s.shortString("Font.Height").byte(5).raw(std::string(10, 'x')); // extended
    s.shortString("Font.Name").byte(6).shortString("MS Sans Serif");
    s.shortString("Style").byte(7).shortString("csDropDown");                             // identifier
    s.shortString("Sorted").byte(8).shortString("Enabled").byte(9);                       // false, true
    s.shortString("Picture.Data").byte(10).u32(3).raw("abc");                             // binary
    s.shortString("Anchors").byte(11).shortString("akLeft").shortString("akTop").byte(0); // set
    s.shortString("Hint").byte(12).u32(4).raw("long");                                    // long string
    s.shortString("PopupMenu").byte(13);                                                  // nil
    s.shortString("Columns").byte(14).byte(1).shortString("Width").byte(2).byte(9).byte(0).byte(
        0); // collection
    s.shortString("Single").byte(15).u32(0).shortString("Money").byte(16).raw(std::string(8, '\0'));
    s.shortString("When").byte(17).raw(std::string(8, '\0'));
    s.shortString("Caption").byte(18).u32(2).raw(std::string("h\0i\0", 4)); // wide string
    s.shortString("Big").byte(19).raw(std::string(8, '\0'));                // 64-bit
    s.shortString("Utf").byte(20).u32(2).raw("ok");
    s.shortString("Ratio").byte(21).raw(std::string(8, '\0')); // double
    s.shortString("Items.Strings").byte(1);
    for (const char* item : {"1.50", "2.00", "1.50", "0,75", "caf\xE9"}) // cp1252: é
        s.byte(6).shortString(item);
    s.byte(0);
    s.shortString("Text").byte(6).shortString("1.50");
    s.byte(0).byte(0);
    const auto history = readScaleHistory(s.bytes);
    ASSERT_TRUE(history.has_value());
    EXPECT_EQ(history->items, (std::vector<std::string>{"1.50", "2.00", "0,75", "caf\xC3\xA9"}))
        << "each once";
    EXPECT_EQ(history->text, "1.50");
    // Our own stream reads back the same, in this format.
    EXPECT_EQ(
        readScaleHistory(std::string_view(reinterpret_cast<const char*>(writeScaleHistory(*history).data()),
                                          writeScaleHistory(*history).size())),
        history);
}

TEST(ScaleHistoryFile, OurStreamIsTheFormatByteForByte) {
    Stream expected = comboHeader();
    expected.shortString("Items.Strings").byte(1);
    expected.byte(6).shortString("1.50").byte(6).shortString("caf\xE9"); // cp1252
    expected.byte(0).shortString("Text").byte(6).shortString("1.50").byte(0).byte(0);
    const auto written = writeScaleHistory({{"1.50", "caf\xC3\xA9"}, "1.50"});
    EXPECT_EQ(std::string(written.begin(), written.end()), expected.bytes);
}

TEST(ScaleHistoryFile, BrokenStreamsGiveNothingAndTheHistoryKeepsItsRules) {
    Stream good = comboHeader();
    good.shortString("Items.Strings").byte(1).byte(6).shortString("1.00").byte(0).byte(0).byte(0);
    ASSERT_TRUE(readScaleHistory(good.bytes).has_value());
    const std::string broken[] = {
        "",
        "TPF1" + good.bytes.substr(4),                                                // wrong signature
        good.bytes.substr(0, good.bytes.size() - 1),                                  // truncated
        comboHeader().bytes + std::string("\x04Text\x63", 6),                         // an unknown type
        comboHeader().bytes + std::string("\x04Text\x0c\xff\xff\xff\x7f", 10) + "ab", // length past the end
        comboHeader().bytes + std::string("\x0dItems.Strings\x01\x06\x09", 17),       // string past the end
        std::string(10 << 20, '\x01'),                                                // junk
    };
    for (const std::string& bytes : broken)
        EXPECT_FALSE(readScaleHistory(bytes).has_value()) << bytes.size() << " bytes";

    ScaleHistory history;
    for (int i = 0; i < 25; ++i)
        rememberScale(history, std::to_string(i));
    rememberScale(history, "20");
    ASSERT_EQ(history.items.size(), 20u);
    EXPECT_EQ(history.items.front(), "20");
    EXPECT_EQ(history.items[1], "24");
    EXPECT_EQ(history.items.back(), "5");
    ScaleHistory closed;
    for (const char* text : {"1.00", "2.00", "1.00"})
        rememberScale(closed, text);
    EXPECT_EQ(closed.items, (std::vector<std::string>{"1.00", "2.00"}));
}

TEST(CpuUsageSampler, RecordedSamplesGiveEachProcessorAndTheMachineLast) {
    const std::vector<std::string> samples = {
        "cpu  100 0 100 800 0 0 0 0 0 0\ncpu0 50 0 50 400 0 0 0 0 0 0\ncpu1 50 0 50 400 0 0 0 0 0 0\nintr "
        "5\n",
        // cpu0 busy for 75 of 100 ticks; cpu1 waiting on a disk for 50 (that is idle too)
        "cpu  175 0 125 850 50 0 0 0 0 0\ncpu0 100 0 75 425 0 0 0 0 0 0\ncpu1 75 0 50 425 50 0 0 0 0 0\n",
        // nothing moved
        "cpu  175 0 125 850 50 0 0 0 0 0\ncpu0 100 0 75 425 0 0 0 0 0 0\ncpu1 75 0 50 425 50 0 0 0 0 0\n",
        // cpu1 went off line: the sampler starts over
        "cpu  200 0 125 875 50 0 0 0 0 0\ncpu0 125 0 75 450 0 0 0 0 0 0\n",
    };
    std::size_t next = 0;
    CpuUsageSampler sampler([&] { return samples[next++]; });
    EXPECT_EQ(sampler.CpuCount(), 1) << "before anything is read";
    ASSERT_TRUE(sampler.SampleCpuCounters());
    EXPECT_EQ(sampler.CpuCount(), 3);
    EXPECT_EQ(sampler.CpuUsage(0), 0.0) << "one sample has no difference";
    ASSERT_TRUE(sampler.SampleCpuCounters());
    EXPECT_DOUBLE_EQ(sampler.CpuUsage(0), 0.75);
    EXPECT_DOUBLE_EQ(sampler.CpuUsage(1), 0.25);
    EXPECT_DOUBLE_EQ(sampler.CpuUsage(2), 0.5) << "the whole machine, last";
    EXPECT_EQ(sampler.CpuUsage(3), 0.0);
    EXPECT_EQ(sampler.CpuUsage(-1), 0.0);
    ASSERT_TRUE(sampler.SampleCpuCounters());
    EXPECT_EQ(sampler.CpuUsage(2), 0.0) << "no time passed";
    ASSERT_TRUE(sampler.SampleCpuCounters());
    EXPECT_EQ(sampler.CpuCount(), 2);
    EXPECT_EQ(sampler.CpuUsage(1), 0.0) << "a new set of processors starts over";

    CpuUsageSampler unreadable([] { return std::string("no processors here\n"); });
    EXPECT_FALSE(unreadable.SampleCpuCounters());
    EXPECT_EQ(unreadable.CpuUsage(0), 0.0);
    CpuUsageSampler real;
    EXPECT_TRUE(real.SampleCpuCounters()) << "this machine's /proc/stat";
    EXPECT_GE(real.CpuCount(), 2);
}

TEST(OptionsValues, MonitorListScaleStepsAndUpdateIntervals) {
    EXPECT_EQ(monitorListText({{0, 0, 1920, 1080, true}, {-1280, -24, 1280, 1024, false}}),
              "\nDisplay 1 ( PRIMARY ) :\n\nWidth: 1920\nHeight: 1080\nLeft: 0\nTop: 0\n\n" +
                  std::string(47, '=') +
                  "\n\nDisplay 2 :\n\nWidth: 1280\nHeight: 1024\nLeft: -1280\nTop: -24\n\n" +
                  std::string(47, '=') + "\n");
    double tenths = 10;
    for (int i = 0; i < 10; ++i)
        tenths = stepScaleTenths(tenths, true);
    EXPECT_EQ(tenths, 11.0) << "1.00 up ten times is 1.10";
    for (int i = 0; i < 2000; ++i)
        tenths = stepScaleTenths(tenths, true);
    EXPECT_EQ(tenths, 100.0) << "the steps end at exactly 10.00";
    for (int i = 0; i < 2000; ++i)
        tenths = stepScaleTenths(tenths, false);
    EXPECT_EQ(tenths, 1.0) << "and at exactly 0.10";
    const int rates[][2] = {{3, 333}, {1000, 1}, {7, 142}, {5, 200}, {0, 1000}, {5000, 1}};
    for (const auto& r : rates)
        EXPECT_EQ(updateInterval(r[0]), r[1]) << r[0];
}
