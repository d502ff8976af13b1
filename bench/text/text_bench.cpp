// Throughput of the character-aware scans on a large recommended-word answer,
// and of cutting a million-line scratch file into lines, side by side with raw
// byte searches that ignore character boundaries. The raw searches are the
// ceiling: the scans should keep at least half their speed.
//
// Run a Release build; the ratios printed at the end compare medians of the
// same run.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "text/byte_text.h"
#include "text/line_reader.h"
#include "app/answers.h"

namespace {

constexpr std::string_view kWordMarker = "{\"word\":\"";
constexpr std::size_t kAnswerSize = std::size_t{16} << 20;

// An answer of the recommended-word endpoint after its conversion to GBK:
// records {"word":"...","total":N} with words of random double-byte
// characters. Some trail bytes equal '{' or '"', so the raw searches meet
// candidates that only the character rule rejects.
struct Answer {
  std::string text;
  std::size_t records = 0;
  std::size_t markerLikeTrailBytes = 0;
};

Answer makeAnswer() {
  std::mt19937 random{42};
  std::uniform_int_distribution<int> lead(0x81, 0xFE);
  std::uniform_int_distribution<int> trail(0x40, 0xFD);  // 0x7F is skipped below
  std::uniform_int_distribution<int> oneIn(0, 15);
  std::uniform_int_distribution<int> characters(2, 8);
  std::uniform_int_distribution<int> total(0, 999999);

  Answer answer;
  answer.text.reserve(kAnswerSize + 64);
  answer.text = "{\"status\":0,\"data\":[";
  while (answer.text.size() < kAnswerSize) {
    answer.text += kWordMarker;
    for (int n = characters(random); n > 0; --n) {
      answer.text += static_cast<char>(lead(random));
      int trailByte = trail(random);
      if (trailByte >= 0x7F) {
        ++trailByte;
      }
      if (oneIn(random) == 0) {
        trailByte = oneIn(random) % 2 == 0 ? '{' : '"';
        ++answer.markerLikeTrailBytes;
      }
      answer.text += static_cast<char>(trailByte);
    }
    answer.text += "\",\"total\":";
    answer.text += std::to_string(total(random));
    answer.text += "},";
    ++answer.records;
  }
  answer.text += "]}";
  return answer;
}

const Answer& answer() {
  static const Answer kAnswer = makeAnswer();
  return kAnswer;
}

// A scratch file of a million keyword lines, GBK with CR LF. One trail byte in
// 64 is 0x0A, so the line search meets LF bytes that do not end a line.
std::string makeScratchFile() {
  std::mt19937 random{7};
  std::uniform_int_distribution<int> lead(0x81, 0xFE);
  std::uniform_int_distribution<int> trail(0x40, 0xFE);
  std::uniform_int_distribution<int> oneIn(0, 63);
  std::uniform_int_distribution<int> characters(2, 6);
  std::string file;
  for (int line = 0; line < 1'000'000; ++line) {
    for (int n = characters(random); n > 0; --n) {
      file += static_cast<char>(lead(random));
      file += static_cast<char>(oneIn(random) == 0 ? 0x0A : trail(random));
    }
    file += "\r\n";
  }
  return file;
}

const std::string& scratchFile() {
  static const std::string kFile = makeScratchFile();
  return kFile;
}

void memchrLines(benchmark::State& state) {
  const std::string_view file = scratchFile();
  for (auto _ : state) {
    std::size_t lines = 0;
    for (std::size_t at = 0; at < file.size(); ++lines) {
      const auto* lineFeed =
          static_cast<const char*>(std::memchr(file.data() + at, '\n', file.size() - at));
      at = lineFeed == nullptr ? file.size() : static_cast<std::size_t>(lineFeed - file.data()) + 1;
    }
    benchmark::DoNotOptimize(lines);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(file.size()));
}

void cutLines(benchmark::State& state) {
  const std::string_view file = scratchFile();
  for (auto _ : state) {
    std::size_t lines = 0;
    std::string_view rest = file;
    while (const auto cut = quorvane::cutLine(rest, true)) {
      benchmark::DoNotOptimize(cut->line.data());
      rest.remove_prefix(cut->consumed);
      ++lines;
    }
    benchmark::DoNotOptimize(lines);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(file.size()));
}

void setBytes(benchmark::State& state) {
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(answer().text.size()));
}

