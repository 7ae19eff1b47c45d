#include "logs/log_file.h"
#include "logs/log_reader.h"
#include "support/temp_dir.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <future>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <thread>
#include <vector>

namespace qova {
namespace {

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Takes every batch at once, like a view that keeps up.
class Collector : public LogLinesSink {
  public:
    explicit Collector(BatchGate& gate) : gate_(gate) {}
    void Opened(const std::string& fullPath) override { opened.push_back(fullPath); }
    void Lines(std::string lines) override {
        batches.push_back(std::move(lines));
        gate_.Leave();
    }
    std::string All() const {
        std::string all;
        for (const std::string& batch : batches) {
            all += batch;
        }
        return all;
    }
    std::vector<std::string> opened;
    std::vector<std::string> batches;

  private:
    BatchGate& gate_;
};

// Where two texts part, in a few words (the texts may be long).
std::string FirstDifference(const std::string& actual, const std::string& expected) {
    auto [a, e] = std::mismatch(actual.begin(), actual.end(), expected.begin(), expected.end());
    if (a == actual.end() && e == expected.end()) {
        return "";
    }
    auto at = a - actual.begin();
    return "at byte " + std::to_string(at) + " of " + std::to_string(actual.size()) + "/" +
           std::to_string(expected.size()) + ": got \"" + actual.substr(at, 12) +
           "\", expected \"" + expected.substr(at, 12) + "\"";
}

struct LinesCase {
    const char* name;
    std::string file;
    std::string shown;
};

class LogReaderLines : public ::testing::TestWithParam<LinesCase> {};

TEST_P(LogReaderLines, EachLineOfTheFileIsALineOfTheView) {
    test::TempDir dir;
    const std::string path = dir.File("access.log");
    WriteFile(path, GetParam().file);
    // Tiny batches, so that lines cross batch and read boundaries.
    for (LogBatchSizes sizes : {LogBatchSizes{}, LogBatchSizes{3, 10}}) {
        BatchGate gate(2);
        Collector sink(gate);
        EXPECT_EQ(ReadLog(path, std::stop_token(), gate, sink, sizes), LogReadEnd::Finished);
        EXPECT_EQ(sink.opened, std::vector<std::string>{path});
        EXPECT_EQ(FirstDifference(sink.All(), GetParam().shown), "");
        for (const std::string& batch : sink.batches) {
            EXPECT_EQ(batch.back(), '\n') << "a batch ends within a line";
        }
    }
}

const std::string kLong(kLongLine + 10, 'x');
// "é" is two bytes; placed so that the cut at kLongLine would fall inside it.
const std::string kLongUtf8 = std::string(kLongLine - 1, 'a') + "\xC3\xA9" + "b";

INSTANTIATE_TEST_SUITE_P(
    Table, LogReaderLines,
    ::testing::Values(LinesCase{"CrLf", "<1> one\r\n<2> two\r\n", "<1> one\n<2> two\n"},
                      LinesCase{"BareLf", "one\ntwo\n", "one\ntwo\n"},
                      LinesCase{"LastLineWithoutEnd", "one\r\ntwo", "one\ntwo\n"},
                      LinesCase{"EmptyFile", "", ""},
                      LinesCase{"BlankLinesKept", "\r\n\r\nthree\r\n", "\n\nthree\n"},
                      LinesCase{"ControlCharacters",
                                std::string("a\tb\x01"
                                            "c\rd\0e\n",
                                            10),
                                "a\tb\xEF\xBF\xBD"
                                "c\xEF\xBF\xBD"
                                "d\xEF\xBF\xBD"
                                "e\n"},
                      LinesCase{"OverlongLineInPieces", kLong + "\nnext\n",
                                std::string(kLongLine, 'x') + "\n" + std::string(10, 'x') +
                                    "\nnext\n"},
                      LinesCase{"PiecesKeepCharactersWhole", kLongUtf8 + "\n",
                                std::string(kLongLine - 1, 'a') + "\n\xC3\xA9"
                                                                  "b\n"},
                      // The reader takes the file in 64 KiB reads; this CR LF straddles two.
                      LinesCase{"CrLfAcrossReads", std::string(64 * 1024 - 1, 'a') + "\r\nb\r\n",
                                std::string(64 * 1024 - 1, 'a') + "\nb\n"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(LogReader, WhatCannotBeReadIsNotOpened) {
    test::TempDir dir;
    const std::string fifo = dir.File("fifo.log");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string held = dir.File("held.log");
    WriteFile(held, "line\r\n");
    auto writer = LockedLogFile::Open(held, LockedLogFile::Mode::Append);
    ASSERT_TRUE(writer.has_value());

    for (const std::string& path : {dir.File("missing.log"), dir.Path(), fifo, held,
                                    std::string("/dev/zero"), std::string()}) {
        BatchGate gate(2);
        Collector sink(gate);
        EXPECT_EQ(ReadLog(path, std::stop_token(), gate, sink), LogReadEnd::CouldNotOpen) << path;
        EXPECT_TRUE(sink.opened.empty()) << path;
        EXPECT_TRUE(sink.batches.empty()) << path;
    }
}

TEST(LogReader, RelativePathIsReportedInFull) {
    test::TempDir dir;
    WriteFile(dir.File("a.log"), "x\n");
    const auto here = std::filesystem::current_path();
    std::filesystem::current_path(dir.Path());
    BatchGate gate(2);
    Collector sink(gate);
    ReadLog("./a.log", std::stop_token(), gate, sink);
    std::filesystem::current_path(here);
    EXPECT_EQ(sink.opened, std::vector<std::string>{dir.File("a.log")});
}

// A view that takes no batch: the reader waits at the gate, with the file held.
class StalledView : public LogLinesSink {
  public:
    void Opened(const std::string&) override {}
    void Lines(std::string) override { ++batches; }
    std::atomic<int> batches{0};
};

TEST(LogReader, HoldsTheLockWhileReadingAndStopsAtOnceWhenAsked) {
    test::TempDir dir;
    const std::string path = dir.File("error.log");
    std::string lines;
    for (int i = 0; i < 20000; ++i) {
        lines += "<12/09/2024 16:00:00> http://127.0.0.1/ is unreachable\r\n";
    }
    WriteFile(path, lines);

    BatchGate gate(2);
    StalledView view;
    std::stop_source stop;
    auto reading =
        std::async(std::launch::async, [&] { return ReadLog(path, stop.get_token(), gate, view); });
    for (int i = 0; i < 500 && view.batches < 2; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    ASSERT_EQ(view.batches, 2) << "the reader runs ahead of its view by two batches at most";
    EXPECT_FALSE(LockedLogFile::Open(path, LockedLogFile::Mode::Append).has_value());
    EXPECT_FALSE(ClearLog(path));

    stop.request_stop();
    ASSERT_EQ(reading.wait_for(std::chrono::seconds(1)), std::future_status::ready);
    EXPECT_EQ(reading.get(), LogReadEnd::Stopped);
    EXPECT_TRUE(LockedLogFile::Open(path, LockedLogFile::Mode::Append).has_value());
    EXPECT_EQ(ReadFile(path), lines);
}

TEST(LogReader, StopRequestedBeforeTheStartReadsNothing) {
    test::TempDir dir;
    WriteFile(dir.File("a.log"), "one\n");
    BatchGate gate(2);
    Collector sink(gate);
    std::stop_source stop;
    stop.request_stop();
    EXPECT_EQ(ReadLog(dir.File("a.log"), stop.get_token(), gate, sink), LogReadEnd::Stopped);
    EXPECT_TRUE(sink.batches.empty());
}

TEST(ClearLog, EmptiesOrCreatesTheFileUnlessItIsHeld) {
    test::TempDir dir;
    const std::string existing = dir.File("access.log");
    WriteFile(existing, "one\r\ntwo\r\n");
    EXPECT_TRUE(ClearLog(existing));
    EXPECT_EQ(ReadFile(existing), "");

    const std::string missing = dir.File("new.log");
    EXPECT_TRUE(ClearLog(missing));
    EXPECT_TRUE(std::filesystem::exists(missing));

    WriteFile(existing, "kept\r\n");
    {
        auto writer = LockedLogFile::Open(existing, LockedLogFile::Mode::Append);
        ASSERT_TRUE(writer.has_value());
        EXPECT_FALSE(ClearLog(existing));
        EXPECT_EQ(ReadFile(existing), "kept\r\n");
    }
    EXPECT_FALSE(ClearLog(dir.File("no/such/folder/x.log")));
}

} // namespace
} // namespace qova
