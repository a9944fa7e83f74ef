// The text page's rich text against Qt's own HTML path, on a generated 3 MB document of 10,000
// paragraphs with a format change about every 10 characters and 10% of them outside ASCII:
//   load: RTF read and put into the rich edit, against setHtml of the same document's toHtml();
//   save: the rich edit's content written as RTF, against toHtml();
//   skip: a 30 MB picture passed over, against memchr over the same bytes.
// The ratios are printed after the run. No display needed:
//   build/default/bench/rich_text_bench
#include "platform/Capabilities.h"
#include "richtext/RtfReader.h"
#include "richtext/RtfWriter.h"
#include "widgets/RichEdit.h"

#include <QApplication>
#include <QTextDocument>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>

using namespace vexmira;

namespace {

richtext::Document generatedDocument() {
    const char* words[] = {"page",
                           "monitor",
                           "text",
                           "caf\xC3\xA9",
                           "\xD0\xB6\xD0\xB8\xD0\xB7\xD0\xBD\xD1\x8C",
                           "window",
                           "Gr\xC3\xB6\xC3\x9F"
                           "e",
                           "mirror",
                           "\xE6\x97\xA5\xE6\x9C\xAC",
                           "scroll"};
    const char* fonts[] = {"DejaVu Sans", "DejaVu Serif", "Liberation Mono"};
    richtext::Document document;
    unsigned seed = 12345;
    auto next = [&seed] {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 16) & 0x7FFF;
    };
    for (int p = 0; p < 10000; ++p) {
        richtext::Paragraph paragraph;
        paragraph.alignment = static_cast<richtext::Alignment>(p % 4);
        paragraph.bullet = p % 7 == 0;
        paragraph.spaceAfter = 60;
        for (int r = 0; r < 9; ++r) {
            richtext::CharFormat format;
            format.font = fonts[next() % 3];
            format.halfPoints = 16 + 2 * static_cast<int>(next() % 12);
            format.bold = next() % 2;
            format.italic = next() % 3 == 0;
            format.underline = next() % 5 == 0;
            if (next() % 3 == 0) format.colour = next() * 0x10101u & 0xFFFFFF;
            // About 10 characters a run; a non-ASCII word in about one run of ten.
            std::string text = words[next() % 10];
            while (text.size() < 9)
                text += " " + std::string(next() % 10 == 1 || next() % 10 == 4 ? "and" : words[0]);
            text += ' ';
            paragraph.runs.push_back({text, format});
        }
        document.paragraphs.push_back(std::move(paragraph));
    }
    return document;
}

struct Inputs {
    std::string rtf;
    QString html;
    std::string picture;
    double nonAsciiShare = 0; // of the characters
    Inputs() {
        const richtext::Document document = generatedDocument();
        const QString plain = QString::fromStdString(document.plainText());
        nonAsciiShare = static_cast<double>(std::count_if(plain.begin(), plain.end(),
                                                          [](QChar c) { return c.unicode() > 127; })) /
                        plain.size();
        rtf = richtext::writeRtf(document);
        QTextDocument text;
        widgets::fillTextDocument(text, document);
        html = text.toHtml();
        picture = "{\\rtf1\\ansi {\\pict\\pngblip\\picw100\\pich100 ";
        for (std::size_t i = 0; picture.size() < 30u << 20; ++i)
            picture += "89504e470d0a1a0a0000000d494844520000006400000064080600000070e295540000"[i % 70];
        picture += "}after\\par}";
    }
};

const Inputs& inputs() {
    static const Inputs built;
    return built;
}

void BM_LoadRtfIntoRichEdit(benchmark::State& state) {
    widgets::TRichEdit edit;
    for (auto _ : state)
        edit.setModel(richtext::readRtf(inputs().rtf).document);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * inputs().rtf.size()));
    state.counters["rtf_MB"] = static_cast<double>(inputs().rtf.size()) / 1e6;
    state.counters["non_ascii"] = inputs().nonAsciiShare;
}
BENCHMARK(BM_LoadRtfIntoRichEdit)->Unit(benchmark::kMillisecond)->MinTime(3.0);

void BM_LoadHtmlIntoRichEdit(benchmark::State& state) {
    widgets::TRichEdit edit;
    for (auto _ : state)
        edit.document()->setHtml(inputs().html);
}
BENCHMARK(BM_LoadHtmlIntoRichEdit)->Unit(benchmark::kMillisecond)->MinTime(3.0);

void BM_SaveRichEditAsRtf(benchmark::State& state) {
    widgets::TRichEdit edit;
    edit.setModel(richtext::readRtf(inputs().rtf).document);
    std::size_t size = 0;
    for (auto _ : state)
        size = edit.richText().size();
    state.counters["rtf_MB"] = static_cast<double>(size) / 1e6;
}
BENCHMARK(BM_SaveRichEditAsRtf)->Unit(benchmark::kMillisecond)->MinTime(3.0);

void BM_SaveRichEditAsHtml(benchmark::State& state) {
    widgets::TRichEdit edit;
    edit.setModel(richtext::readRtf(inputs().rtf).document);
    for (auto _ : state)
        benchmark::DoNotOptimize(edit.document()->toHtml());
}
BENCHMARK(BM_SaveRichEditAsHtml)->Unit(benchmark::kMillisecond)->MinTime(3.0);

void BM_SkipPicture(benchmark::State& state) {
    std::size_t dropped = 0;
    for (auto _ : state)
        dropped = richtext::readRtf(inputs().picture).dropped.size();
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * inputs().picture.size()));
    state.counters["dropped_kinds"] = static_cast<double>(dropped);
}
BENCHMARK(BM_SkipPicture)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_MemchrOverPicture(benchmark::State& state) {
    const std::string& bytes = inputs().picture;
    for (auto _ : state)
        benchmark::DoNotOptimize(std::memchr(bytes.data(), '\x01', bytes.size()));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes.size()));
}
BENCHMARK(BM_MemchrOverPicture)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// Keeps each benchmark's real time per iteration for the ratios.
class RatioReporter : public benchmark::ConsoleReporter {
  public:
    std::map<std::string, double> seconds;
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Iteration) seconds[run.benchmark_name()] = run.GetAdjustedRealTime();
        ConsoleReporter::ReportRuns(runs);
    }
};

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication application(argc, argv);
    vexmira::platform::selectWindowSystem(QGuiApplication::platformName().toStdString());
    benchmark::Initialize(&argc, argv);
    inputs();
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    auto ratio = [&reporter](const char* ours, const char* theirs) {
        const double a = reporter.seconds[std::string(ours) + "/min_time:3.000"];
        const double b = reporter.seconds[std::string(theirs) + "/min_time:3.000"];
        return b > 0 ? a / b : 0.0;
    };
    const double skip = reporter.seconds["BM_SkipPicture/min_time:2.000"];
    const double scan = reporter.seconds["BM_MemchrOverPicture/min_time:2.000"];
    std::printf("load: RTF into the rich edit / setHtml(toHtml())    = %.2f (target at most 1.5)\n",
                ratio("BM_LoadRtfIntoRichEdit", "BM_LoadHtmlIntoRichEdit"));
    std::printf("save: rich edit as RTF / toHtml()                   = %.2f (target at most 1.0)\n",
                ratio("BM_SaveRichEditAsRtf", "BM_SaveRichEditAsHtml"));
    std::printf("skip: picture skipping throughput / memchr's        = 1/%.1f (target at least 1/20)\n",
                scan > 0 ? skip / scan : 0.0);
    benchmark::Shutdown();
    return 0;
}