void memmemAll(benchmark::State& state) {
  const std::string& text = answer().text;
  for (auto _ : state) {
    std::size_t count = 0;
    const char* cursor = text.data();
    const char* const end = text.data() + text.size();
    while (const void* hit = ::memmem(cursor, static_cast<std::size_t>(end - cursor),
                                      kWordMarker.data(), kWordMarker.size())) {
      ++count;
      cursor = static_cast<const char*>(hit) + kWordMarker.size();
    }
    benchmark::DoNotOptimize(count);
  }
  setBytes(state);
}

void stringViewFindAll(benchmark::State& state) {
  const std::string_view text = answer().text;
  for (auto _ : state) {
    std::size_t count = 0;
    for (std::size_t at = text.find(kWordMarker); at != std::string_view::npos;
         at = text.find(kWordMarker, at + kWordMarker.size())) {
      ++count;
    }
    benchmark::DoNotOptimize(count);
  }
  setBytes(state);
}

void findTextAll(benchmark::State& state) {
  const std::string_view text = answer().text;
  const auto markerLength = static_cast<std::int32_t>(kWordMarker.size());
  for (auto _ : state) {
    std::size_t count = 0;
    for (std::int32_t at = quorvane::findText(text, kWordMarker); at != -1;
         at = quorvane::findText(text, kWordMarker, at + markerLength)) {
      ++count;
    }
    benchmark::DoNotOptimize(count);
  }
  setBytes(state);
}

void splitTextViews(benchmark::State& state) {
  for (auto _ : state) {
    auto pieces = quorvane::splitTextViews(answer().text, kWordMarker);
    benchmark::DoNotOptimize(pieces.data());
  }
  setBytes(state);
}

void splitText(benchmark::State& state) {
  for (auto _ : state) {
    auto pieces = quorvane::splitText(answer().text, kWordMarker);
    benchmark::DoNotOptimize(pieces.data());
  }
  setBytes(state);
}

void extractWordList(benchmark::State& state) {
  for (auto _ : state) {
    auto words = quorvane::extractWordList(answer().text);
    benchmark::DoNotOptimize(words.data());
  }
  setBytes(state);
}

// Prints the usual table and keeps each benchmark's median throughput.
class MedianCapture : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      const auto rate = run.counters.find("bytes_per_second");
      if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median" &&
          rate != run.counters.end()) {
        m_medians[run.run_name.function_name] = rate->second.value;
      }
    }
  }

  [[nodiscard]] double median(const std::string& name) const {
    const auto found = m_medians.find(name);
    return found == m_medians.end() ? 0.0 : found->second;
  }

 private:
  std::map<std::string, double> m_medians;
};

void printRatio(const MedianCapture& results, const char* name, const char* baseline) {
  const double base = results.median(baseline);
  const double value = results.median(name);
  if (base <= 0.0 || value <= 0.0) {
    return;  // filtered out on the command line
  }
  const double ratio = value / base;
  std::printf("%-15s / %-17s throughput: %.2f (target >= 0.5)%s\n", name, baseline, ratio,
              ratio >= 0.5 ? "" : "  BELOW TARGET");
}

}  // namespace

int main(int argc, char** argv) {
  const Answer& data = answer();
  std::printf("answer: %zu bytes, %zu records, %zu trail bytes equal to '{' or '\"'\n",
              data.text.size(), data.records, data.markerLikeTrailBytes);

  // The scans must see every record and nothing else, or the figures mean nothing.
  const std::size_t found = quorvane::splitTextViews(data.text, kWordMarker).size() - 1;
  if (found != data.records) {
    std::fprintf(stderr, "splitTextViews found %zu records of %zu\n", found, data.records);
    return 1;
  }

  const auto add = [](const char* name, void (*function)(benchmark::State&)) {
    benchmark::RegisterBenchmark(name, function)
        ->Unit(benchmark::kMillisecond)
        ->Repetitions(7)
        ->ReportAggregatesOnly(true);
  };
  add("memmem", memmemAll);
  add("string_view_find", stringViewFindAll);
  add("findText", findTextAll);
  add("splitTextViews", splitTextViews);
  add("splitText", splitText);
  add("extractWordList", extractWordList);
  add("memchr_lines", memchrLines);
  add("cutLine", cutLines);

  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
    return 1;
  }
  MedianCapture results;
  benchmark::RunSpecifiedBenchmarks(&results);
  benchmark::Shutdown();

  std::printf("\nmedian throughput ratios (same run):\n");
  for (const char* name : {"findText", "splitTextViews", "splitText", "extractWordList"}) {
    printRatio(results, name, "memmem");
    printRatio(results, name, "string_view_find");
  }
  printRatio(results, "cutLine", "memchr_lines");
  return 0;
}
