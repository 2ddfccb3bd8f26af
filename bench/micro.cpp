// micro.cpp — Google Benchmark timings of the codec's hot pieces: classifying lines, escaping texts, reading line pieces.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "format/escape.h"
#include "format/markers.h"
#include "format/writer.h"
#include "fs/file_source.h"
#include "fs/file_system.h"
#include "text/line_pieces.h"

using namespace peltatxt;

namespace {

// Lines of the kinds a file holds, each ending in CR LF.
const std::vector<std::u16string>& sample_lines() {
    static const std::vector<std::u16string> lines = {
        u"\t\tお世話になっております。よろしくお願いいたします\r\n",
        u"Dear Sir or Madam, please find the attached report for Friday\r\n",
        u"\t_|PELTATXT-SDT|E|signature|_Best regards, the team\r\n",
        u"_|PELTATXT-DAT|meeting notes|_\r\n",
        u"\t_|PELTATXT-DED|_\r\n",
        u"_|PELTATXT-ESC|_  _|PELTATXT-DED|_ inside a block\r\n",
        u"\r\n",
        u"_|not a marker at all\r\n",
    };
    return lines;
}

void BM_Classify(benchmark::State& state) {
    const std::u16string& line = sample_lines()[static_cast<std::size_t>(state.range(0))];
    std::u16string scratch;
    for (auto _ : state) {
        ClassifiedLine c = classify(line, scratch);
        benchmark::DoNotOptimize(c);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * line.size() * 2));
}
BENCHMARK(BM_Classify)->DenseRange(0, 7)->ArgName("line");

void BM_ReadsAsMarker(benchmark::State& state) {
    const std::u16string& line = sample_lines()[static_cast<std::size_t>(state.range(0))];
    for (auto _ : state) benchmark::DoNotOptimize(reads_as_marker(line));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * line.size() * 2));
}
BENCHMARK(BM_ReadsAsMarker)->DenseRange(0, 7)->ArgName("line");

// A text of about 64 KiB of lines; every n-th line begins with a marker (0: none does).
std::u16string text_with_markers(int every) {
    std::u16string text;
    for (int i = 0; text.size() < 32768; ++i) {
        if (every > 0 && i % every == 0) text += u"_|PELTATXT-DED|_";
        text += u"some ordinary words of an entry, お世話になっております\r\n";
    }
    return text;
}

void BM_EscapeText(benchmark::State& state) {
    std::u16string text = text_with_markers(static_cast<int>(state.range(0)));
    EscapeScope scope = state.range(1) != 0 ? EscapeScope::LineAndPieceStarts : EscapeScope::LineStarts;
    struct Appender final : TextSink {
        std::u16string out;
        void put(Text chunk) override { out.append(chunk); }
    } sink;
    sink.out.reserve(text.size() * 2);
    for (auto _ : state) {
        sink.out.clear();
        escape_text(text, scope, sink);
        benchmark::DoNotOptimize(sink.out.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size() * 2));
}
BENCHMARK(BM_EscapeText)->ArgsProduct({{0, 10, 1}, {0, 1}})->ArgNames({"marker_every", "guard"});

// Choosing how an entry is written: 0 a text equal to its title, 1 a single line of its own,
// 2 a block of about 64 KiB.
void BM_ChooseForm(benchmark::State& state) {
    const std::u16string title = u"meeting notes";
    const std::u16string texts[] = {title, u"Dear Sir or Madam, please find the attached report, お世話になっております",
                                    text_with_markers(10)};
    const std::u16string& text = texts[state.range(0)];
    for (auto _ : state) benchmark::DoNotOptimize(choose_form(title, text, 0, 2));
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()));
}
BENCHMARK(BM_ChooseForm)->DenseRange(0, 2)->ArgName("text");

std::vector<std::string> sample_files;  // removed when the benchmarks end

// A file of about 8 MiB whose lines are line_units long (LF included), written once per size.
std::string piece_file(std::size_t line_units) {
    std::string path = (std::filesystem::temp_directory_path() /
                        ("peltatxt-micro-" + std::to_string(line_units) + ".txt")).string();
    if (std::find(sample_files.begin(), sample_files.end(), path) != sample_files.end()) return path;
    sample_files.push_back(path);
    std::u16string line(line_units - 2, u'x');
    line += u"\r\n";
    std::string bytes = "\xFF\xFE";
    while (bytes.size() < (8u << 20)) {
        for (char16_t c : line) {
            bytes.push_back(static_cast<char>(c & 0xFF));
            bytes.push_back(static_cast<char>(c >> 8));
        }
    }
    std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return path;
}

void BM_LinePieces(benchmark::State& state) {
    std::string path = piece_file(static_cast<std::size_t>(state.range(0)));
    std::u16string wide(path.begin(), path.end());
    uint64_t bytes = std::filesystem::file_size(path);
    for (auto _ : state) {
        fs::File file;
        if (!file.open_read(wide)) {
            state.SkipWithError("cannot open the sample file");
            break;
        }
        fs::FileSource source(file);
        LinePieceReader reader(source);
        std::u16string_view piece;
        std::size_t pieces = 0;
        while (reader.next(piece)) ++pieces;
        benchmark::DoNotOptimize(pieces);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
}
BENCHMARK(BM_LinePieces)->Arg(3)->Arg(40)->Arg(400)->Arg(200000)->ArgName("line_units")->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    for (const std::string& path : sample_files) std::remove(path.c_str());
    return 0;
}
